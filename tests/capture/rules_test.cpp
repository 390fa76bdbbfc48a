// The capture rules: order, messages, focus, for every kind where the kind matters.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "capture/offices.h"
#include "capture/rules.h"
#include "support/cp1252_text.h"
#include "support/registrants.h"

namespace {

using petitora::Field;
using petitora::RegistrantRecord;
using petitora::UserType;
using petitora::Verdict;
using testsupport::U;
using testsupport::W;

const UserType kAllKinds[] = {
    UserType::PersonaFisica, UserType::PersonaMoral, UserType::ContadorPublico,
    UserType::AgenteAduanal, UserType::Mandatario,   UserType::ApoderadoAduanal,
    UserType::Banco};

bool IsEntity(UserType t) {
    return t == UserType::PersonaMoral || t == UserType::Banco;
}
bool IsCustoms(UserType t) {
    return t == UserType::AgenteAduanal || t == UserType::Mandatario ||
           t == UserType::ApoderadoAduanal;
}

// A record of this kind that passes every page, with a representative (no
// second surname) for every kind, so that the representative's rules apply to all.
RegistrantRecord ValidRecord(UserType type) {
    RegistrantRecord r = testsupport::Registrant(type);
    testsupport::AddRepresentative(r);
    return r;
}

const char* kRfcLength = "Error en la captura de su RFC";
const char* kRfcMonth = "Error en la captura del mes de su RFC.";
const char* kRfcDay = "Error en la captura del día de su RFC.";
const char* kRfcHomoclave = "Error en su homoclave, el carácter final solo puede ser numérico o A";
const char* kAlr =
    "Error, La administración local (A.L.R.) no corresponde a la entidad federativa.";

void ExpectInvalid(const Verdict& v, const char* utf8, Field focus) {
    EXPECT_FALSE(v.valid);
    EXPECT_EQ(v.message, W(utf8)) << "got: " << U(v.message);
    EXPECT_EQ(v.caption, "Error");
    EXPECT_EQ(v.focus, focus);
}

void ExpectValid(const Verdict& v) {
    EXPECT_TRUE(v.valid) << "got: " << U(v.message);
    EXPECT_TRUE(v.message.empty());
    EXPECT_EQ(v.focus, Field::None);
}

TEST(Rules, TheValidRecordOfEveryKindPassesEveryPage) {
    for (UserType t : kAllKinds) {
        RegistrantRecord r = ValidRecord(t);
        for (int page = 0; page < petitora::kPageCount; ++page) {
            SCOPED_TRACE(static_cast<int>(t) * 10 + page);
            ExpectValid(petitora::ValidatePage(r, page));
        }
        ExpectValid(petitora::AcceptCapture(r));
    }
}

// One case: a change to the valid record and what each kind then gets.
// expected == nullptr: the kind still passes.
struct Case {
    const char* what;
    int page;
    std::function<void(RegistrantRecord&)> change;
    std::function<const char*(UserType)> expected;
    std::function<Field(UserType)> focus;
};

std::function<const char*(UserType)> Always(const char* m) {
    return [m](UserType) { return m; };
}
std::function<Field(UserType)> At(Field f) {
    return [f](UserType) { return f; };
}
std::function<const char*(UserType)> NotFor(bool (*skip)(UserType), const char* m) {
    return [skip, m](UserType t) { return skip(t) ? nullptr : m; };
}
std::function<const char*(UserType)> OnlyFor(bool (*pick)(UserType), const char* m) {
    return [pick, m](UserType t) { return pick(t) ? m : nullptr; };
}

Field LettersBox(UserType t) {
    return IsEntity(t) ? Field::RfcEntityLetters : Field::RfcLetters;
}

// Sets the letter block that this kind's RFC is taken from.
void SetLetters(RegistrantRecord& r, const std::string& person, const std::string& entity) {
    if (IsEntity(r.userType)) {
        r.rfcEntityLetters = entity;
    } else {
        r.rfcLetters = person;
    }
}

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        // --- page 0: RFC ---
        {"letters one short", 0, [](auto& r) { SetLetters(r, "PEL", "AC"); }, Always(kRfcLength),
         LettersBox},
        {"letters empty", 0, [](auto& r) { SetLetters(r, "", ""); }, Always(kRfcLength), LettersBox},
        {"entity typed 4 letters in the person box only", 0,
         [](auto& r) {
             r.rfcLetters = "ACME";
             r.rfcEntityLetters.clear();
         },
         OnlyFor(IsEntity, kRfcLength), At(Field::RfcEntityLetters)},
        {"homoclave short", 0, [](auto& r) { r.rfcHomoclave = "AB"; }, Always(kRfcLength),
         LettersBox},
        {"date short", 0, [](auto& r) { r.rfcDate = "80010"; }, Always(kRfcLength), LettersBox},
        {"month 13", 0, [](auto& r) { r.rfcDate = "801301"; }, Always(kRfcMonth),
         At(Field::RfcDate)},
        {"month 00", 0, [](auto& r) { r.rfcDate = "800001"; }, Always(kRfcMonth),
         At(Field::RfcDate)},
        {"month 12 day 31", 0, [](auto& r) { r.rfcDate = "991231"; }, Always(nullptr),
         At(Field::None)},
        {"31 February passes", 0, [](auto& r) { r.rfcDate = "800231"; }, Always(nullptr),
         At(Field::None)},
        {"day 00", 0, [](auto& r) { r.rfcDate = "800100"; }, Always(kRfcDay), At(Field::RfcDate)},
        {"day 32", 0, [](auto& r) { r.rfcDate = "800132"; }, Always(kRfcDay), At(Field::RfcDate)},
        {"month and day bad: month first", 0, [](auto& r) { r.rfcDate = "801400"; },
         Always(kRfcMonth), At(Field::RfcDate)},
        {"month digit then non-digit reads one digit", 0, [](auto& r) { r.rfcDate = "801X01"; },
         Always(nullptr), At(Field::None)},
        {"month non-digit first reads nothing", 0, [](auto& r) { r.rfcDate = "80X101"; },
         Always(kRfcMonth), At(Field::RfcDate)},
        {"high bytes in the date", 0, [](auto& r) { r.rfcDate = "80\xB1\xB2\xB3\xB4"; },
         Always(kRfcMonth), At(Field::RfcDate)},
        {"homoclave 12A", 0, [](auto& r) { r.rfcHomoclave = "12A"; }, Always(nullptr),
         At(Field::None)},
        {"homoclave AB9", 0, [](auto& r) { r.rfcHomoclave = "AB9"; }, Always(nullptr),
         At(Field::None)},
        {"homoclave A1B", 0, [](auto& r) { r.rfcHomoclave = "A1B"; }, Always(kRfcHomoclave),
         At(Field::RfcHomoclave)},
        {"homoclave ending in lower-case a", 0, [](auto& r) { r.rfcHomoclave = "12a"; },
         Always(kRfcHomoclave), At(Field::RfcHomoclave)},
        {"homoclave ending in a high byte", 0, [](auto& r) { r.rfcHomoclave = "12\xC1"; },
         Always(kRfcHomoclave), At(Field::RfcHomoclave)},
        {"RFC before CURP and name", 0,
         [](auto& r) {
             r.rfcDate = "801301";
             r.curp = "X";
             r.name.clear();
         },
         Always(kRfcMonth), At(Field::RfcDate)},
        // --- page 0: CURP ---
        {"CURP of 17", 0, [](auto& r) { r.curp = "PELJ800101HDFRPN0"; },
         NotFor(IsEntity, "Error, la CURP debe tener 18 caracteres exactamente."),
         At(Field::Curp)},
        {"CURP with lower-case h", 0, [](auto& r) { r.curp = "PELJ800101hDFRPN01"; },
         NotFor(IsEntity, "Error, el caracter 11 debe ser H ó M."), At(Field::Curp)},
        {"CURP with a high byte at 11", 0, [](auto& r) { r.curp = "PELJ800101\xC8" "DFRPN01"; },
         NotFor(IsEntity, "Error, el caracter 11 debe ser H ó M."), At(Field::Curp)},
        {"CURP with H", 0, [](auto& r) { r.curp = "PELJ800101HDFRPN01"; }, Always(nullptr),
         At(Field::None)},
        {"CURP with M", 0, [](auto& r) { r.curp = "PELJ800101MDFRPN01"; }, Always(nullptr),
         At(Field::None)},
        {"CURP before name", 0,
         [](auto& r) {
             r.curp = "SHORT";
             r.name.clear();
         },
         [](UserType t) {
             return IsEntity(t) ? "Error, falta capturar la razón social"
                                : "Error, la CURP debe tener 18 caracteres exactamente.";
         },
         [](UserType t) { return IsEntity(t) ? Field::Name : Field::Curp; }},
        // --- page 0: names ---
        {"name empty", 0, [](auto& r) { r.name.clear(); },
         [](UserType t) {
             return IsEntity(t) ? "Error, falta capturar la razón social"
                                : "Error, falta capturar el nombre del usuario.";
         },
         At(Field::Name)},
        {"name before surname", 0,
         [](auto& r) {
             r.name.clear();
             r.paternalSurname.clear();
         },
         [](UserType t) {
             return IsEntity(t) ? "Error, falta capturar la razón social"
                                : "Error, falta capturar el nombre del usuario.";
         },
         At(Field::Name)},
        {"paternal surname empty", 0, [](auto& r) { r.paternalSurname.clear(); },
         NotFor(IsEntity, "Error, falta capturar el apellido paterno del usuario."),
         At(Field::PaternalSurname)},
        {"maternal surname never required", 0, [](auto& r) { r.maternalSurname.clear(); },
         Always(nullptr), At(Field::None)},
        {"surname before e-mail", 0,
         [](auto& r) {
             r.paternalSurname.clear();
             r.email.clear();
         },
         [](UserType t) {
             if (IsEntity(t)) return "Error, falta capturar el correo electronico del usuario.";
             return "Error, falta capturar el apellido paterno del usuario.";
         },
         [](UserType t) { return IsEntity(t) ? Field::Email : Field::PaternalSurname; }},
        // --- page 0: e-mail ---
        {"e-mail empty", 0, [](auto& r) { r.email.clear(); },
         NotFor(IsCustoms, "Error, falta capturar el correo electronico del usuario."),
         At(Field::Email)},
        {"e-mail without at-sign", 0, [](auto& r) { r.email = "juan.example.mx"; },
         Always("Error, el caracter arroba(@) no está incluido en el correo electronico."),
         At(Field::Email)},
        {"e-mail with a second at-sign", 0, [](auto& r) { r.email = "juan@exa@mple.mx"; },
         Always("Error, el caracter arroba(@) sólo debe existir una véz."), At(Field::Email)},
        {"e-mail with two adjacent at-signs", 0, [](auto& r) { r.email = "@@"; },
         Always("Error, el caracter arroba(@) sólo debe existir una véz."), At(Field::Email)},
        {"e-mail with E-mail", 0, [](auto& r) { r.email = "E-mail: juan@example.mx"; },
         Always("Error, las cadenas 'E-mail', '<' y '>' son invalidas en el correo electronico."),
         At(Field::Email)},
        {"e-mail with <", 0, [](auto& r) { r.email = "<juan@example.mx"; },
         Always("Error, las cadenas 'E-mail', '<' y '>' son invalidas en el correo electronico."),
         At(Field::Email)},
        {"e-mail with >", 0, [](auto& r) { r.email = "juan@example.mx>"; },
         Always("Error, las cadenas 'E-mail', '<' y '>' son invalidas en el correo electronico."),
         At(Field::Email)},
        {"second at-sign before E-mail", 0, [](auto& r) { r.email = "E-mail@a@b"; },
         Always("Error, el caracter arroba(@) sólo debe existir una véz."), At(Field::Email)},
        {"lower-case e-mail passes", 0, [](auto& r) { r.email = "e-mail@example.mx"; },
         Always(nullptr), At(Field::None)},
        {"a lone at-sign passes", 0, [](auto& r) { r.email = "@"; }, Always(nullptr),
         At(Field::None)},
        {"high bytes around the at-sign pass", 0, [](auto& r) { r.email = "\xF1\xE1@\xFF\x80"; },
         Always(nullptr), At(Field::None)},
        {"e-mail before revocation key", 0,
         [](auto& r) {
             r.email = "nope";
             r.revocationKey.clear();
         },
         Always("Error, el caracter arroba(@) no está incluido en el correo electronico."),
         At(Field::Email)},
        // --- page 0: revocation key ---
        {"revocation key empty", 0, [](auto& r) { r.revocationKey.clear(); },
         Always("Error, falta capturar la clave de revocación."), At(Field::RevocationKey)},
        {"revocation key of 7", 0, [](auto& r) { r.revocationKey = "1234567"; },
         Always("Error, la clave de revocación debe tener al menos 8 caracteres."),
         At(Field::RevocationKey)},
        {"revocation key of 8", 0, [](auto& r) { r.revocationKey = "12345678"; }, Always(nullptr),
         At(Field::None)},
        {"revocation key before patente", 0,
         [](auto& r) {
             r.revocationKey = "1";
             r.patenteCpr.clear();
         },
         Always("Error, la clave de revocación debe tener al menos 8 caracteres."),
         At(Field::RevocationKey)},
        // --- page 0: patente / C.P.R. ---
        {"patente empty", 0, [](auto& r) { r.patenteCpr.clear(); },
         [](UserType t) -> const char* {
             if (t == UserType::ContadorPublico) return "Error, falta capturar el número de CPR.";
             if (IsCustoms(t)) return "Error, falta capturar la patente.";
             return nullptr;
         },
         At(Field::PatenteCpr)},
        // --- page 1 ---
        {"street empty", 1, [](auto& r) { r.street.clear(); },
         Always("Error, hay datos que falta capturar."), At(Field::None)},
        {"postal code empty", 1, [](auto& r) { r.postalCode.clear(); },
         Always("Error, hay datos que falta capturar."), At(Field::None)},
        {"neighbourhood empty", 1, [](auto& r) { r.neighbourhood.clear(); },
         Always("Error, hay datos que falta capturar."), At(Field::None)},
        {"municipality empty", 1, [](auto& r) { r.municipality.clear(); },
         Always("Error, hay datos que falta capturar."), At(Field::None)},
        {"exterior number empty", 1, [](auto& r) { r.exteriorNumber.clear(); },
         Always("Error, hay datos que falta capturar."), At(Field::None)},
        {"interior number and locality optional", 1,
         [](auto& r) {
             r.interiorNumber.clear();
             r.locality.clear();
         },
         Always(nullptr), At(Field::None)},
        {"short postal code accepted", 1, [](auto& r) { r.postalCode = "1"; }, Always(nullptr),
         At(Field::None)},
        {"Yucatan with 75", 1,
         [](auto& r) {
             r.stateIndex = 30;
             r.regionalOffice = "75 MERIDA";
         },
         Always(nullptr), At(Field::None)},
        {"Yucatan with 73", 1,
         [](auto& r) {
             r.stateIndex = 30;
             r.regionalOffice = "73 CANCUN";
         },
         NotFor(IsCustoms, kAlr), At(Field::RegionalOffice)},
        {"fresh office against Colima", 1,
         [](auto& r) {
             r.stateIndex = 7;
             r.regionalOffice = "01 CELAYA";
         },
         NotFor(IsCustoms, kAlr), At(Field::RegionalOffice)},
        {"no office selected", 1, [](auto& r) { r.regionalOffice.clear(); },
         NotFor(IsCustoms, kAlr), At(Field::RegionalOffice)},
        {"missing data before office", 1,
         [](auto& r) {
             r.street.clear();
             r.regionalOffice = "73 CANCUN";
         },
         Always("Error, hay datos que falta capturar."), At(Field::None)},
        {"state index beyond the list", 1, [](auto& r) { r.stateIndex = 32; }, Always(kAlr),
         At(Field::StateIndex)},
        {"negative state index", 1,
         [](auto& r) {
             r.stateIndex = -1;
             r.street.clear();
         },
         Always(kAlr), At(Field::StateIndex)},
        // --- page 2 ---
        {"no representative", 2,
         [](auto& r) {
             r.repRfcLetters.clear();
             r.repRfcDate.clear();
             r.repRfcHomoclave.clear();
             r.repName.clear();
             r.repPaternalSurname.clear();
         },
         OnlyFor(IsEntity,
                 "Error, una persona moral debe capturar los datos del representante legal."),
         At(Field::RepRfcLetters)},
        {"only the maternal surname makes a representative", 2,
         [](auto& r) {
             r.repRfcLetters.clear();
             r.repRfcDate.clear();
             r.repRfcHomoclave.clear();
             r.repName.clear();
             r.repPaternalSurname.clear();
             r.repMaternalSurname = "SOTO";
         },
         Always(kRfcLength), At(Field::RepRfcLetters)},
        {"representative RFC of 12", 2, [](auto& r) { r.repRfcLetters = "RUS"; },
         Always(kRfcLength), At(Field::RepRfcLetters)},
        {"representative month", 2, [](auto& r) { r.repRfcDate = "751315"; }, Always(kRfcMonth),
         At(Field::RepRfcDate)},
        {"representative day", 2, [](auto& r) { r.repRfcDate = "750600"; }, Always(kRfcDay),
         At(Field::RepRfcDate)},
        {"representative homoclave", 2, [](auto& r) { r.repRfcHomoclave = "12B"; },
         Always(kRfcHomoclave), At(Field::RepRfcHomoclave)},
        {"representative without first surname", 2, [](auto& r) { r.repPaternalSurname.clear(); },
         Always("Error, hay datos que falta capturar en el nombre del representante legal."),
         At(Field::RepName)},
        {"representative without name", 2, [](auto& r) { r.repName.clear(); },
         Always("Error, hay datos que falta capturar en el nombre del representante legal."),
         At(Field::RepName)},
        {"representative RFC before names", 2,
         [](auto& r) {
             r.repRfcHomoclave = "12B";
             r.repName.clear();
         },
         Always(kRfcHomoclave), At(Field::RepRfcHomoclave)},
        {"representative maternal surname never required", 2,
         [](auto& r) { r.repMaternalSurname.clear(); }, Always(nullptr), At(Field::None)},
    };
    return cases;
}

