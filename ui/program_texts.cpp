#include "ui/program_texts.h"

namespace petitora {
namespace {

// Indexed by UiText.
constexpr const char* kTexts[static_cast<int>(UiText::Count)] = {
    "Aceptar",
    "S\u00ed",
    "No",
    "Guardar",
    "Cancelar",
    "Nombre de archivo:",
    "Tipo de archivo:",
    "Buscar en:",
    "Archivos Req (*.req)",
    "All Files (*.*)",
    "All Files (*)",
    "req",
    "Petitora: no se encontr\u00f3 la traducci\u00f3n al espa\u00f1ol de Qt en %1; "
    "los botones propios de Qt pueden aparecer en ingl\u00e9s.",
    "Abrir",
    "Archivos Key (*.key)",
    "Elija el archivo de requerimiento (*.req) que desea verificar",
    "Elija el archivo de llave privada (*.key)",
    "Todas las revisiones son correctas: la solicitud es v\u00e1lida, la clave de acceso abre "
    "la llave privada y la llave corresponde a la solicitud.",
    "La solicitud es correcta. La llave privada no se revis\u00f3.",
    "Al menos una revisi\u00f3n no es correcta: el motivo est\u00e1 en su l\u00ednea.",
    "ninguno (no se revisa la llave privada)",
};

}  // namespace

QString UiString(UiText id) {
    const int index = static_cast<int>(id);
    if (index < 0 || index >= static_cast<int>(UiText::Count)) return QString();
    return QString::fromUtf8(kTexts[index]);
}

}  // namespace petitora
