#include "capture/rules.h"

#include "capture/offices.h"
#include "capture/texts.h"

namespace petitora {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Decimal value of up to two characters of text starting at the zero-based
// position first; a non-digit or the end of text ends the number.
int TwoDigitValue(std::string_view text, std::size_t first) {
    int value = 0;
    for (std::size_t i = first; i < first + 2 && i < text.size() && IsDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// The first text field of page (in box order) longer than its maximum.
Verdict CheckLengths(const RegistrantRecord& record, int page) {
    const bool entity = IsEntityKind(record.userType);
    const FieldInfo* table = FieldTable();
    for (int i = 0; i < kFieldCount - 1; ++i) {
        const FieldInfo& info = table[i];
        if (info.page != page || !info.isText) continue;
        if (info.field == Field::RfcLetters && entity) continue;
        if (info.field == Field::RfcEntityLetters && !entity) continue;
        const std::string* text = FieldText(record, info.field);
        if (text != nullptr && text->size() > info.maxLength) {
            return Verdict::Invalid(
                Format(Text(CaptureText::TooManyCharacters), {std::to_string(info.maxLength)}),
                info.field);
        }
    }
    return Verdict::Valid();
}

Verdict ValidatePersonalData(const RegistrantRecord& r) {
    const UserType type = r.userType;
    const bool entity = IsEntityKind(type);

    Verdict rfc = entity ? CheckRfc(r.rfcEntityLetters, r.rfcDate, r.rfcHomoclave, 12, false, type)
                         : CheckRfc(r.rfcLetters, r.rfcDate, r.rfcHomoclave, 13, false, type);
    if (!rfc.valid) return rfc;

    if (!entity && !r.curp.empty()) {
        if (r.curp.size() != 18) return Verdict::Invalid(CaptureText::CurpLength, Field::Curp);
        if (r.curp[10] != 'H' && r.curp[10] != 'M') {
            return Verdict::Invalid(CaptureText::CurpSex, Field::Curp);
        }
    }

    if (r.name.empty()) {
        return Verdict::Invalid(
            entity ? CaptureText::MissingBusinessName : CaptureText::MissingUserName, Field::Name);
    }
    if (!entity && r.paternalSurname.empty()) {
        return Verdict::Invalid(CaptureText::MissingPaternalSurname, Field::PaternalSurname);
    }

    if (!IsCustomsKind(type) && r.email.empty()) {
        return Verdict::Invalid(CaptureText::MissingEmail, Field::Email);
    }
    if (!r.email.empty()) {
        const std::size_t at = r.email.find('@');
        if (at == std::string::npos) return Verdict::Invalid(CaptureText::EmailNoAt, Field::Email);
        if (r.email.find('@', at + 1) != std::string::npos) {
            return Verdict::Invalid(CaptureText::EmailSecondAt, Field::Email);
        }
        if (r.email.find("E-mail") != std::string::npos || r.email.find('<') != std::string::npos ||
            r.email.find('>') != std::string::npos) {
            return Verdict::Invalid(CaptureText::EmailForbiddenText, Field::Email);
        }
    }

    if (r.revocationKey.empty()) {
        return Verdict::Invalid(CaptureText::MissingRevocationKey, Field::RevocationKey);
    }
    if (r.revocationKey.size() < 8) {
        return Verdict::Invalid(CaptureText::RevocationKeyTooShort, Field::RevocationKey);
    }

    const bool cpr = type == UserType::ContadorPublico;
    if ((cpr || IsCustomsKind(type)) && r.patenteCpr.empty()) {
        return Verdict::Invalid(cpr ? CaptureText::MissingCprNumber : CaptureText::MissingPatente,
                                Field::PatenteCpr);
    }
    return Verdict::Valid();
}

Verdict ValidateAddress(const RegistrantRecord& r) {
    if (r.stateIndex < 0 || r.stateIndex >= kStateCount) {
        return Verdict::Invalid(CaptureText::OfficeStateMismatch, Field::StateIndex);
    }
    if (r.street.empty() || r.postalCode.empty() || r.neighbourhood.empty() ||
        r.municipality.empty() || r.exteriorNumber.empty()) {
        return Verdict::Invalid(CaptureText::MissingAddressData, Field::None);
    }
    if (IsCustomsKind(r.userType)) return Verdict::Valid();
    Verdict office = CheckOfficeMatchesState(r);
    if (!office.valid) office.focus = Field::RegionalOffice;
    return office;
}

Verdict ValidateRepresentative(const RegistrantRecord& r) {
    if (r.repRfcLetters.empty() && r.repRfcDate.empty() && r.repRfcHomoclave.empty() &&
        r.repName.empty() && r.repPaternalSurname.empty() && r.repMaternalSurname.empty()) {
        if (IsEntityKind(r.userType)) {
            return Verdict::Invalid(CaptureText::MissingRepresentative, Field::RepRfcLetters);
        }
        return Verdict::Valid();
    }
    Verdict rfc = CheckRfc(r.repRfcLetters, r.repRfcDate, r.repRfcHomoclave, 13, true, r.userType);
    if (!rfc.valid) return rfc;
    if (!r.repName.empty() && !r.repPaternalSurname.empty()) return Verdict::Valid();
    return Verdict::Invalid(CaptureText::MissingRepresentativeName, Field::RepName);
}

}  // namespace

Verdict CheckRfc(std::string_view letters, std::string_view date, std::string_view homoclave,
                 std::size_t expectedLength, bool forRepresentative, UserType userType) {
    const Field lettersBox = forRepresentative        ? Field::RepRfcLetters
                             : IsEntityKind(userType) ? Field::RfcEntityLetters
                                                      : Field::RfcLetters;
    const Field dateBox = forRepresentative ? Field::RepRfcDate : Field::RfcDate;
    const Field homoclaveBox = forRepresentative ? Field::RepRfcHomoclave : Field::RfcHomoclave;

    if (letters.size() + date.size() + homoclave.size() != expectedLength) {
        return Verdict::Invalid(CaptureText::RfcLength, lettersBox);
    }
    const int month = TwoDigitValue(date, 2);
    if (month < 1 || month > 12) return Verdict::Invalid(CaptureText::RfcMonth, dateBox);
    const int day = TwoDigitValue(date, 4);
    if (day < 1 || day > 31) return Verdict::Invalid(CaptureText::RfcDay, dateBox);
    if (homoclave.size() < 3 || !(homoclave[2] == 'A' || IsDigit(homoclave[2]))) {
        return Verdict::Invalid(CaptureText::RfcHomoclave, homoclaveBox);
    }
    return Verdict::Valid();
}

Verdict ValidatePage(const RegistrantRecord& record, int page) {
    if (page < 0 || page >= kPageCount) return Verdict::Valid();
    Verdict lengths = CheckLengths(record, page);
    if (!lengths.valid) return lengths;
    switch (page) {
        case kPagePersonalData:
            return ValidatePersonalData(record);
        case kPageAddress:
            return ValidateAddress(record);
        default:
            return ValidateRepresentative(record);
    }
}

Verdict AcceptCapture(RegistrantRecord& record, int* failedPage) {
    for (int page = 0; page < kPageCount; ++page) {
        Verdict verdict = ValidatePage(record, page);
        if (!verdict.valid) {
            if (failedPage != nullptr) *failedPage = page;
            return verdict;
        }
    }
    CopyEntityRfcLetters(record);
    return Verdict::Valid();
}

std::string TrimBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return std::string();
    const std::size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

void CollapseDoubleSpaces(std::string& text) {
    std::size_t out = 0;
    for (std::size_t in = 0; in < text.size(); ++in) {
        if (text[in] == ' ' && out > 0 && text[out - 1] == ' ') continue;
        text[out++] = text[in];
    }
    text.resize(out);
}

Verdict NormaliseOnLeave(RegistrantRecord& record, Field field, bool required) {
    const FieldInfo* info = FindField(field);
    std::string* text = FieldText(record, field);
    if (info == nullptr || !info->trimmed || text == nullptr) return Verdict::Valid();
    *text = TrimBlanks(*text);
    if (!text->empty()) CollapseDoubleSpaces(*text);
    if (text->empty() && required) return Verdict::Invalid(CaptureText::MissingFieldOnLeave, field);
    return Verdict::Valid();
}

Verdict NormaliseOnLeave(RegistrantRecord& record, Field field) {
    const FieldInfo* info = FindField(field);
    return NormaliseOnLeave(record, field, info != nullptr && info->requiredOnLeave);
}

}  // namespace petitora
