// Fuzz harness: arbitrary registrant records of every kind (and of kinds
// outside the seven) through the page checks, "Continuar", the clean-up on
// leaving each box and the office-against-state check.
//
// Properties: each page's verdict is the one its rules, written out again
// here, give; a verdict is valid with no message, or invalid with one of the
// rules' messages, the "Error" caption and the focus on a box of the checked
// page; a page's verdict depends on that page's boxes only; "Continuar"
// accepts exactly when all three pages do, changes nothing when it refuses
// and otherwise only copies the entity RFC letters; leaving a box changes
// that box alone, into its text with blanks trimmed and runs of blanks made
// one; only an office's first two characters matter and an office belongs
// to at most one state.
//
// Input: the kind, the state index, the field entries (field, text), then
// the replacement texts used to vary the other pages.
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "capture/offices.h"
#include "capture/registrant.h"
#include "capture/rules.h"
#include "capture/texts.h"
#include "fuzz/support/fuzz_check.h"
#include "fuzz/support/fuzz_input.h"

namespace {

using fuzzsupport::FuzzInput;
using petitora::CaptureText;
using petitora::Field;
using petitora::RegistrantRecord;
using petitora::Verdict;

constexpr int kFirstField = 1;                         // Field::RfcEntityLetters
constexpr int kLastField = petitora::kFieldCount - 1;  // Field::RepMaternalSurname

bool Same(const Verdict& a, const Verdict& b) {
    return a.valid == b.valid && a.message == b.message && a.caption == b.caption &&
           a.focus == b.focus;
}

bool SameRecord(const RegistrantRecord& a, const RegistrantRecord& b) {
    if (a.userType != b.userType || a.stateIndex != b.stateIndex) return false;
    for (int f = kFirstField; f <= kLastField; ++f) {
        const std::string* x = petitora::FieldText(a, static_cast<Field>(f));
        const std::string* y = petitora::FieldText(b, static_cast<Field>(f));
        if ((x == nullptr) != (y == nullptr) || (x != nullptr && *x != *y)) return false;
    }
    return true;
}

// Every message a rule may give: the texts of the table, and the length
// message with each box's maximum.
const std::set<std::string>& RuleMessages() {
    static const std::set<std::string> messages = [] {
        std::set<std::string> m;
        for (int id = 0; id < static_cast<int>(CaptureText::Count); ++id)
            m.insert(petitora::Text(static_cast<petitora::CaptureText>(id)));
        for (int f = kFirstField; f <= kLastField; ++f) {
            const petitora::FieldInfo* info = petitora::FindField(static_cast<Field>(f));
            m.insert(petitora::Format(petitora::Text(CaptureText::TooManyCharacters),
                                      {std::to_string(info->maxLength)}));
        }
        return m;
    }();
    return messages;
}

void CheckVerdict(const Verdict& v, int page) {
    if (v.valid) {
        FUZZ_CHECK(v.message.empty() && v.focus == Field::None);
        return;
    }
    FUZZ_CHECK(RuleMessages().count(v.message) == 1);
    FUZZ_CHECK(v.caption == petitora::Text(CaptureText::CaptionError));
    if (v.focus != Field::None) {
        const petitora::FieldInfo* info = petitora::FindField(v.focus);
        FUZZ_CHECK(info != nullptr && info->page == page);
    }
}

// The page checks written out again from their rules, as the verdict's
// message and focus: the first failing rule in the documented order.
struct Expectation {
    bool valid = true;
    std::string message;
    Field focus = Field::None;
};

Expectation Fails(CaptureText id, Field focus) {
    return Expectation{false, petitora::Text(id), focus};
}

// Decimal value of the leading digits among text[first], text[first + 1].
int TwoDigits(const std::string& text, std::size_t first) {
    int value = 0;
    for (std::size_t i = first; i < first + 2 && i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') break;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

Expectation Rfc(const std::string& letters, const std::string& date, const std::string& homoclave,
                std::size_t length, Field lettersBox, Field dateBox, Field homoclaveBox) {
    if (letters.size() + date.size() + homoclave.size() != length)
        return Fails(CaptureText::RfcLength, lettersBox);
    const int month = TwoDigits(date, 2), day = TwoDigits(date, 4);
    if (month < 1 || month > 12) return Fails(CaptureText::RfcMonth, dateBox);
    if (day < 1 || day > 31) return Fails(CaptureText::RfcDay, dateBox);
    if (homoclave.size() < 3 ||
        !(homoclave[2] == 'A' || (homoclave[2] >= '0' && homoclave[2] <= '9')))
        return Fails(CaptureText::RfcHomoclave, homoclaveBox);
    return {};
}

Expectation Expected(const RegistrantRecord& r, int page) {
    const bool entity =
        r.userType == petitora::UserType::PersonaMoral || r.userType == petitora::UserType::Banco;
    const bool customs = r.userType == petitora::UserType::AgenteAduanal ||
                         r.userType == petitora::UserType::Mandatario ||
                         r.userType == petitora::UserType::ApoderadoAduanal;
    // Over-long boxes first, in box order (the RFC letter box the kind does not use is skipped).
    for (int f = kFirstField; f <= kLastField; ++f) {
        const auto field = static_cast<Field>(f);
        const petitora::FieldInfo* info = petitora::FindField(field);
        const std::string* text = petitora::FieldText(r, field);
        if (info->page != page || text == nullptr) continue;
        if (field == (entity ? Field::RfcLetters : Field::RfcEntityLetters)) continue;
        if (text->size() > info->maxLength) {
            return Expectation{false,
                               petitora::Format(petitora::Text(CaptureText::TooManyCharacters),
                                                {std::to_string(info->maxLength)}),
                               field};
        }
    }
    if (page == petitora::kPagePersonalData) {
        const Expectation rfc =
            entity ? Rfc(r.rfcEntityLetters, r.rfcDate, r.rfcHomoclave, 12, Field::RfcEntityLetters,
                         Field::RfcDate, Field::RfcHomoclave)
                   : Rfc(r.rfcLetters, r.rfcDate, r.rfcHomoclave, 13, Field::RfcLetters,
                         Field::RfcDate, Field::RfcHomoclave);
        if (!rfc.valid) return rfc;
        if (!entity && !r.curp.empty()) {
            if (r.curp.size() != 18) return Fails(CaptureText::CurpLength, Field::Curp);
            if (r.curp[10] != 'H' && r.curp[10] != 'M')
                return Fails(CaptureText::CurpSex, Field::Curp);
        }
        if (r.name.empty())
            return Fails(entity ? CaptureText::MissingBusinessName : CaptureText::MissingUserName,
                         Field::Name);
        if (!entity && r.paternalSurname.empty())
            return Fails(CaptureText::MissingPaternalSurname, Field::PaternalSurname);
        if (!customs && r.email.empty()) return Fails(CaptureText::MissingEmail, Field::Email);
        if (!r.email.empty()) {
            const std::size_t at = r.email.find('@');
            if (at == std::string::npos) return Fails(CaptureText::EmailNoAt, Field::Email);
            if (r.email.find('@', at + 1) != std::string::npos)
                return Fails(CaptureText::EmailSecondAt, Field::Email);
            if (r.email.find("E-mail") != std::string::npos ||
                r.email.find_first_of("<>") != std::string::npos)
                return Fails(CaptureText::EmailForbiddenText, Field::Email);
        }
        if (r.revocationKey.empty())
            return Fails(CaptureText::MissingRevocationKey, Field::RevocationKey);
        if (r.revocationKey.size() < 8)
            return Fails(CaptureText::RevocationKeyTooShort, Field::RevocationKey);
        const bool cpr = r.userType == petitora::UserType::ContadorPublico;
        if ((cpr || customs) && r.patenteCpr.empty())
            return Fails(cpr ? CaptureText::MissingCprNumber : CaptureText::MissingPatente,
                         Field::PatenteCpr);
        return {};
    }
    if (page == petitora::kPageAddress) {
        if (r.stateIndex < 0 || r.stateIndex > 31)
            return Fails(CaptureText::OfficeStateMismatch, Field::StateIndex);
        if (r.street.empty() || r.postalCode.empty() || r.neighbourhood.empty() ||
            r.municipality.empty() || r.exteriorNumber.empty())
            return Fails(CaptureText::MissingAddressData, Field::None);
        if (customs) return {};
        if (!petitora::CheckOfficeMatchesState(r.regionalOffice, r.stateIndex).valid)
            return Fails(CaptureText::OfficeStateMismatch, Field::RegionalOffice);
        return {};
    }
    if (r.repRfcLetters.empty() && r.repRfcDate.empty() && r.repRfcHomoclave.empty() &&
        r.repName.empty() && r.repPaternalSurname.empty() && r.repMaternalSurname.empty()) {
        return entity ? Fails(CaptureText::MissingRepresentative, Field::RepRfcLetters)
                      : Expectation{};
    }
    const Expectation rfc = Rfc(r.repRfcLetters, r.repRfcDate, r.repRfcHomoclave, 13,
                                Field::RepRfcLetters, Field::RepRfcDate, Field::RepRfcHomoclave);
    if (!rfc.valid) return rfc;
    if (r.repName.empty() || r.repPaternalSurname.empty())
        return Fails(CaptureText::MissingRepresentativeName, Field::RepName);
    return {};
}

// Trim and collapse, written as "the words between blanks, one blank apart".
std::string Cleaned(const std::string& text) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == ' ') ++i;
        const std::size_t start = i;
        while (i < text.size() && text[i] != ' ') ++i;
        if (i > start) {
            if (!out.empty()) out += ' ';
            out.append(text, start, i - start);
        }
    }
    return out;
}

