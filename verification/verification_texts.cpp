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
    "     petitora-verify --certificate ARCHIVO.cer [--issuer EMISOR.cer] [--pfx SALIDA.pfx]\n"
    "                     ARCHIVO.key [ARCHIVO.req]\n"
    "     petitora-verify --version\n"
    "Revisa una solicitud de certificado y, si se indica, su llave privada. La contraseña de la\n"
    "llave se lee de la entrada estándar, en una sola línea. Termina con 0 solo si todas las\n"
    "revisiones son correctas.\n"
    "Con --certificate revisa el certificado que emitió la autoridad contra la llave privada (y\n"
    "la solicitud, si se indica): que esté bien formado, que sea de la misma llave y que esté\n"
    "vigente; con --issuer, también su firma con el certificado del emisor. Con --pfx guarda la\n"
    "llave y el certificado en un archivo .pfx (PKCS#12) nuevo, cuya contraseña se lee en la\n"
    "segunda línea de la entrada estándar (al menos 8 caracteres); un archivo que ya existe no\n"
    "se reemplaza.",
    "La contraseña leída de la entrada estándar es demasiado larga.",
    "Contraseña de la llave privada (.key): ",

    "el certificado (.cer)",
    "el certificado del emisor",

    "El certificado (.cer) es un certificado X.509 v3 bien formado.",
    "El archivo del certificado (.cer) está dañado o no es un certificado X.509 (DER o PEM).",
    "El certificado usa una versión o un tipo de llave que Petitora no puede revisar (solo X.509 v3 "
    "con llave RSA).",
    "El certificado tiene una llave pública de más de 2048 bits, o un número de serie o un nombre "
    "más largos de lo que Petitora puede revisar.",

    "El certificado es de esta llave privada (mismo módulo y exponente público).",
    "El certificado no es de esta llave privada: se emitió para otro par de llaves.",
    "No se pudo comparar el certificado con la llave privada, porque no se pudo leer el "
    "certificado o no se pudo abrir la llave privada.",
    "El certificado se emitió para esta solicitud (.req): tiene la misma llave pública.",
    "El certificado no se emitió para esta solicitud (.req): su llave pública es otra.",
    "No se pudo comparar el certificado con la solicitud (.req), porque no se pudo leer uno de "
    "los dos.",

    "El certificado está vigente hasta el %1 (quedan %2 días).",
    "El certificado ya no está vigente: venció el %1 (hace %2 días).",
    "El certificado todavía no está vigente: será válido a partir del %1.",
    "No se revisó la vigencia, porque no se pudo leer el certificado.",
    "%1/%2/%3 %4:%5:%6 UTC",

    "La firma del certificado (%1) es válida con la llave pública del emisor.",
    "La firma del certificado no corresponde a la llave del emisor indicado: lo emitió otra "
    "autoridad, o el archivo fue modificado.",
    "El certificado del emisor está dañado o no es un certificado X.509 (DER o PEM).",
    "El certificado del emisor usa una versión o un tipo de llave que Petitora no puede revisar "
    "(solo X.509 v3 con llave RSA).",
    "La llave pública del emisor es de más de 2048 bits (o su certificado es más grande de lo que "
    "Petitora lee); Petitora no puede revisar la firma del certificado.",
    "La firma del certificado usa un algoritmo que Petitora no puede revisar (solo MD5, SHA-1 o "
    "SHA-256 con RSA).",
    "No se revisó la firma del certificado, porque no se pudo leer el certificado.",

    "Titular (%1)",
    "Emisor",
    "Número de serie",
    "Válido desde",
    "Válido hasta",
    "Huella SHA-1",
    "RFC de la solicitud",
    "coincide con el del certificado",
    "%1: no coincide con el del certificado",

    "Contraseña nueva del archivo .pfx: ",
    "La contraseña nueva del archivo .pfx no se puede usar: tiene más de 255 caracteres, o un "
    "carácter que Petitora no admite en las contraseñas.",
    "Se guardó la llave privada con el certificado en %1.",
    "No se guardó el archivo .pfx: %1 ya existe, y Petitora no lo reemplaza.",
    "No se pudo guardar el archivo .pfx: no se puede escribir en esa carpeta, o el disco está "
    "lleno.",
    "No se guardó el archivo .pfx, porque el certificado no pasó las revisiones de la llave.",
};
// clang-format on

}  // namespace

const char* Text(VerifyText id) {
    static const Catalogue<VerifyText> texts(kTexts);
    return texts[id];
}

}  // namespace petitora
