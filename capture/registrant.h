// The registrant record: every captured field of one registrant, the table
// of its boxes (maximum length and input rule), and the verdict that the
// capture rules return.
//
// All text fields hold Windows-1252 bytes; a length is a count of bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "capture/texts.h"
#include "capture/user_type.h"

namespace petitora {

// One box of the capture pages (and the record field behind it).
enum class Field : int {
    None,  // no box: the focus stays where it is
    // page 0, "Usuario"
    RfcEntityLetters,
    RfcLetters,
    RfcDate,
    RfcHomoclave,
    Name,
    PaternalSurname,
    MaternalSurname,
    Email,
    RevocationKey,
    PatenteCpr,
    Curp,
    // page 1, "Domicilio"
    Street,
    ExteriorNumber,
    InteriorNumber,
    Neighbourhood,
    PostalCode,
    Municipality,
    Locality,
    StateIndex,
    RegionalOffice,
    // page 2, "R. Legal"
    RepRfcLetters,
    RepRfcDate,
    RepRfcHomoclave,
    RepName,
    RepPaternalSurname,
    RepMaternalSurname,
    Count
};

inline constexpr int kFieldCount = static_cast<int>(Field::Count);

// Pages of the capture dialog, in tab order.
inline constexpr int kPagePersonalData = 0;
inline constexpr int kPageAddress = 1;
inline constexpr int kPageLegalRepresentative = 2;
inline constexpr int kPageCount = 3;

// How a box treats what is typed into it.
enum class InputRule {
    AsTyped,     // kept exactly as typed
    UpperCase,   // every typed letter becomes upper case
    Digits,      // only 0-9 accepted
    ListChoice,  // chosen from a drop-down list, never typed
};

struct FieldInfo {
    Field field;
    const char* name;       // the record member's name
    int page;               // kPagePersonalData, kPageAddress or kPageLegalRepresentative
    bool isText;            // false only for stateIndex (an integer)
    std::size_t maxLength;  // bytes; 0 for stateIndex
    InputRule rule;
    bool trimmed;          // blanks cleaned when the box is left
    bool requiredOnLeave;  // trimmed boxes only: an empty result is reported
    const char* label;     // box label; nullptr = depends on the kind (see FieldLabel);
                           // "" = no label of its own (second and third RFC boxes)
};

// Every field in Field order (index = static_cast<int>(field) - 1).
const FieldInfo* FieldTable();

// The entry of field; nullptr for Field::None, Field::Count or any other value.
const FieldInfo* FindField(Field field);

// Label of the box of field for this kind ("" when it has none).
const char* FieldLabel(Field field, UserType type);

// Windows-1252 bytes of the registrant. Text fields start empty.
struct RegistrantRecord {
    UserType userType = UserType::PersonaFisica;

    // Personal data.
    std::string rfcEntityLetters;  // 3, upper-case: entity kinds only
    std::string rfcLetters;        // 4, upper-case: other kinds; entity kinds get the copy
    std::string rfcDate;           // 6, digits: yymmdd
    std::string rfcHomoclave;      // 3, upper-case
    std::string name;              // 100, trimmed: given name(s) or business name
    std::string paternalSurname;   // 20, trimmed
    std::string maternalSurname;   // 20
    std::string email;             // 100
    std::string revocationKey;     // 20
    std::string patenteCpr;        // 8
    std::string curp;              // 18

    // Address.
    std::string street;          // 50, trimmed
    std::string exteriorNumber;  // 10, trimmed
    std::string interiorNumber;  // 10, trimmed, optional
    std::string neighbourhood;   // 30, trimmed
    std::string postalCode;      // 5, digits
    std::string municipality;    // 30, trimmed
    std::string locality;        // 30, trimmed, optional
    int stateIndex = 0;          // position in the state list, 0..31
    std::string regionalOffice;  // 20: the chosen office item ("01 CELAYA")

    // Legal representative.
    std::string repRfcLetters;       // 4, upper-case
    std::string repRfcDate;          // 6, digits
    std::string repRfcHomoclave;     // 3, upper-case
    std::string repName;             // 50, trimmed
    std::string repPaternalSurname;  // 20, trimmed
    std::string repMaternalSurname;  // 20
};

// An empty record of this kind: text fields empty, stateIndex 0 and
// regionalOffice the first item of the built-in office list ("01 CELAYA").
RegistrantRecord CreateRegistrantRecord(UserType type);

// The text member behind field; nullptr for StateIndex, None and unknown values.
std::string* FieldText(RegistrantRecord& record, Field field);
const std::string* FieldText(const RegistrantRecord& record, Field field);

// rfcLetters + rfcDate + rfcHomoclave: 13 bytes for a person, 12 for an entity
// kind once CopyEntityRfcLetters has run.
std::string FullRfc(const RegistrantRecord& record);

// repRfcLetters + repRfcDate + repRfcHomoclave.
std::string RepresentativeFullRfc(const RegistrantRecord& record);

// The copy made when "Continuar" succeeds: for entity kinds rfcEntityLetters
// replaces rfcLetters; other kinds are left alone.
void CopyEntityRfcLetters(RegistrantRecord& record);

// What a box of this field keeps of typed text: digits boxes drop everything
// but 0-9, upper-case boxes turn letters (Windows-1252 accented letters
// included) to upper case, and at most the field's maximum is kept.
// List fields and unknown fields return the text cut to the maximum (or as is).
std::string FilterInput(Field field, std::string_view typed);

// Upper case of one Windows-1252 byte (a-z, the accented small letters,
// s/z/oe with caron or ligature, y with diaeresis); other bytes unchanged.
char ToUpperCp1252(char c);

// Outcome of one capture rule. When invalid, the dialog shows message with
// caption in a box with a single OK button and no icon, then puts the focus
// into focus (Field::None: the focus stays where it is).
struct Verdict {
    bool valid = true;
    std::string message;  // Windows-1252; empty when valid
    std::string caption;  // Text(CaptureText::CaptionError) when invalid
    Field focus = Field::None;

    static Verdict Valid() { return Verdict{}; }
    static Verdict Invalid(CaptureText id, Field focus);
    static Verdict Invalid(std::string message, Field focus);
};

}  // namespace petitora
