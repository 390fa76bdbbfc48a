#include "ui/text_boundary.h"

#include <QFile>

#include "capture/cp1252.h"
#include "crypto/common.h"

namespace petitora {

QString FromCp1252(std::string_view cp1252) {
    const std::string utf8 = Cp1252ToUtf8(cp1252);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::optional<std::string> ToCp1252(const QString& text) {
    QByteArray utf8 = text.toUtf8();
    std::optional<std::string> bytes =
        Utf8ToCp1252(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
    // The text may be a password: leave no copy of it behind.
    cerrojo::SecureWipe(utf8.data(), static_cast<std::size_t>(utf8.size()));
    return bytes;
}

void ReadSecret(const QString& text, SecretText& into) {
    std::optional<std::string> bytes = ToCp1252(text);
    if (!bytes) {
        into.Clear();
        return;
    }
    into.Assign(*bytes);
    cerrojo::SecureWipe(bytes->data(), bytes->size());
}

QString AccessibleNameOf(const QString& label) {
    QString name;
    name.reserve(label.size());
    for (qsizetype i = 0; i < label.size(); ++i) {
        if (label[i] == u'&' && i + 1 < label.size()) ++i;  // "&&" stands for one "&"
        name.append(label[i]);
    }
    return name.trimmed();
}

QString FromFileName(const std::string& name) {
    return QFile::decodeName(QByteArray::fromStdString(name));
}

std::string ToFileName(const QString& name) {
    return QFile::encodeName(name).toStdString();
}

FieldValidator::FieldValidator(Field field, QObject* parent) : QValidator(parent), field_(field) {}

QValidator::State FieldValidator::validate(QString& input, int& pos) const {
    (void)pos;
    std::optional<std::string> bytes = ToCp1252(input);
    if (!bytes) return Invalid;
    const std::string kept = FilterInput(field_, *bytes);
    // A digit box drops what is not a digit and every box drops what is past its
    // maximum: the keystroke is refused rather than silently changed.
    if (kept.size() != bytes->size()) return Invalid;
    if (kept != *bytes) input = FromCp1252(kept);  // upper case, same length and cursor
    return Acceptable;
}

Cp1252Validator::Cp1252Validator(int maxLength, QObject* parent)
    : QValidator(parent), maxLength_(maxLength) {}

QValidator::State Cp1252Validator::validate(QString& input, int& pos) const {
    (void)pos;
    if (input.size() > maxLength_) return Invalid;
    std::optional<std::string> bytes = ToCp1252(input);
    if (!bytes) return Invalid;
    cerrojo::SecureWipe(bytes->data(), bytes->size());
    return Acceptable;
}

}  // namespace petitora
