#include "capture/user_type.h"

#include "text/cp1252.h"

namespace petitora {
namespace {

struct KindTexts {
    const char* menuEntry;
    const char* menuPrompt;
    const char* windowTitle;
    const char* requestTypeCode;
};

// Indexed by the UserType code.
constexpr KindTexts kKinds[kUserTypeCount] = {
    {"Persona &Física"_cp1252, "Captura los datos de una Persona Física"_cp1252,
     "Generador de Requerimientos de Inscripción para una PERSONA FISICA"_cp1252, "FI"},
    {"Persona &Moral", "Captura los datos de una Persona Moral",
     "Generador de Requerimientos de Inscripción para una PERSONA MORAL"_cp1252, "MO"},
    {"&C.P.R.", "Captura los datos de un Contador Publico Registrado",
     "Generador de Requerimientos de Inscripción para un C.P.R."_cp1252, "CP"},
    {"&Agente Aduanal", "Captura los datos de un Agente Aduanal",
     "Generador de Requerimientos de Inscripción para un AGENTE ADUANAL"_cp1252, "AA"},
    {"Man&datario", "Captura los datos de un Mandatario",
     "Generador de Requerimientos de Inscripción para un MANDATARIO"_cp1252, "MA"},
    {"A&poderado Aduanal", "Captura los datos de un Apoderado Aduanal",
     "Generador de Requerimientos de Inscripción para un APODERADO ADUANAL"_cp1252, "AP"},
    {"&Banco", "Captura los datos de un Banco",
     "Generador de Requerimientos de Inscripción para un BANCO"_cp1252, "BA"},
};

constexpr const char* kNameLabelPerson = "&Nombre(s)";
constexpr const char* kNameLabelEntity = "Razó&n social"_cp1252;
constexpr const char* kPatenteLabel = "     &Patente";
constexpr const char* kCprLabel = "Registro C&PR";

const KindTexts* Find(UserType type) {
    return IsKnownUserType(type) ? &kKinds[static_cast<int>(type)] : nullptr;
}

}  // namespace

bool IsKnownUserType(UserType type) {
    const int code = static_cast<int>(type);
    return code >= 0 && code < kUserTypeCount;
}

bool IsEntityKind(UserType type) {
    return type == UserType::PersonaMoral || type == UserType::Banco;
}

bool IsCustomsKind(UserType type) {
    return type == UserType::AgenteAduanal || type == UserType::Mandatario ||
           type == UserType::ApoderadoAduanal;
}

const char* WindowTitle(UserType type) {
    const KindTexts* k = Find(type);
    return k ? k->windowTitle : "";
}

const char* NameLabel(UserType type) {
    if (!IsKnownUserType(type)) return "";
    return IsEntityKind(type) ? kNameLabelEntity : kNameLabelPerson;
}

const char* PatenteCprLabel(UserType type) {
    if (!IsKnownUserType(type)) return "";
    return type == UserType::ContadorPublico ? kCprLabel : kPatenteLabel;
}

const char* RequestTypeCode(UserType type) {
    const KindTexts* k = Find(type);
    return k ? k->requestTypeCode : "";
}

const char* MenuEntry(UserType type) {
    const KindTexts* k = Find(type);
    return k ? k->menuEntry : "";
}

const char* MenuPrompt(UserType type) {
    const KindTexts* k = Find(type);
    return k ? k->menuPrompt : "";
}

const char* UserTypeMenuTitle() {
    return "&Tipo de Usuario";
}

}  // namespace petitora
