#include "capture/texts.h"

namespace petitora {
namespace {

// Indexed by CaptureText.
// clang-format off
constexpr const char* kTexts[] = {
    "Error",
    "No introduzca más de %1 caracteres.",
    "Error en la captura de su RFC",
    "Error en la captura del mes de su RFC.",
    "Error en la captura del día de su RFC.",
    "Error en su homoclave, el carácter final solo puede ser numérico o A",
    "Error, la CURP debe tener 18 caracteres exactamente.",
    "Error, el caracter 11 debe ser H ó M.",
    "Error, falta capturar la razón social",
    "Error, falta capturar el nombre del usuario.",
    "Error, falta capturar el apellido paterno del usuario.",
    "Error, falta capturar el correo electronico del usuario.",
    "Error, el caracter arroba(@) no está incluido en el correo electronico.",
    "Error, el caracter arroba(@) sólo debe existir una véz.",
    "Error, las cadenas 'E-mail', '<' y '>' son invalidas en el correo electronico.",
    "Error, falta capturar la clave de revocación.",
    "Error, la clave de revocación debe tener al menos 8 caracteres.",
    "Error, falta capturar el número de CPR.",
    "Error, falta capturar la patente.",
    "Error, hay datos que falta capturar.",
    "Error, La administración local (A.L.R.) no corresponde a la entidad federativa.",
    "Error, una persona moral debe capturar los datos del representante legal.",
    "Error, hay datos que falta capturar en el nombre del representante legal.",
    "Error, falta dato por capturar.",
    "Error, No puedo abrir el archivo %1",
    "Error, el archivo %1 está dañado.",
};
// clang-format on

}  // namespace

const char* Text(CaptureText id) {
    static const Catalogue<CaptureText> texts(kTexts);
    return texts[id];
}

}  // namespace petitora
