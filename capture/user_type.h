// Registrant kinds and what each kind changes in the capture.
//
// The codes are stable: the generation driver indexes its tables by them.
// Every text returned here is Windows-1252 bytes, NUL-terminated, static.
#pragma once

namespace petitora {

enum class UserType : int {
    PersonaFisica = 0,
    PersonaMoral = 1,
    ContadorPublico = 2,
    AgenteAduanal = 3,
    Mandatario = 4,
    ApoderadoAduanal = 5,
    Banco = 6,
};

inline constexpr int kUserTypeCount = 7;

// True for the codes 0..6. A UserType made from any other integer is accepted
// by every query below: it is neither an entity nor a customs kind and all its
// texts are empty ("").
bool IsKnownUserType(UserType type);

// Entity kinds: PersonaMoral and Banco. They register under a business name,
// have a 3-letter RFC, no surnames and no CURP, and must give a legal
// representative.
bool IsEntityKind(UserType type);

// Customs kinds: AgenteAduanal, Mandatario, ApoderadoAduanal. They give a
// customs patente, choose no regional office and may leave the e-mail empty.
bool IsCustomsKind(UserType type);

// Title of the capture window, e.g. "... para un C.P.R.".
const char* WindowTitle(UserType type);

// Label of the name box: the business-name label for entity kinds, else "&Nombre(s)".
const char* NameLabel(UserType type);

// Label of the patente / C.P.R. box: "Registro C&PR" for ContadorPublico,
// "     &Patente" (five leading blanks) for every other kind.
const char* PatenteCprLabel(UserType type);

// Two-letter request type code written into the request: "FI", "MO", ...
const char* RequestTypeCode(UserType type);

// Entry of the "&Tipo de Usuario" menu for this kind and its prompt text.
const char* MenuEntry(UserType type);
const char* MenuPrompt(UserType type);

// Caption of the main window's kind menu.
const char* UserTypeMenuTitle();

}  // namespace petitora
