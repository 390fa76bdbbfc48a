#include "verification/verification_texts.h"

#include "capture/texts.h"

namespace petitora {
namespace {

// Indexed by VerifyTextId.
// clang-format off
constexpr const char* kTexts[kVerifyTextCount] = {
    "Correcto",
    "Falla",
    "No revisado",

    "el archivo de requerimiento (.req)",
    "el archivo de la llave privada (.key)",
    "No se puede abrir %s.",
    "No se revis\xF3 %s: es una carpeta, una tuber\xED" "a o un dispositivo, no un archivo.",
    "No se revis\xF3 %s: mide m\xE1s de 64 KB, y un archivo de Petitora es mucho menor.",
    "Error al leer %s.",

    "La solicitud de certificado (.req) est\xE1 bien formada y su firma (%s) es v\xE1lida.",
    "El archivo de requerimiento (.req) est\xE1 da\xF1" "ado o no es una solicitud de certificado PKCS#10.",
    "La solicitud usa una versi\xF3n o un tipo de llave que Petitora no puede revisar (solo PKCS#10 con llave RSA).",
    "La llave p\xFA" "blica de la solicitud es de m\xE1s de 2048 bits; Petitora no la puede revisar.",
    "La firma de la solicitud usa un algoritmo que Petitora no puede revisar (solo MD2, MD4, MD5 o SHA-1 con RSA).",
    "La firma de la solicitud no corresponde a su contenido: el archivo fue modificado o est\xE1 da\xF1" "ado.",

    "La contrase\xF1" "a abre la llave privada (.key) y la llave RSA es consistente.",
    "El archivo de la llave privada (.key) est\xE1 da\xF1" "ado o no es una llave privada cifrada PKCS#8.",
    "La llave privada est\xE1 cifrada con un algoritmo que Petitora no puede abrir (solo PBES1 con MD2 o MD5 y DES-CBC).",
    "La llave privada pide m\xE1s de %s iteraciones de la contrase\xF1" "a; Petitora no la abre.",
    "La contrase\xF1" "a no abre la llave privada: no es la contrase\xF1" "a correcta, o el archivo est\xE1 da\xF1" "ado.",
    "La llave privada es de m\xE1s de 2048 bits; Petitora no la puede revisar.",
    "La llave privada est\xE1 da\xF1" "ada: sus n\xFAmeros RSA no concuerdan entre s\xED (n = p\xB7q, d, dP, dQ, qInv).",

    "La llave privada corresponde a la solicitud (mismo m\xF3" "dulo y exponente p\xFA" "blico).",
    "La llave privada no corresponde a esta solicitud: es de otro par de llaves.",
    "No se pudo comparar la llave privada con la solicitud, porque no se pudo leer la solicitud o no se "
    "pudo abrir la llave privada.",

    "RFC",
    "RFC del representante legal",
    "Nombre",
    "Raz\xF3n social",
    "CURP",
    "Correo electr\xF3nico",
    "Entidad federativa",
    "Tama\xF1o de la llave",
    "Algoritmo de firma",
    "(no incluido)",
    "%s bits",
    "desconocido (%s)",

    "Uso: petitora-verify ARCHIVO.req [ARCHIVO.key]\n"
    "     petitora-verify --version\n"
    "Revisa una solicitud de certificado y, si se indica, su llave privada. La contrase\xF1" "a de la\n"
    "llave se lee de la entrada est\xE1ndar, en una sola l\xEDnea. Termina con 0 solo si todas las\n"
    "revisiones son correctas.",
    "La contrase\xF1" "a le\xED" "da de la entrada est\xE1ndar es demasiado larga.",
    "Contrase\xF1" "a de la llave privada (.key): ",
};
// clang-format on

}  // namespace

const char* VerifyText(VerifyTextId id) {
    const int index = static_cast<int>(id);
    return index >= 0 && index < kVerifyTextCount ? kTexts[index] : "";
}

std::string FormatVerifyText(VerifyTextId id, const std::string& value) {
    return ReplaceFirst(VerifyText(id), "%s", value);
}

}  // namespace petitora