void CheckLeaving(const RegistrantRecord& record, Field field, int requiredMode) {
    const petitora::FieldInfo* info = petitora::FindField(field);
    RegistrantRecord after = record;
    const bool required = requiredMode == 2 ? info->requiredOnLeave : requiredMode == 1;
    const Verdict v = requiredMode == 2 ? petitora::NormaliseOnLeave(after, field)
                                        : petitora::NormaliseOnLeave(after, field, required);
    CheckVerdict(v, info->page);
    const std::string* text = petitora::FieldText(record, field);
    RegistrantRecord expected = record;
    if (info->trimmed && text != nullptr) *petitora::FieldText(expected, field) = Cleaned(*text);
    FUZZ_CHECK(SameRecord(after, expected));  // that box alone, cleaned
    const bool empty = text != nullptr && info->trimmed && Cleaned(*text).empty();
    FUZZ_CHECK(v.valid == !(empty && required));
    if (!v.valid) {
        FUZZ_CHECK(v.focus == field &&
                   v.message == petitora::Text(CaptureText::MissingFieldOnLeave));
    }
    // Leaving the box again changes nothing more.
    RegistrantRecord twice = after;
    petitora::NormaliseOnLeave(twice, field, required);
    FUZZ_CHECK(SameRecord(twice, after));
}

