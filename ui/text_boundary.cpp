#include "ui/text_boundary.h"

#include <QFile>
#include <algorithm>
#include <utility>

#include "crypto/common.h"
#include "text/cp1252.h"

namespace petitora {
namespace {

// The Windows-1252 byte of one UTF-16 unit; a surrogate is half of a
// character beyond the BMP, which has none.
std::optional<unsigned char> ByteOf(QChar c) {
    if (c.isSurrogate()) return std::nullopt;
    return CodePointToCp1252(c.unicode());
}

// Checked character by character, through a const view: the text may be a
// secret (a password, the revocation key), of which no copy (not even a
// detached one) is made.
QValidator::State CheckInPlace(const QString& input, std::size_t maxLength) {
    if (static_cast<std::size_t>(input.size()) > maxLength) return QValidator::Invalid;
    for (const QChar c : input) {
        if (!ByteOf(c)) return QValidator::Invalid;
    }
    return QValidator::Acceptable;
}

}  // namespace

QString FromCp1252(std::string_view cp1252) {
    const std::string utf8 = Cp1252ToUtf8(cp1252);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::optional<std::string> ToCp1252(const QString& text) {
    std::string bytes(static_cast<std::size_t>(text.size()), '\0');
    if (!ToCp1252(text, bytes.data(), bytes.size())) return std::nullopt;
    return bytes;
}

std::optional<std::size_t> ToCp1252(const QString& text, char* out, std::size_t capacity) {
    if (static_cast<std::size_t>(text.size()) > capacity) return std::nullopt;
    std::size_t length = 0;
    for (const QChar c : text) {
        const std::optional<unsigned char> byte = ByteOf(c);
        if (!byte) return std::nullopt;
        out[length++] = static_cast<char>(*byte);
    }
    return length;
}

void ReadSecret(const QString& text, SecretText& into) {
    char bytes[kMaxKeyOptionText];
    const std::optional<std::size_t> length = ToCp1252(text, bytes, sizeof bytes);
    if (length) {
        into.Assign(std::string_view(bytes, *length));
    } else {
        into.Clear();
    }
    cerrojo::SecureWipeObject(bytes);
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
    // An as-typed box has nothing to change, only to check.
    const FieldInfo* info = FindField(field_);
    if (info != nullptr && info->rule == InputRule::AsTyped)
        return CheckInPlace(input, info->maxLength);
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
    return CheckInPlace(input, static_cast<std::size_t>(std::max(maxLength_, 0)));
}

}  // namespace petitora
