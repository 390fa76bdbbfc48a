// The message table holds each message once, byte for byte.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "capture/texts.h"
#include "support/cp1252_text.h"

namespace {

using petitora::CaptureText;
using petitora::Format;
using petitora::Text;
using testsupport::W;

struct TextRow {
    CaptureText id;
    const char* utf8;
};

const TextRow kTexts[] = {
    {CaptureText::CaptionError, "Error"},
    {CaptureText::TooManyCharacters, "No introduzca más de %1 caracteres."},
    {CaptureText::RfcLength, "Error en la captura de su RFC"},
    {CaptureText::RfcMonth, "Error en la captura del mes de su RFC."},
    {CaptureText::RfcDay, "Error en la captura del día de su RFC."},
    {CaptureText::RfcHomoclave,
     "Error en su homoclave, el carácter final solo puede ser numérico o A"},
    {CaptureText::CurpLength, "Error, la CURP debe tener 18 caracteres exactamente."},
    {CaptureText::CurpSex, "Error, el caracter 11 debe ser H ó M."},
    {CaptureText::MissingBusinessName, "Error, falta capturar la razón social"},
    {CaptureText::MissingUserName, "Error, falta capturar el nombre del usuario."},
    {CaptureText::MissingPaternalSurname, "Error, falta capturar el apellido paterno del usuario."},
    {CaptureText::MissingEmail, "Error, falta capturar el correo electronico del usuario."},
    {CaptureText::EmailNoAt,
     "Error, el caracter arroba(@) no está incluido en el correo electronico."},
    {CaptureText::EmailSecondAt, "Error, el caracter arroba(@) sólo debe existir una véz."},
    {CaptureText::EmailForbiddenText,
     "Error, las cadenas 'E-mail', '<' y '>' son invalidas en el correo electronico."},
    {CaptureText::MissingRevocationKey, "Error, falta capturar la clave de revocación."},
    {CaptureText::RevocationKeyTooShort,
     "Error, la clave de revocación debe tener al menos 8 caracteres."},
    {CaptureText::MissingCprNumber, "Error, falta capturar el número de CPR."},
    {CaptureText::MissingPatente, "Error, falta capturar la patente."},
    {CaptureText::MissingAddressData, "Error, hay datos que falta capturar."},
    {CaptureText::OfficeStateMismatch,
     "Error, La administración local (A.L.R.) no corresponde a la entidad federativa."},
    {CaptureText::MissingRepresentative,
     "Error, una persona moral debe capturar los datos del representante legal."},
    {CaptureText::MissingRepresentativeName,
     "Error, hay datos que falta capturar en el nombre del representante legal."},
    {CaptureText::MissingFieldOnLeave, "Error, falta dato por capturar."},
    {CaptureText::CannotOpenFile, "Error, No puedo abrir el archivo %1"},
    {CaptureText::DamagedFile, "Error, el archivo %1 está dañado."},
};

TEST(Texts, EveryTextMatchesItsWording) {
    ASSERT_EQ(std::size(kTexts), static_cast<std::size_t>(CaptureText::Count));
    std::set<std::string> seen;
    for (const TextRow& row : kTexts) {
        EXPECT_EQ(petitora::Text(row.id), W(row.utf8)) << row.utf8;
        EXPECT_TRUE(seen.insert(petitora::Text(row.id)).second) << "duplicate: " << row.utf8;
    }
    EXPECT_STREQ(petitora::Text(CaptureText::Count), "");
    EXPECT_STREQ(petitora::Text(static_cast<CaptureText>(-1)), "");
}

TEST(Texts, FormatReplacesOnlyThePlaceholder) {
    EXPECT_EQ(Format(Text(CaptureText::TooManyCharacters), {"20"}),
              W("No introduzca más de 20 caracteres."));
    EXPECT_EQ(Format(Text(CaptureText::DamagedFile), {"a%d%s.ini"}),
              W("Error, el archivo a%d%s.ini está dañado."));
    EXPECT_EQ(Format(Text(CaptureText::RfcLength), {"x"}), W("Error en la captura de su RFC"));
}

}  // namespace
