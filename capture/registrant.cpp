#include "capture/registrant.h"

#include <utility>

#include "capture/offices.h"
#include "text/cp1252.h"

namespace petitora {
namespace {

using R = InputRule;
constexpr int P0 = kPagePersonalData;
constexpr int P1 = kPageAddress;
constexpr int P2 = kPageLegalRepresentative;

// clang-format off
constexpr FieldInfo kFields[kFieldCount - 1] = {
    // field                      name                  page text  max  rule         trim   req    label
    {Field::RfcEntityLetters,   "rfcEntityLetters",   P0, true,    3, R::UpperCase,  false, false, "&RFC"},
    {Field::RfcLetters,         "rfcLetters",         P0, true,    4, R::UpperCase,  false, false, "&RFC"},
    {Field::RfcDate,            "rfcDate",            P0, true,    6, R::Digits,     false, false, ""},
    {Field::RfcHomoclave,       "rfcHomoclave",       P0, true,    3, R::UpperCase,  false, false, ""},
    {Field::Name,               "name",               P0, true,  100, R::AsTyped,    true,  true,  nullptr},
    {Field::PaternalSurname,    "paternalSurname",    P0, true,   20, R::AsTyped,    true,  true,  "Apellido Pa&terno"},
    {Field::MaternalSurname,    "maternalSurname",    P0, true,   20, R::AsTyped,    false, false, "&Materno"},
    {Field::Email,              "email",              P0, true,  100, R::AsTyped,    false, false, "&Correo Electrónico"_cp1252},
    {Field::RevocationKey,      "revocationKey",      P0, true,   20, R::AsTyped,    false, false, "Cve Re&vocación"_cp1252},
    {Field::PatenteCpr,         "patenteCpr",         P0, true,    8, R::AsTyped,    false, false, nullptr},
    {Field::Curp,               "curp",               P0, true,   18, R::AsTyped,    false, false, "C&URP"},
    {Field::Street,             "street",             P1, true,   50, R::AsTyped,    true,  true,  "&Calle"},
    {Field::ExteriorNumber,     "exteriorNumber",     P1, true,   10, R::AsTyped,    true,  true,  "No. y/o Letra E&xt."},
    {Field::InteriorNumber,     "interiorNumber",     P1, true,   10, R::AsTyped,    true,  false, "No. &y/o Let. Int."},
    {Field::Neighbourhood,      "neighbourhood",      P1, true,   30, R::AsTyped,    true,  true,  "C&olonia"},
    {Field::PostalCode,         "postalCode",         P1, true,    5, R::Digits,     false, false, "C. &Postal"},
    {Field::Municipality,       "municipality",       P1, true,   30, R::AsTyped,    true,  true,  "&Municipio/Deleg."},
    {Field::Locality,           "locality",           P1, true,   30, R::AsTyped,    true,  false, "&Localidad"},
    {Field::StateIndex,         "stateIndex",         P1, false,   0, R::ListChoice, false, false, "Entidad &Federativa"},
    {Field::RegionalOffice,     "regionalOffice",     P1, true,   20, R::ListChoice, false, false, "&A. L. R."},
    {Field::RepRfcLetters,      "repRfcLetters",      P2, true,    4, R::UpperCase,  false, false, "&RFC"},
    {Field::RepRfcDate,         "repRfcDate",         P2, true,    6, R::Digits,     false, false, ""},
    {Field::RepRfcHomoclave,    "repRfcHomoclave",    P2, true,    3, R::UpperCase,  false, false, ""},
    {Field::RepName,            "repName",            P2, true,   50, R::AsTyped,    true,  true,  "&Nombre"},
    {Field::RepPaternalSurname, "repPaternalSurname", P2, true,   20, R::AsTyped,    true,  true,  "Apellido &Paterno"},
    {Field::RepMaternalSurname, "repMaternalSurname", P2, true,   20, R::AsTyped,    false, false, "Apellido &Materno"},
};
// clang-format on

// clang-format off
template <typename Record, typename Text>
Text* MemberOf(Record& r, Field field) {
    switch (field) {
        case Field::RfcEntityLetters: return &r.rfcEntityLetters;
        case Field::RfcLetters: return &r.rfcLetters;
        case Field::RfcDate: return &r.rfcDate;
        case Field::RfcHomoclave: return &r.rfcHomoclave;
        case Field::Name: return &r.name;
        case Field::PaternalSurname: return &r.paternalSurname;
        case Field::MaternalSurname: return &r.maternalSurname;
        case Field::Email: return &r.email;
        case Field::RevocationKey: return &r.revocationKey;
        case Field::PatenteCpr: return &r.patenteCpr;
        case Field::Curp: return &r.curp;
        case Field::Street: return &r.street;
        case Field::ExteriorNumber: return &r.exteriorNumber;
        case Field::InteriorNumber: return &r.interiorNumber;
        case Field::Neighbourhood: return &r.neighbourhood;
        case Field::PostalCode: return &r.postalCode;
        case Field::Municipality: return &r.municipality;
        case Field::Locality: return &r.locality;
        case Field::RegionalOffice: return &r.regionalOffice;
        case Field::RepRfcLetters: return &r.repRfcLetters;
        case Field::RepRfcDate: return &r.repRfcDate;
        case Field::RepRfcHomoclave: return &r.repRfcHomoclave;
        case Field::RepName: return &r.repName;
        case Field::RepPaternalSurname: return &r.repPaternalSurname;
        case Field::RepMaternalSurname: return &r.repMaternalSurname;
        default: return nullptr;  // None, StateIndex, Count, anything else
    }
}
// clang-format on

}  // namespace

const FieldInfo* FieldTable() {
    return kFields;
}

const FieldInfo* FindField(Field field) {
    const int index = static_cast<int>(field) - 1;
    return index >= 0 && index < kFieldCount - 1 ? &kFields[index] : nullptr;
}

const char* FieldLabel(Field field, UserType type) {
    if (field == Field::Name) return NameLabel(type);
    if (field == Field::PatenteCpr) return PatenteCprLabel(type);
    const FieldInfo* info = FindField(field);
    return info && info->label ? info->label : "";
}

RegistrantRecord CreateRegistrantRecord(UserType type) {
    RegistrantRecord record;
    record.userType = type;
    record.regionalOffice = BuiltInRegionalOffices().SelectedText();
    return record;
}

std::string* FieldText(RegistrantRecord& record, Field field) {
    return MemberOf<RegistrantRecord, std::string>(record, field);
}

const std::string* FieldText(const RegistrantRecord& record, Field field) {
    return MemberOf<const RegistrantRecord, const std::string>(record, field);
}

std::string FullRfc(const RegistrantRecord& record) {
    return record.rfcLetters + record.rfcDate + record.rfcHomoclave;
}

std::string RepresentativeFullRfc(const RegistrantRecord& record) {
    return record.repRfcLetters + record.repRfcDate + record.repRfcHomoclave;
}

void CopyEntityRfcLetters(RegistrantRecord& record) {
    if (IsEntityKind(record.userType)) record.rfcLetters = record.rfcEntityLetters;
}

char ToUpperCp1252(char c) {
    const unsigned char b = static_cast<unsigned char>(c);
    if (b >= 'a' && b <= 'z') return static_cast<char>(b - 0x20);
    if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return static_cast<char>(b - 0x20);
    switch (b) {
        case 0x9A:
            return static_cast<char>(0x8A);  // s caron
        case 0x9C:
            return static_cast<char>(0x8C);  // oe
        case 0x9E:
            return static_cast<char>(0x8E);  // z caron
        case 0xFF:
            return static_cast<char>(0x9F);  // y diaeresis
        default:
            return c;
    }
}

std::string FilterInput(Field field, std::string_view typed) {
    const FieldInfo* info = FindField(field);
    if (info == nullptr || !info->isText) return std::string(typed);
    std::string kept;
    for (char c : typed) {
        if (kept.size() >= info->maxLength) break;
        if (info->rule == InputRule::Digits && !(c >= '0' && c <= '9')) continue;
        kept.push_back(info->rule == InputRule::UpperCase ? ToUpperCp1252(c) : c);
    }
    return kept;
}

Verdict Verdict::Invalid(CaptureText id, Field focus) {
    return Invalid(std::string(Text(id)), focus);
}

Verdict Verdict::Invalid(std::string message, Field focus) {
    Verdict v;
    v.valid = false;
    v.message = std::move(message);
    v.caption = Text(CaptureText::CaptionError);
    v.focus = focus;
    return v;
}

}  // namespace petitora
