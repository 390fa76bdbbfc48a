#include "verification/verification_texts.h"

namespace petitora {
namespace {

// Indexed by VerifyText.
// clang-format off
constexpr const char* kTexts[] = {
    "Correcto",
    "Falla",
    "No revisado",

    "el archivo de requerimiento (.req)",
    "el archivo de la llave privada (.key)",
    "No se puede abrir %1.",
    "No se revisó %1: es una carpeta, una tubería o un dispositivo, no un archivo.",
    "No se revisó %1: mide más de 64 KB, y un archivo de Petitora es mucho menor.",
    "Error al leer %1.",

    "La solicitud de certificado (.req) está bien formada y su firma (%1) es válida.",
    "El archivo de requerimiento (.req) está dañado o no es una solicitud de certificado PKCS#10.",
    "La solicitud usa una versión o un tipo de llave que Petitora no puede revisar (solo PKCS#10 con llave RSA).",
    "La llave pública de la solicitud es de más de 2048 bits; Petitora no la puede revisar.",
    "La firma de la solicitud usa un algoritmo que Petitora no puede revisar (solo MD2, MD4, MD5 o SHA-1 con RSA).",
    "La firma de la solicitud no corresponde a su contenido: el archivo fue modificado o está dañado.",

    "La contraseña abre la llave privada (.key) y la llave RSA es consistente.",
    "El archivo de la llave privada (.key) está dañado o no es una llave privada cifrada PKCS#8.",
    "La llave privada está cifrada con un algoritmo que Petitora no puede abrir (solo PBES1 con MD2 o MD5 y DES-CBC).",
    "La llave privada pide más de %1 iteraciones de la contraseña; Petitora no la abre.",
    "La contraseña no abre la llave privada: no es la contraseña correcta, o el archivo está dañado.",
    "La llave privada es de más de 2048 bits; Petitora no la puede revisar.",
    "La llave privada está dañada: sus números RSA no concuerdan entre sí (n = p·q, d, dP, dQ, qInv).",

    "La llave privada corresponde a la solicitud (mismo módulo y exponente público).",
    "La llave privada no corresponde a esta solicitud: es de otro par de llaves.",
    "No se pudo comparar la llave privada con la solicitud, porque no se pudo leer la solicitud o no se "
    "pudo abrir la llave privada.",

    "RFC",
    "RFC del representante legal",
    "Nombre",
    "Razón social",
    "CURP",
    "Correo electrónico",
    "Entidad federativa",
    "Tamaño de la llave",
    "Algoritmo de firma",
    "(no incluido)",
    "%1 bits",
    "desconocido (%1)",

    "Uso: petitora-verify ARCHIVO.req [ARCHIVO.key]\n"
    "     petitora-verify --version\n"
    "Revisa una solicitud de certificado y, si se indica, su llave privada. La contraseña de la\n"
    "llave se lee de la entrada estándar, en una sola línea. Termina con 0 solo si todas las\n"
    "revisiones son correctas.",
    "La contraseña leída de la entrada estándar es demasiado larga.",
    "Contraseña de la llave privada (.key): ",
};
// clang-format on

}  // namespace

const char* Text(VerifyText id) {
    static const Catalogue<VerifyText> texts(kTexts);
    return texts[id];
}

}  // namespace petitora
