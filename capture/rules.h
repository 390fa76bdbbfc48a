// The capture rules: RFC structure, the three page checks and the clean-up
// of a box when the user leaves it.
//
// Nothing here shows a window. Each rule reads only the record (the pages
// copy their boxes into it first) and returns a Verdict: the first failing
// rule gives the message, the caption (CaptureText::CaptionError) and the box that
// gets the focus.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "capture/registrant.h"

namespace petitora {

// Structure of one RFC, given as its three blocks.
//  1. letters + date + homoclave must be exactly expectedLength bytes long
//     (13 for a person, 12 for an entity), else CaptureText::RfcLength, focus on
//     the letters box;
//  2. month (3rd-4th characters of date) within 1..12, else CaptureText::RfcMonth,
//     focus on the date box;
//  3. day (5th-6th characters of date) within 1..31, else CaptureText::RfcDay,
//     focus on the date box (the day is not compared with the month, the year
//     is not tested);
//  4. the homoclave's 3rd character must be "A" or 0-9, else
//     CaptureText::RfcHomoclave, focus on the homoclave box.
// Month and day are read from their leading digits (a non-digit, or a
// character beyond the end of date, ends the number).
// forRepresentative selects the representative's boxes for the focus;
// otherwise userType selects the 3-letter (entity kinds) or 4-letter box.
Verdict CheckRfc(std::string_view letters, std::string_view date, std::string_view homoclave,
                 std::size_t expectedLength, bool forRepresentative, UserType userType);

// The check of one page (kPagePersonalData, kPageAddress,
// kPageLegalRepresentative) over the record. Before the page's own rules, every
// text field of the page that is longer than its maximum is refused with
// CaptureText::TooManyCharacters (%1 = the maximum) and the focus on its box, in
// box order; on the address page a stateIndex outside 0..31 is refused with
// CaptureText::OfficeStateMismatch and the focus on the state list.
// (rfcLetters is not measured for entity kinds, which replace it on
// "Continuar", nor rfcEntityLetters for the other kinds, which never read it.)
// A page number outside 0..2 has nothing to check: valid.
Verdict ValidatePage(const RegistrantRecord& record, int page);

// "Continuar": pages 0, 1 and 2 in this order, stopping at the first invalid
// one (whose verdict is returned, the record untouched, and whose number is
// stored in *failedPage when failedPage is given). When all are valid, makes
// the entity kinds' RFC copy (CopyEntityRfcLetters) and returns valid,
// leaving *failedPage alone.
Verdict AcceptCapture(RegistrantRecord& record, int* failedPage = nullptr);

// Removes leading, then trailing blanks (the space character only; tabs and
// other characters stay).
std::string TrimBlanks(std::string_view text);

// Reduces every run of spaces inside text to one space.
void CollapseDoubleSpaces(std::string& text);

// The clean-up made when the user leaves the box of field (the dialog skips it
// when the window is being closed): trims blanks and, if anything is left,
// collapses inner runs of blanks; then, if the text is empty and required, the
// verdict is CaptureText::MissingFieldOnLeave with the focus back on that box.
// Only this one field changes. Fields that are not cleaned on leaving (see
// FieldInfo::trimmed) are left alone: valid.
Verdict NormaliseOnLeave(RegistrantRecord& record, Field field, bool required);

// The same, with required taken from the field table.
Verdict NormaliseOnLeave(RegistrantRecord& record, Field field);

}  // namespace petitora
