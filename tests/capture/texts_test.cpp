// The message table holds each message once, byte for byte.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "capture/texts.h"
#include "support/cp1252_text.h"

namespace {

using petitora::TextId;
using testsupport::W;

struct TextRow {
    TextId id;
    const char* utf8;
};

const TextRow kTexts[] = {
    {TextId::CaptionError, "Error"},
    {TextId::TooManyCharacters, "No introduzca más de %1 caracteres."},
    {TextId::RfcLength, "Error en la captura de su RFC"},
    {TextId::RfcMonth, "Error en la captura del mes de su RFC."},
    {TextId::RfcDay, "Error en la captura del día de su RFC."},
    {TextId::RfcHomoclave, "Error en su homoclave, el carácter final solo puede ser numérico o A"},
    {TextId::CurpLength, "Error, la CURP debe tener 18 caracteres exactamente."},
    {TextId::CurpSex, "Error, el caracter 11 debe ser H ó M."},
    {TextId::MissingBusinessName, "Error, falta capturar la razón social"},
    {TextId::MissingUserName, "Error, falta capturar el nombre del usuario."},
    {TextId::MissingPaternalSurname, "Error, falta capturar el apellido paterno del usuario."},
    {TextId::MissingEmail, "Error, falta capturar el correo electronico del usuario."},
    {TextId::EmailNoAt, "Error, el caracter arroba(@) no está incluido en el correo electronico."},
    {TextId::EmailSecondAt, "Error, el caracter arroba(@) sólo debe existir una véz."},
    {TextId::EmailForbiddenText,
     "Error, las cadenas 'E-mail', '<' y '>' son invalidas en el correo electronico."},
    {TextId::MissingRevocationKey, "Error, falta capturar la clave de revocación."},
    {TextId::RevocationKeyTooShort,
     "Error, la clave de revocación debe tener al menos 8 caracteres."},
    {TextId::MissingCprNumber, "Error, falta capturar el número de CPR."},
    {TextId::MissingPatente, "Error, falta capturar la patente."},
    {TextId::MissingAddressData, "Error, hay datos que falta capturar."},
    {TextId::OfficeStateMismatch,
     "Error, La administración local (A.L.R.) no corresponde a la entidad federativa."},
    {TextId::MissingRepresentative,
     "Error, una persona moral debe capturar los datos del representante legal."},
    {TextId::MissingRepresentativeName,
     "Error, hay datos que falta capturar en el nombre del representante legal."},
    {TextId::MissingFieldOnLeave, "Error, falta dato por capturar."},
    {TextId::CannotOpenFile, "Error, No puedo abrir el archivo %s"},
    {TextId::DamagedFile, "Error, el archivo %s está dañado."},
};

TEST(Texts, EveryTextMatchesItsWording) {
    ASSERT_EQ(std::size(kTexts), static_cast<std::size_t>(petitora::kTextCount));
    std::set<std::string> seen;
    for (const TextRow& row : kTexts) {
        EXPECT_EQ(petitora::Text(row.id), W(row.utf8)) << row.utf8;
        EXPECT_TRUE(seen.insert(petitora::Text(row.id)).second) << "duplicate: " << row.utf8;
    }
    EXPECT_STREQ(petitora::Text(TextId::Count), "");
    EXPECT_STREQ(petitora::Text(static_cast<TextId>(-1)), "");
}

TEST(Texts, FormatReplacesOnlyThePlaceholder) {
    EXPECT_EQ(petitora::FormatText(TextId::TooManyCharacters, "%1", "20"),
              W("No introduzca más de 20 caracteres."));
    EXPECT_EQ(petitora::FormatText(TextId::DamagedFile, "%s", "a%d%s.ini"),
              W("Error, el archivo a%d%s.ini está dañado."));
    EXPECT_EQ(petitora::FormatText(TextId::RfcLength, "%s", "x"),
              W("Error en la captura de su RFC"));
}

}  // namespace
