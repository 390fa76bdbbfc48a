// Federal entities, regional offices (A.L.R.), the fixed office-to-state
// table, the optional "Regionales.ini" office list and the office check.
//
// Texts are Windows-1252 bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "capture/registrant.h"

namespace petitora {

inline constexpr int kStateCount = 32;
inline constexpr int kOfficeCount = 69;

// Longest office item, in bytes: two-digit code, blank, name.
inline constexpr std::size_t kMaxOfficeItemLength = 20;

// Limits for "Regionales.ini": a file with more lines or more bytes than this
// is treated as damaged and the built-in list stays.
inline constexpr std::size_t kMaxOfficeFileItems = 1000;
inline constexpr std::size_t kMaxOfficeFileBytes = 1024 * 1024;

// The name the capture dialog looks for in the current directory.
inline constexpr const char* kRegionalOfficesFileName = "Regionales.ini";

struct StateEntry {
    const char* displayName;  // shown in the address page's list
    const char* upperName;    // written into the request
};

// The 32 federal entities, in list order (alphabetical by display name).
extern const StateEntry StateList[kStateCount];

// Display and upper-case name of the state at index; "" outside 0..31.
const char* StateDisplayName(int index);
const char* StateUpperName(int index);

struct OfficeState {
    int code;        // office code, the item's two leading digits
    int stateIndex;  // position in StateList
};

// The 69 offices by ascending code, each with its state. Fixed: loading
// "Regionales.ini" does not change it.
extern const OfficeState OfficeStateTable[kOfficeCount];

// State index of an office code; -1 when the code is not in the table.
int OfficeStateOf(int code);

// The office code of an item: the decimal value of its first two characters,
// read from the leading digits (a non-digit ends it; nothing read gives 0).
int OfficeCode(std::string_view officeItem);

// The items of the office list, always sorted by text (byte order, so by
// code), and the selected one.
struct RegionalOfficeList {
    std::vector<std::string> items;
    std::size_t selection = 0;  // index into items; no selection when items is empty

    // The selected item's text; "" when the list is empty.
    std::string SelectedText() const;
};

// The 69 built-in items ("01 CELAYA" ... "96 D. FEDERAL"), the first selected.
RegionalOfficeList BuiltInRegionalOffices();

// Replaces list with the items of the office file at path (the capture dialog
// passes kRegionalOfficesFileName).
//
// File format: one item per line, each line ended by a line feed; a carriage
// return right before a line feed is dropped (any other carriage return is
// kept as a character). Bytes after the last line feed are ignored. An empty
// line gives an empty item. A line longer than kMaxOfficeItemLength bytes is
// cut to that length. Percent signs and every other byte are taken literally.
//
// Success: list holds the file's items sorted, the first one selected; the
// work area is not touched; returns true.
// Failure: list is left exactly as it was; a NUL-terminated text is composed
// into workArea, cut to workAreaSize - 1 bytes (nothing is written when
// workArea is null or workAreaSize is 0); returns false:
//   - the file cannot be opened, or is not a regular file (a directory, a
//     named pipe, a device: never opened): CaptureText::CannotOpenFile with %1 = path;
//   - the file is empty, has no line feed, holds a NUL byte, cannot be read to
//     its end, has more than kMaxOfficeFileItems lines or more than
//     kMaxOfficeFileBytes bytes: CaptureText::DamagedFile with %1 = path.
// Reads at most kMaxOfficeFileBytes + one read block, keeps at most
// kMaxOfficeFileItems items of kMaxOfficeItemLength bytes.
bool LoadRegionalOffices(const std::string& path, RegionalOfficeList& list, char* workArea,
                         std::size_t workAreaSize);

// The chosen office must belong to the chosen state: valid when the item's
// office code is in OfficeStateTable with stateIndex as its state. Otherwise
// invalid with CaptureText::OfficeStateMismatch and no focus change (the
// address page check moves the focus to the office list itself).
Verdict CheckOfficeMatchesState(std::string_view officeItem, int stateIndex);

// The same over the record's regionalOffice and stateIndex.
Verdict CheckOfficeMatchesState(const RegistrantRecord& record);

}  // namespace petitora