TEST(Rules, EveryRuleInOrderForEveryKind) {
    for (const Case& c : Cases()) {
        for (UserType t : kAllKinds) {
            SCOPED_TRACE(std::string(c.what) + " / kind " + std::to_string(static_cast<int>(t)));
            RegistrantRecord r = ValidRecord(t);
            c.change(r);
            const Verdict v = petitora::ValidatePage(r, c.page);
            const char* expected = c.expected(t);
            if (expected == nullptr) {
                ExpectValid(v);
            } else {
                ExpectInvalid(v, expected, c.focus(t));
                // "Continuar" stops at the same message.
                const Verdict all = petitora::AcceptCapture(r);
                EXPECT_EQ(all.message, v.message);
                EXPECT_EQ(all.focus, v.focus);
            }
        }
    }
}

TEST(Rules, EmptyRecordsOfEveryKind) {
    for (UserType t : kAllKinds) {
        SCOPED_TRACE(static_cast<int>(t));
        RegistrantRecord r = petitora::CreateRegistrantRecord(t);
        ExpectInvalid(petitora::ValidatePage(r, 0), kRfcLength, LettersBox(t));
        ExpectInvalid(petitora::ValidatePage(r, 1), "Error, hay datos que falta capturar.",
                      Field::None);
        if (IsEntity(t)) {
            ExpectInvalid(
                petitora::ValidatePage(r, 2),
                "Error, una persona moral debe capturar los datos del representante legal.",
                Field::RepRfcLetters);
        } else {
            ExpectValid(petitora::ValidatePage(r, 2));
        }
        ExpectInvalid(petitora::AcceptCapture(r), kRfcLength, LettersBox(t));
        ExpectValid(petitora::ValidatePage(r, 3));
        ExpectValid(petitora::ValidatePage(r, -1));
    }
}

