#include "generation/texts.h"

namespace petitora {
namespace {

// Indexed by GenerationText.
// clang-format off
constexpr const char* kTexts[] = {
    "Petitora",
    "Error",
    "No fue posible generar sus archivos criptográficos. Ejecute nuevamente el proceso.",
    "Error al construir el archivo de requerimiento(.req).",
    "Error al generar el archivo de la llave privada encriptada.",
    "Error, la clave de acceso es invalida.",
    "Error, la clave de confirmación es invalida.",
    "Error, el tamaño minimo de las claves es de 8 caracteres.",
    "Error, las claves de acceso y de confirmación no son iguales.",
    "Error: el nombre de la ruta para almacenar los archivos no existe.",
    "Error, el archivo de requerimiento (*.req) no puede llamarse igual que el de la llave "
    "privada (*.key).",
    "El archivo %1 ya existe.\nDesea reemplazarlo ?",
    "Los archivos %1 y %2 ya existen.\nDesea reemplazarlos ?",
    "\nEstán correctos los datos ?",
    "Ahora el sistema generará la llave privada (*.key). Este archivo deberá guardarse en "
    "lugar seguro ya que su uso será responsabilidad absoluta del usuario propietario.\n"
    "También se generará el requerimiento (*.req) digital, el cuál deberá entregarse "
    "personalmente en la Unidad Administrativa del Hacendia más cercana para obtener despues "
    "el archivo Certificado (o Garantía) digital.\n",
    "Ahora ya cuenta con un requerimiento de registro. Proceda a registrarlo con un agente "
    "registrador.",
    "Respecto al tamaño de la llave mientras esté valor sea mas grande, las llaves privada y "
    "publica seran más seguras.",
    "Error de memoria en OnInitDialog().",
    "Error: el RFC no puede usarse como nombre de archivo. Escriba otro nombre para el "
    "archivo de requerimiento.",
    "Error: otra ejecución de Petitora está guardando archivos en la carpeta de destino. "
    "Intente de nuevo en unos momentos.",
    "Error: el archivo %1 cambió mientras se generaban las llaves. No se modificó ningún "
    "archivo.",
    "Se terminó de guardar el par %1 y %2 que una ejecución interrumpida dejó a medias.",
    "Se deshizo el cambio a medias de %1 y %2 que dejó una ejecución interrumpida; quedan "
    "como estaban antes.",
    "Aviso: no se reconoce el archivo %1 de la carpeta de destino; se dejó sin cambios.",
    "Aviso: una ejecución interrumpida dejó a medias el cambio de %1 y %2; Petitora lo "
    "terminará o lo deshará en su próxima ejecución en esta carpeta.",
};
// clang-format on

}  // namespace

const char* Text(GenerationText id) {
    static const Catalogue<GenerationText> texts(kTexts);
    return texts[id];
}

}  // namespace petitora
