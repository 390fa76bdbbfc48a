// The one reader of a password line on standard input, shared by the
// command-line programs.
#pragma once

#include <cstddef>

namespace petitora {

enum class PasswordLineStatus { Ok, TooLong, ReadError };

// Reads one line from the descriptor fd into out (capacity bytes), one byte
// per read so that no buffer of a stream holds a copy. A trailing LF, or CR
// LF, ends the line and is not part of it; the end of input ends it too (a
// CR there stays). At most capacity + 2 bytes are read: a longer line is
// TooLong, so a device that never ends (/dev/zero) still ends the read.
// *length is the line's length (what was stored, also on failure).
PasswordLineStatus ReadPasswordLine(int fd, char* out, std::size_t capacity, std::size_t* length);

}  // namespace petitora