TEST(Rules, ContinueStopsAtTheFirstInvalidPage) {
    RegistrantRecord r = ValidRecord(UserType::PersonaFisica);
    r.regionalOffice = "73 CANCUN";
    r.repName.clear();
    int failedPage = -1;
    ExpectInvalid(petitora::AcceptCapture(r, &failedPage), kAlr, Field::RegionalOffice);
    EXPECT_EQ(failedPage, 1);
    r.regionalOffice = "11 NORTE D.F.";
    ExpectInvalid(petitora::AcceptCapture(r, &failedPage),
                  "Error, hay datos que falta capturar en el nombre del representante legal.",
                  Field::RepName);
    EXPECT_EQ(failedPage, 2);
    r.rfcDate = "801301";
    ExpectInvalid(petitora::AcceptCapture(r, &failedPage), kRfcMonth, Field::RfcDate);
    EXPECT_EQ(failedPage, 0);
}

TEST(Rules, ContinueCopiesTheEntityLettersOnlyWhenValid) {
    for (UserType t : {UserType::PersonaMoral, UserType::Banco}) {
        RegistrantRecord r = ValidRecord(t);
        r.rfcLetters = "ZZZZ";
        r.repName.clear();
        EXPECT_FALSE(petitora::AcceptCapture(r).valid);
        EXPECT_EQ(r.rfcLetters, "ZZZZ");
        r.repName = "ANA";
        ExpectValid(petitora::AcceptCapture(r));
        EXPECT_EQ(r.rfcLetters, "ACM");
        EXPECT_EQ(petitora::FullRfc(r), "ACM800101AB1");
    }
    RegistrantRecord person = ValidRecord(UserType::PersonaFisica);
    ExpectValid(petitora::AcceptCapture(person));
    EXPECT_EQ(petitora::FullRfc(person), "PELJ800101AB1");
    EXPECT_TRUE(person.rfcEntityLetters.empty());
    EXPECT_EQ(petitora::RepresentativeFullRfc(person), "RUSA750505XY2");
}

