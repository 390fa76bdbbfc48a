#include "capture/user_type.h"

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
    {"Persona &F\xEDsica", "Captura los datos de una Persona F\xEDsica",
     "Generador de Requerimientos de Inscripci\xF3n para una PERSONA FISICA", "FI"},
    {"Persona &Moral", "Captura los datos de una Persona Moral",
     "Generador de Requerimientos de Inscripci\xF3n para una PERSONA MORAL", "MO"},
    {"&C.P.R.", "Captura los datos de un Contador Publico Registrado",
     "Generador de Requerimientos de Inscripci\xF3n para un C.P.R.", "CP"},
    {"&Agente Aduanal", "Captura los datos de un Agente Aduanal",
     "Generador de Requerimientos de Inscripci\xF3n para un AGENTE ADUANAL", "AA"},
    {"Man&datario", "Captura los datos de un Mandatario",
     "Generador de Requerimientos de Inscripci\xF3n para un MANDATARIO", "MA"},
    {"A&poderado Aduanal", "Captura los datos de un Apoderado Aduanal",
     "Generador de Requerimientos de Inscripci\xF3n para un APODERADO ADUANAL", "AP"},
    {"&Banco", "Captura los datos de un Banco",
     "Generador de Requerimientos de Inscripci\xF3n para un BANCO", "BA"},
};

constexpr const char* kNameLabelPerson = "&Nombre(s)";
constexpr const char* kNameLabelEntity = "Raz\xF3&n social";
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
