// Keeping secrets out of crash images.
#pragma once

namespace petitora {

// Turns core dumps off for this process (RLIMIT_CORE 0, and not dumpable,
// which also keeps other processes of the user from attaching to it), so
// that a crash in the middle of a run writes no password or key to disk.
// Called first thing by each program. The sanitizer builds keep the process
// dumpable: their leak checker attaches to it.
void DisableCoreDumps();

}  // namespace petitora
