// A valid registrant of every kind, for the tests and the benchmarks.
#pragma once

#include "capture/registrant.h"

namespace testsupport {

// Gives r the representative ANA RUIZ, RFC RUSA750505XY2, without a second
// surname.
inline void AddRepresentative(petitora::RegistrantRecord& r) {
    r.repRfcLetters = "RUSA";
    r.repRfcDate = "750505";
    r.repRfcHomoclave = "XY2";
    r.repName = "ANA";
    r.repPaternalSurname = "RUIZ";
    r.repMaternalSurname.clear();
}

// A registrant of this kind that AcceptCapture passes, the plain variant: no
// representative, CURP, interior number or locality where the kind allows.
inline petitora::RegistrantRecord Registrant(petitora::UserType type) {
    using petitora::UserType;
    petitora::RegistrantRecord r = petitora::CreateRegistrantRecord(type);
    const bool entity = type == UserType::PersonaMoral || type == UserType::Banco;
    if (entity) {
        r.rfcEntityLetters = "ACM";
        r.name = "ACME SA";
        AddRepresentative(r);
        r.repMaternalSurname = "SOTO";
    } else {
        r.rfcLetters = "PELJ";
        r.name = "JUAN";
        r.paternalSurname = "PEREZ";
        r.maternalSurname = "LOPEZ";
    }
    r.rfcDate = "800101";
    r.rfcHomoclave = "AB1";
    r.email = "juan@example.mx";
    r.revocationKey = "secreto123";
    if (type == UserType::ContadorPublico) r.patenteCpr = "5678";
    if (type == UserType::AgenteAduanal || type == UserType::Mandatario ||
        type == UserType::ApoderadoAduanal) {
        r.patenteCpr = "1234";
    }
    r.street = "AV. REFORMA";
    r.exteriorNumber = "10";
    r.neighbourhood = "CENTRO";
    r.postalCode = "06000";
    r.municipality = "CUAUHTEMOC";
    r.stateIndex = 8;
    r.regionalOffice = "12 CENTRO D.F.";
    return r;
}

}  // namespace testsupport
