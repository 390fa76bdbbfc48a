// The one place where the program's Windows-1252 texts meet Qt's Unicode
// strings, and the validators that keep every box within Windows-1252.
#pragma once

#include <QString>
#include <QValidator>
#include <optional>
#include <string>
#include <string_view>

#include "capture/registrant.h"
#include "generation/secure_bytes.h"

namespace petitora {

// Windows-1252 bytes -> QString (every byte has a character).
QString FromCp1252(std::string_view cp1252);

// QString -> Windows-1252 bytes; nothing when a character has no Windows-1252 byte.
std::optional<std::string> ToCp1252(const QString& text);

// The same into caller storage of capacity bytes, one byte per character,
// with no other copy made (for secrets); nothing, after writing a part, when
// a character has no byte or the text is longer than capacity.
std::optional<std::size_t> ToCp1252(const QString& text, char* out, std::size_t capacity);

// A password box's text as Windows-1252 bytes into a secret field, with no
// other copy of the bytes left behind; the field is cleared when a character
// has no Windows-1252 byte (the boxes' validators keep that from happening).
void ReadSecret(const QString& text, SecretText& into);

// The box label without its mnemonic and surrounding blanks ("     &Patente"
// -> "Patente"), the name a screen reader announces for the box.
QString AccessibleNameOf(const QString& label);

// File names: the platform's file-name encoding (UTF-8 on Linux).
QString FromFileName(const std::string& name);
std::string ToFileName(const QString& name);

// Keeps one capture box to what its record field may hold: Windows-1252
// characters only, the field's maximum length, upper case or digits only as
// the field's input rule says. A refused character never reaches the box;
// letters typed into an upper-case box are turned to upper case.
class FieldValidator final : public QValidator {
  public:
    FieldValidator(Field field, QObject* parent);
    State validate(QString& input, int& pos) const override;

  private:
    Field field_;
};

// Windows-1252 characters only, at most maxLength of them (password boxes).
class Cp1252Validator final : public QValidator {
  public:
    Cp1252Validator(int maxLength, QObject* parent);
    State validate(QString& input, int& pos) const override;

  private:
    int maxLength_;
};

}  // namespace petitora