TEST(Rules, CheckRfcFocusFollowsKindAndPage) {
    using petitora::CheckRfc;
    ExpectInvalid(CheckRfc("ABC", "800101", "AB1", 13, false, UserType::PersonaFisica), kRfcLength,
                  Field::RfcLetters);
    ExpectInvalid(CheckRfc("ABC", "800101", "AB1", 13, false, UserType::Banco), kRfcLength,
                  Field::RfcEntityLetters);
    ExpectInvalid(CheckRfc("ABC", "800101", "AB1", 13, true, UserType::Banco), kRfcLength,
                  Field::RepRfcLetters);
    ExpectValid(CheckRfc("ABC", "800101", "AB1", 12, false, UserType::Banco));
    // Blocks of the wrong sizes that add up: characters missing at the end of
    // date or homoclave end the number or fail the homoclave, never read beyond.
    ExpectInvalid(CheckRfc("ABCDEFGH", "80", "AB1", 13, false, UserType::PersonaFisica), kRfcMonth,
                  Field::RfcDate);
    ExpectInvalid(CheckRfc("ABCDEF", "8001", "AB1", 13, false, UserType::PersonaFisica), kRfcDay,
                  Field::RfcDate);
    ExpectInvalid(CheckRfc("ABCDEF", "80011", "AB", 13, false, UserType::PersonaFisica),
                  kRfcHomoclave, Field::RfcHomoclave);
    ExpectInvalid(CheckRfc("ABCDEFGHIJKLM", "", "", 13, true, UserType::PersonaFisica), kRfcMonth,
                  Field::RepRfcDate);
}

