#include "ui/program_texts.h"

namespace petitora {
namespace {

// Indexed by UiText.
constexpr const char* kTexts[] = {
    "Aceptar",
    "Sí",
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
    "Petitora: no se encontró la traducción al español de Qt en %1; "
    "los botones propios de Qt pueden aparecer en inglés.",
    "Abrir",
    "Archivos Key (*.key)",
    "Elija el archivo de requerimiento (*.req) que desea verificar",
    "Elija el archivo de llave privada (*.key)",
    "Todas las revisiones son correctas: la solicitud es válida, la clave de acceso abre "
    "la llave privada y la llave corresponde a la solicitud.",
    "La solicitud es correcta. La llave privada no se revisó.",
    "Al menos una revisión no es correcta: el motivo está en su línea.",
    "ninguno (no se revisa la llave privada)",
};

}  // namespace

const char* Text(UiText id) {
    static const Catalogue<UiText> texts(kTexts);
    return texts[id];
}

}  // namespace petitora
