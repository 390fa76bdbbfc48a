// The readers of the command-line replay: the registrant file (JSON) and the
// mouse-event script. They take bytes or a device, never a file name, so that
// a fuzz harness can feed them anything.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "capture/offices.h"
#include "capture/registrant.h"

namespace petitora::replay {

// The largest registrant file read (a registrant takes well under 2 KB).
inline constexpr qint64 kMaxRegistrantFileSize = qint64{1} << 20;

// Reads device to its end into *bytes. False, after reading no more than
// maxBytes + 1 bytes, when it holds more than maxBytes (a device such as
// /dev/zero never ends).
bool ReadWholeDevice(QIODevice& device, qint64 maxBytes, QByteArray* bytes);

// Reads one registrant from a JSON object whose members are named after the
// fields of RegistrantRecord: "userType" (required) the kind's code 0..6,
// "stateIndex" an integer, every other member a string, converted from
// Unicode to Windows-1252. A missing text field stays empty; a missing
// "regionalOffice" is the first item of offices (the list the capture dialog
// would show). False, with *error naming the member, for malformed JSON, a
// value that is not an object, an unknown member, a wrong type, a number that
// is not an integer in range, or a character that Windows-1252 cannot hold
// (a lone surrogate escape included).
bool ReadRegistrantJson(const QByteArray& json, const RegionalOfficeList& offices,
                        RegistrantRecord* record, std::string* error);

struct MousePosition {
    std::int32_t x;
    std::int32_t y;
};

// One line of the event script (its line feed, and a carriage return before
// it, may be included): Skip for a blank line or one whose first non-blank
// character is "#"; Position for two decimal integers (32-bit, optional
// minus sign) separated by blanks, with blanks allowed around them;
// Malformed for anything else.
enum class EventLine { Skip, Position, Malformed };
EventLine ParseEventLine(QByteArrayView line, MousePosition* position);

// The longest line of the event script, its line feed included.
inline constexpr qint64 kMaxEventLineLength = 4096;

// Reads positions from device, line by line, until maxEvents have been read
// or the device ends; the lines after the last position needed are not read.
// False, with *error giving the line number, at the first malformed line or
// the first line longer than kMaxEventLineLength.
bool ReadEvents(QIODevice& device, std::size_t maxEvents, std::vector<MousePosition>* events,
                std::string* error);

}  // namespace petitora::replay