// Every text field, one byte over its maximum, is refused before the page's
// rules with the maximum in the message and the focus on its box.
TEST(Rules, OverlongFieldsAreRefusedBeforeThePageRules) {
    for (UserType t : kAllKinds) {
        const petitora::FieldInfo* table = petitora::FieldTable();
        for (int i = 0; i < petitora::kFieldCount - 1; ++i) {
            const petitora::FieldInfo& info = table[i];
            if (!info.isText) continue;
            SCOPED_TRACE(std::string(info.name) + " / kind " + std::to_string(static_cast<int>(t)));
            RegistrantRecord r = ValidRecord(t);
            r.name.clear();  // a page rule that would fail after the length check
            r.street.clear();
            r.repPaternalSurname.clear();
            *petitora::FieldText(r, info.field) = std::string(info.maxLength + 1, '7');
            const Verdict v = petitora::ValidatePage(r, info.page);
            const bool replacedOrUnread = (info.field == Field::RfcLetters && IsEntity(t)) ||
                                          (info.field == Field::RfcEntityLetters && !IsEntity(t));
            if (replacedOrUnread) {
                EXPECT_NE(v.message, W("No introduzca más de " + std::to_string(info.maxLength) +
                                       " caracteres."));
            } else {
                ExpectInvalid(
                    v,
                    ("No introduzca más de " + std::to_string(info.maxLength) + " caracteres.")
                        .c_str(),
                    info.field);
            }
        }
    }
    // Two over-long boxes: the first in box order wins.
    RegistrantRecord r = ValidRecord(UserType::PersonaFisica);
    r.curp = std::string(19, 'C');
    r.email = std::string(101, 'e');
    ExpectInvalid(petitora::ValidatePage(r, 0), "No introduzca más de 100 caracteres.",
                  Field::Email);
}

