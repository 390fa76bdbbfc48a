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
    "Elija el certificado (*.cer) que le entregó la autoridad",
    "Certificados (*.cer *.crt *.pem)",
    "Elija el certificado de la autoridad que lo emitió (*.cer)",
    "Todas las revisiones son correctas: el certificado es de su llave privada y está vigente.",
    "ninguno (no se compara con la solicitud)",
    "ninguno (no se revisa la firma del certificado)",
    "Guardar la llave y el certificado como .pfx",
    "Archivos PKCS#12 (*.pfx)",
    "pfx",
    "Se guardó la llave privada con el certificado en %1.",
    "No se pudo guardar el archivo .pfx: no se puede escribir en esa carpeta, o el disco está lleno.",
    "No se pudo guardar el archivo .pfx: el sistema no dio números aleatorios para las sales.",
    "Verificar certificado",
    "Petitora revisará que el certificado sea de su llave privada (y de la solicitud, si la "
    "indica), que esté vigente y, si indica el certificado de la autoridad, su firma. Los "
    "archivos solo se leen: no se modifica ninguno.",
    "Contenido del certificado (revíselo)",
};

}  // namespace

const char* Text(UiText id) {
    static const Catalogue<UiText> texts(kTexts);
    return texts[id];
}

}  // namespace petitora
