// Test support: searching the memory a test program owns for copies of
// secrets, to show where a secret outlives the storage that was meant to be
// its only home.
//
// Linking memory_scan.cpp into a test program (only the programs that ask
// for it) tracks every heap block from the start: without AddressSanitizer
// it takes the place of malloc and its relatives (glibc's own allocator does
// the work underneath); with it, it listens through the sanitizer's
// allocation hooks. Once KeepFreedBlocks() is called, a freed block is kept
// as it was, never reused, until the program ends (with AddressSanitizer the
// sanitizer's own quarantine keeps them, made large enough here), so that a
// scan sees what a secret's former storage still held.
//
// FindCopies then reads every private anonymous writable mapping of the
// process (heap, thread stacks, the main stack, anonymous maps) except the
// vault, and reports each place that holds a window (at least `window`
// consecutive bytes) of a secret, classified by what the place is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace memscan {

// True when the allocation tracking is linked in and working.
bool Tracking();

// From now on freed blocks keep their bytes and are not reused.
void KeepFreedBlocks();

// False when more blocks were allocated than the tracker holds (the scan is
// then still made, but some blocks are classified as other memory).
bool TrackerComplete();

// Memory for the test's own copies of the secrets: a mapping apart from the
// heap, never scanned, wiped and released at the end of the program.
// Allocate returns zeroed, 16-byte aligned bytes; the vault is a few MiB.
std::uint8_t* VaultAllocate(std::size_t bytes);

// One secret, its bytes in the vault.
struct Secret {
    std::string name;
    const std::uint8_t* bytes;
    std::size_t length;
    std::size_t window;  // shortest run of its bytes that counts as a copy
    // 2: also look for its two-byte elements (UTF-16 characters) spread out
    // at a fixed stride of up to 64 bytes, one per record of an array (an
    // undo history keeps typed characters so); window / 2 in a row count.
    std::size_t spreadUnit = 0;
};

enum class Place {
    LiveBlock,    // a heap block still allocated
    FreedBlock,   // a heap block freed (and kept) since KeepFreedBlocks()
    DeadStack,    // the calling thread's stack below the scan's own frame
    LiveStack,    // the calling thread's stack in use (the test's frames)
    ThreadStack,  // the stack of another thread, running or ended
    Other,        // any other private anonymous memory
};
const char* PlaceName(Place place);

struct Copy {
    std::size_t secret;       // index into the secrets searched for
    std::size_t first, last;  // bytes [first, last) of the secret found in a row
    std::uintptr_t address;   // where the byte `first` lies
    std::size_t stride = 0;   // for spread copies, the distance between elements
    Place place;
    std::uintptr_t block = 0;  // the heap block's start and size, for blocks
    std::size_t blockSize = 0;
};

// Searches all scanned memory; copies are reported once, merged from their
// windows.
std::vector<Copy> FindCopies(const std::vector<Secret>& secrets);

// One line about a copy, with the frames that allocated its block when they
// are known.
std::string Describe(const Copy& copy, const std::vector<Secret>& secrets);

}  // namespace memscan