// Fields exactly at their maximum, full of bytes 0x80-0xFF where the rules
// allow any byte, pass.
TEST(Rules, FieldsAtTheirMaximumWithHighBytesPass) {
    for (UserType t : kAllKinds) {
        SCOPED_TRACE(static_cast<int>(t));
        RegistrantRecord r = ValidRecord(t);
        const auto high = [](std::size_t n, int seed) {
            std::string s;
            for (std::size_t i = 0; i < n; ++i)
                s.push_back(static_cast<char>(0x80 + (seed + i) % 128));
            return s;
        };
        r.name = high(100, 1);
        if (!IsEntity(t)) r.paternalSurname = high(20, 2);
        r.maternalSurname = high(20, 3);
        r.email = high(50, 4) + "@" + high(49, 5);
        r.revocationKey = high(20, 6);
        r.patenteCpr = high(8, 7);
        r.rfcLetters = IsEntity(t) ? "\xD1\xD1\xD1\xD1"
                                   : "\xD1"
                                     "ABC";
        r.street = high(50, 8);
        r.exteriorNumber = high(10, 9);
        r.interiorNumber = high(10, 10);
        r.neighbourhood = high(30, 11);
        r.postalCode = "99999";
        r.municipality = high(30, 12);
        r.locality = high(30, 13);
        r.regionalOffice = "12" + high(18, 14);
        r.repName = high(50, 15);
        r.repPaternalSurname = high(20, 16);
        r.repMaternalSurname = high(20, 17);
        if (!IsEntity(t))
            r.curp =
                "\xC1\xC1\xC1\xC1\xC1\xC1\xC1\xC1\xC1\xC1"
                "M\xC1\xC1\xC1\xC1\xC1\xC1\xC1";
        for (int page = 0; page < petitora::kPageCount; ++page) {
            ExpectValid(petitora::ValidatePage(r, page));
        }
    }
}

