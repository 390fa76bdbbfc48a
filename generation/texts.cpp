#include "generation/texts.h"

#include <cstring>

namespace petitora {
namespace {

// Indexed by GenerationText.
// clang-format off
constexpr const char* kTexts[kGenerationTextCount] = {
    "Petitora",
    "Error",
    "No fue posible generar sus archivos criptogr\xE1" "ficos. Ejecute nuevamente el proceso.",
    "Error al construir el archivo de requerimiento(.req).",
    "Error al generar el archivo de la llave privada encriptada.",
    "Error, la clave de acceso es invalida.",
    "Error, la clave de confirmaci\xF3n es invalida.",
    "Error, el tama\xF1o minimo de las claves es de 8 caracteres.",
    "Error, las claves de acceso y de confirmaci\xF3n no son iguales.",
    "Error: el nombre de la ruta para almacenar los archivos no existe.",
    "Error, el archivo de requerimiento (*.req) no puede llamarse igual que el de la llave "
    "privada (*.key).",
    "El archivo %s ya existe.\nDesea reemplazarlo ?",
    "Los archivos %1 y %2 ya existen.\nDesea reemplazarlos ?",
    "\nEst\xE1n correctos los datos ?",
    "Ahora el sistema generar\xE1 la llave privada (*.key). Este archivo deber\xE1 guardarse en "
    "lugar seguro ya que su uso ser\xE1 responsabilidad absoluta del usuario propietario.\n"
    "Tambi\xE9n se generar\xE1 el requerimiento (*.req) digital, el cu\xE1l deber\xE1 entregarse "
    "personalmente en la Unidad Administrativa del Hacendia m\xE1s cercana para obtener despues "
    "el archivo Certificado (o Garant\xED" "a) digital.\n",
    "Ahora ya cuenta con un requerimiento de registro. Proceda a registrarlo con un agente "
    "registrador.",
    "Respecto al tama\xF1o de la llave mientras est\xE9 valor sea mas grande, las llaves privada y "
    "publica seran m\xE1s seguras.",
    "Error de memoria en OnInitDialog().",
};
// clang-format on

// Position of placeholder in text, or npos when it is empty or absent.
std::size_t Find(const std::string& text, const char* placeholder) {
    if (placeholder == nullptr || *placeholder == '\0') return std::string::npos;
    return text.find(placeholder);
}

}  // namespace

const char* Text(GenerationText id) {
    const int index = static_cast<int>(id);
    return index >= 0 && index < kGenerationTextCount ? kTexts[index] : "";
}

std::string FormatText(GenerationText id, const char* placeholder, const std::string& value) {
    return FormatText(id, placeholder, value, nullptr, std::string());
}

std::string FormatText(GenerationText id, const char* placeholder1, const std::string& value1,
                       const char* placeholder2, const std::string& value2) {
    // Both places are found in the bare text first, so that a value that
    // happens to contain the other placeholder is never rewritten.
    std::string text = Text(id);
    const std::size_t at1 = Find(text, placeholder1);
    const std::size_t at2 = Find(text, placeholder2);
    const bool secondFirst = at2 != std::string::npos && (at1 == std::string::npos || at2 > at1);
    if (secondFirst) text.replace(at2, std::strlen(placeholder2), value2);
    if (at1 != std::string::npos) text.replace(at1, std::strlen(placeholder1), value1);
    if (!secondFirst && at2 != std::string::npos) {
        text.replace(at2, std::strlen(placeholder2), value2);
    }
    return text;
}

}  // namespace petitora