void CheckOffice(const std::string& office, int stateIndex) {
    const Verdict v = petitora::CheckOfficeMatchesState(office, stateIndex);
    FUZZ_CHECK(v.valid || v.message == petitora::Text(CaptureText::OfficeStateMismatch));
    FUZZ_CHECK(v.valid == petitora::CheckOfficeMatchesState(office.substr(0, 2), stateIndex).valid);
    int states = 0;
    for (int s = 0; s < petitora::kStateCount; ++s)
        states += petitora::CheckOfficeMatchesState(office, s).valid;
    FUZZ_CHECK(states <= 1);
    // Every built-in office belongs to exactly one state.
    for (const std::string& item : petitora::BuiltInRegionalOffices().items) {
        if (item.compare(0, 2, office, 0, 2) == 0) FUZZ_CHECK(states == 1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const std::uint8_t kind = in.Byte();
    const auto type = static_cast<petitora::UserType>(
        kind < 240 ? kind % 7 : static_cast<int>(in.Integer<std::uint32_t>()));
    RegistrantRecord record = petitora::CreateRegistrantRecord(type);
    record.stateIndex = static_cast<int>(in.Byte() % 36) - 2;
    const unsigned entries = in.Range(0, 30);
    for (unsigned e = 0; e < entries; ++e) {
        const auto field = static_cast<Field>(in.Range(kFirstField, kLastField));
        const petitora::FieldInfo* info = petitora::FindField(field);
        const std::string text = in.Text(static_cast<std::uint32_t>(info->maxLength) + 2);
        if (std::string* member = petitora::FieldText(record, field)) *member = text;
    }
    const std::string other = in.Text(40);

    Verdict pages[petitora::kPageCount];
    for (int page = -1; page <= petitora::kPageCount; ++page) {
        const Verdict v = petitora::ValidatePage(record, page);
        if (page < 0 || page >= petitora::kPageCount) {
            FUZZ_CHECK(v.valid);
            continue;
        }
        CheckVerdict(v, page);
        const Expectation expected = Expected(record, page);
        FUZZ_CHECK(v.valid == expected.valid && v.message == expected.message &&
                   v.focus == expected.focus);
        pages[page] = v;
        // Varying every box of the other pages leaves this page's verdict alone.
        RegistrantRecord varied = record;
        for (int f = kFirstField; f <= kLastField; ++f) {
            const petitora::FieldInfo* info = petitora::FindField(static_cast<Field>(f));
            if (info->page == page) continue;
            if (std::string* member = petitora::FieldText(varied, static_cast<Field>(f)))
                *member = other.substr(0, f % 2 ? other.size() : 1);
            else
                varied.stateIndex = record.stateIndex + 1 + static_cast<int>(other.size());
        }
        FUZZ_CHECK(Same(petitora::ValidatePage(varied, page), v));
    }

    // "Continuar".
    RegistrantRecord accepted = record;
    const Verdict all = petitora::AcceptCapture(accepted);
    int firstInvalid = -1;
    for (int page = petitora::kPageCount - 1; page >= 0; --page)
        if (!pages[page].valid) firstInvalid = page;
    FUZZ_CHECK(all.valid == (firstInvalid < 0));
    RegistrantRecord expected = record;
    if (all.valid) {
        if (petitora::IsEntityKind(type)) expected.rfcLetters = expected.rfcEntityLetters;
    } else {
        FUZZ_CHECK(Same(all, pages[firstInvalid]));
    }
    FUZZ_CHECK(SameRecord(accepted, expected));

    // Leaving each box, with the field table's "required" and with both others.
    for (int f = kFirstField; f <= kLastField; ++f)
        for (int requiredMode = 0; requiredMode < 3; ++requiredMode)
            CheckLeaving(record, static_cast<Field>(f), requiredMode);
    RegistrantRecord untouched = record;
    for (Field none : {Field::None, Field::Count, static_cast<Field>(-7)})
        FUZZ_CHECK(petitora::NormaliseOnLeave(untouched, none).valid);
    FUZZ_CHECK(SameRecord(untouched, record));

    CheckOffice(record.regionalOffice, record.stateIndex);
    FUZZ_CHECK(Same(petitora::CheckOfficeMatchesState(record),
                    petitora::CheckOfficeMatchesState(record.regionalOffice, record.stateIndex)));
    return 0;
}
