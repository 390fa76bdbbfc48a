#include "ui/secret_box.h"

#include <algorithm>

#include "crypto/common.h"
#include "text/cp1252.h"
#include "ui/text_boundary.h"

namespace petitora {
namespace {

// Overwrites a string's whole allocation, from the first allocated character
// to the last, whoever else shares it (static texts have none).
void WipeStorage(const QString& shared) {
    auto& data = const_cast<QString::DataPointer&>(shared.data_ptr());
    if (data.d_ptr() == nullptr) return;
    auto* first = const_cast<QChar*>(shared.constData()) - data.freeSpaceAtBegin();
    const qsizetype count = data.freeSpaceAtBegin() + shared.size() + data.freeSpaceAtEnd();
    cerrojo::SecureWipe(first, static_cast<std::size_t>(count) * sizeof(QChar));
}

// Holds a share of the text the box displays. When the box has moved on to a
// new copy, this share is the old copy's last: it is overwritten before it is
// let go. The box makes a new copy only when its text, cursor or selection
// changes, and says so through these signals.
class ShownTextKeeper final : public QObject {
  public:
    explicit ShownTextKeeper(QLineEdit* box) : QObject(box), box_(box) {
        setObjectName(QStringLiteral("petitoraShownTextKeeper"));
        connect(box, &QLineEdit::textChanged, this, &ShownTextKeeper::Renew);
        connect(box, &QLineEdit::cursorPositionChanged, this, &ShownTextKeeper::Renew);
        connect(box, &QLineEdit::selectionChanged, this, &ShownTextKeeper::Renew);
        Renew();
    }
    ~ShownTextKeeper() override { WipeIfLast(); }

    void Renew() {
        WipeIfLast();
        held_ = box_->displayText();
    }

  private:
    // Static texts (no allocation) count as shared and are left alone.
    void WipeIfLast() {
        if (!held_.data_ptr().isShared()) WipeStorage(held_);
    }

    QLineEdit* box_;
    QString held_;
};

ShownTextKeeper* KeeperOf(const QLineEdit* box) {
    return box->findChild<ShownTextKeeper*>(QStringLiteral("petitoraShownTextKeeper"),
                                            Qt::FindDirectChildrenOnly);
}

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
    if (KeeperOf(box) == nullptr) new ShownTextKeeper(box);
}

void WipeSecretBox(QLineEdit* box) {
    // text() and displayText() share the box's storage: overwritten in place.
    WipeStorage(box->text());
    WipeStorage(box->displayText());
    box->setText(QString());
    FillHistory(box);
    box->setText(QString());
    if (ShownTextKeeper* keeper = KeeperOf(box)) keeper->Renew();
}

void SetSecretBoxText(QLineEdit* box, std::string_view cp1252) {
    WipeSecretBox(box);
    QString text;
    text.reserve(std::max<qsizetype>(box->maxLength(), static_cast<qsizetype>(cp1252.size())));
    for (const char byte : cp1252) {
        text.append(
            QChar(static_cast<char16_t>(Cp1252ToCodePoint(static_cast<unsigned char>(byte)))));
    }
    box->setText(text);
}

void ReadSecretBox(const QLineEdit* box, std::string& into) {
    const std::size_t room = into.capacity();
    into.resize(room);  // within the reserved storage: nothing moves
    const std::optional<std::size_t> length = ToCp1252(box->text(), into.data(), room);
    into.resize(length.value_or(0));
}

bool SecretBoxShows(const QLineEdit* box, std::string_view cp1252) {
    const QString text = box->text();
    if (static_cast<std::size_t>(text.size()) != cp1252.size()) return false;
    for (std::size_t i = 0; i < cp1252.size(); ++i) {
        if (text[static_cast<qsizetype>(i)].unicode() !=
            Cp1252ToCodePoint(static_cast<unsigned char>(cp1252[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace petitora
