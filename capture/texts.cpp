#include "capture/texts.h"

#include <cstring>

namespace petitora {
namespace {

// Indexed by TextId.
// clang-format off
constexpr const char* kTexts[kTextCount] = {
    "Error",
    "No introduzca m\xE1s de %1 caracteres.",
    "Error en la captura de su RFC",
    "Error en la captura del mes de su RFC.",
    "Error en la captura del d\xED" "a de su RFC.",
    "Error en su homoclave, el car\xE1" "cter final solo puede ser num\xE9rico o A",
    "Error, la CURP debe tener 18 caracteres exactamente.",
    "Error, el caracter 11 debe ser H \xF3 M.",
    "Error, falta capturar la raz\xF3n social",
    "Error, falta capturar el nombre del usuario.",
    "Error, falta capturar el apellido paterno del usuario.",
    "Error, falta capturar el correo electronico del usuario.",
    "Error, el caracter arroba(@) no est\xE1 incluido en el correo electronico.",
    "Error, el caracter arroba(@) s\xF3lo debe existir una v\xE9z.",
    "Error, las cadenas 'E-mail', '<' y '>' son invalidas en el correo electronico.",
    "Error, falta capturar la clave de revocaci\xF3n.",
    "Error, la clave de revocaci\xF3n debe tener al menos 8 caracteres.",
    "Error, falta capturar el n\xFAmero de CPR.",
    "Error, falta capturar la patente.",
    "Error, hay datos que falta capturar.",
    "Error, La administraci\xF3n local (A.L.R.) no corresponde a la entidad federativa.",
    "Error, una persona moral debe capturar los datos del representante legal.",
    "Error, hay datos que falta capturar en el nombre del representante legal.",
    "Error, falta dato por capturar.",
    "Error, No puedo abrir el archivo %s",
    "Error, el archivo %s est\xE1 da\xF1" "ado.",
};
// clang-format on

}  // namespace

const char* Text(TextId id) {
    const int index = static_cast<int>(id);
    return index >= 0 && index < kTextCount ? kTexts[index] : "";
}

std::string FormatText(TextId id, const char* placeholder, const std::string& value) {
    return ReplaceFirst(Text(id), placeholder, value);
}

std::string ReplaceFirst(std::string text, const char* placeholder, const std::string& value) {
    if (placeholder == nullptr || *placeholder == '\0') return text;
    const std::size_t at = text.find(placeholder);
    if (at != std::string::npos) text.replace(at, std::strlen(placeholder), value);
    return text;
}

}  // namespace petitora