TEST(Normalise, NameBoxCollapsesAndTrims) {
    RegistrantRecord r = petitora::CreateRegistrantRecord(UserType::PersonaFisica);
    r.name = "  JUAN   CARLOS  ";
    r.street = "  keep  me  ";
    ExpectValid(petitora::NormaliseOnLeave(r, Field::Name));
    EXPECT_EQ(r.name, "JUAN CARLOS");
    EXPECT_EQ(r.street, "  keep  me  ");  // only the box being left changes
}

TEST(Normalise, RequiredAndOptionalBoxes) {
    struct Row {
        Field field;
        bool required;
    };
    const Row rows[] = {
        {Field::Name, true},
        {Field::PaternalSurname, true},
        {Field::Street, true},
        {Field::ExteriorNumber, true},
        {Field::InteriorNumber, false},
        {Field::Neighbourhood, true},
        {Field::Municipality, true},
        {Field::Locality, false},
        {Field::RepName, true},
        {Field::RepPaternalSurname, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.field));
        for (const char* blank : {"", " ", "     "}) {
            RegistrantRecord r = petitora::CreateRegistrantRecord(UserType::PersonaFisica);
            *petitora::FieldText(r, row.field) = blank;
            const Verdict v = petitora::NormaliseOnLeave(r, row.field);
            EXPECT_TRUE(petitora::FieldText(r, row.field)->empty());
            if (row.required) {
                ExpectInvalid(v, "Error, falta dato por capturar.", row.field);
            } else {
                ExpectValid(v);
            }
            // The caller may also decide for itself.
            *petitora::FieldText(r, row.field) = blank;
            ExpectValid(petitora::NormaliseOnLeave(r, row.field, false));
        }
    }
    // Boxes that are not cleaned on leaving are left exactly as typed.
    RegistrantRecord r = petitora::CreateRegistrantRecord(UserType::PersonaFisica);
    for (Field f : {Field::MaternalSurname, Field::Email, Field::RevocationKey, Field::RfcLetters,
                    Field::StateIndex, Field::None, Field::Count}) {
        if (std::string* text = petitora::FieldText(r, f)) *text = "  a  b  ";
        ExpectValid(petitora::NormaliseOnLeave(r, f, true));
        if (std::string* text = petitora::FieldText(r, f)) {
            EXPECT_EQ(*text, "  a  b  ");
        }
    }
}

