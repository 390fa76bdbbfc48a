#include "ui/secret_box.h"

#include "crypto/common.h"

namespace petitora {
namespace {

// One undo record per character inserted: a full box of filler makes the
// history hold (or overwrites) that many records.
void FillHistory(QLineEdit* box) {
    box->insert(QString(box->maxLength(), QLatin1Char('*')));
}

}  // namespace

void PrepareSecretBox(QLineEdit* box, int maxLength) {
    box->setMaxLength(maxLength);
    FillHistory(box);
    QString storage;
    storage.reserve(maxLength);
    // setText empties the history (which keeps its room) and, for an empty
    // text, takes this very storage.
    box->setText(storage);
}

void WipeSecretBox(QLineEdit* box) {
    {
        // text() shares the box's storage: it is overwritten in place, from
        // the first allocated character to the last, whatever the box uses.
        const QString shared = box->text();
        const QString::DataPointer& data = shared.data_ptr();
        auto* first = const_cast<QChar*>(shared.constData()) - data.freeSpaceAtBegin();
        const qsizetype count = data.freeSpaceAtBegin() + shared.size() + data.freeSpaceAtEnd();
        cerrojo::SecureWipe(first, static_cast<std::size_t>(count) * sizeof(QChar));
    }
    box->setText(QString());
    FillHistory(box);
    box->setText(QString());
}

}  // namespace petitora