TEST(Normalise, OnlySpacesAreBlanks) {
    RegistrantRecord r = petitora::CreateRegistrantRecord(UserType::PersonaFisica);
    r.street = "\t A  \xA0  B \t";
    ExpectValid(petitora::NormaliseOnLeave(r, Field::Street));
    EXPECT_EQ(r.street, "\t A \xA0 B \t");
    r.locality = "\xA0";
    ExpectValid(petitora::NormaliseOnLeave(r, Field::Locality));
    EXPECT_EQ(r.locality, "\xA0");
}

// The clean-up as first described: delete the first of two adjacent spaces,
// search again from the start, until none are left.
std::string CollapseByRepeatedSearch(std::string s) {
    for (std::size_t at; (at = s.find("  ")) != std::string::npos;) s.erase(at, 1);
    return s;
}

TEST(Normalise, CollapseAgreesWithTheRepeatedSearch) {
    std::mt19937 rng(1234);
    const char alphabet[] = {' ', ' ', ' ', 'a', '\t', '\xE9'};
    for (int n = 0; n < 2000; ++n) {
        std::string s;
        const int len = static_cast<int>(rng() % 40);
        for (int i = 0; i < len; ++i) s.push_back(alphabet[rng() % sizeof alphabet]);
        std::string collapsed = s;
        petitora::CollapseDoubleSpaces(collapsed);
        ASSERT_EQ(collapsed, CollapseByRepeatedSearch(s)) << '[' << s << ']';
    }
    EXPECT_EQ(petitora::TrimBlanks("   "), "");
    EXPECT_EQ(petitora::TrimBlanks(" a b "), "a b");
    EXPECT_EQ(petitora::TrimBlanks("a"), "a");
}

}  // namespace
