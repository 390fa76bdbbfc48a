// Storing the two files of a run as one unit, and finding and repairing a
// store step that a crash or a kill left half done.
//
// A store step holds the folder's lock (FileSystem::LockFolder) from its
// first look at the targets to its last flush, so two runs into one folder
// never interleave. Before its first rename it puts an intent record in the
// folder under kIntentRecordName; from then on a crash at any instant leaves
// either the earlier pair, the new pair, or a record from which RecoverPair
// makes one of the two whole again.
//
// The intent record: text, LF-ended lines, written to a temporary file,
// flushed, then put under its name (never replacing one) and the folder
// flushed:
//   petitora-pair 1
//   request <temporary> <name> <device> <inode>
//   key <temporary> <name> <device> <inode>
//   aside <temporary> <device> <inode>      (only when an earlier request was there)
//   end
// Names are escaped: every byte below 0x21, "%" and 0x7F as "%" and two
// upper-case hexadecimal digits. Device and inode (decimal) are those of the
// temporary file (of the empty place-holder for "aside"): a rename keeps
// them, so the record tells which file each name holds whatever step the
// run reached. The key's rename is the commit point: once the key file of
// the record is under the key's name, recovery completes the change;
// before, it puts the earlier request back and removes the new files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "generation/file_system.h"

namespace petitora {

inline constexpr const char* kIntentRecordName = ".petitora-pair";

// Which file the writing failed on, or why nothing was written.
enum class StoreResult {
    Stored,
    RequestFailed,  // the request could not be written or put in place
    KeyFileFailed,  // the key file could not be written or put in place
    FolderBusy,     // another run kept the folder's lock
    TargetChanged,  // a target is not what it was when the user was asked
};

// The two names of a run and what each stood for when the user was asked:
// the identity he agreed to replace, or nullopt when the name did not exist
// then (it must not exist now either).
struct PairTargets {
    std::string requestName;
    std::string keyName;
    std::optional<FileIdentity> request;
    std::optional<FileIdentity> key;
};

// Writes both files into folder (a handle from FileSystem::OpenFolder) as
// one unit, under the folder's lock:
//  - each target must still be what targets says (same device, inode, size
//    and modification time, or still absent); else TargetChanged, with its
//    name in *problemName, and nothing is touched;
//  - each file goes to a new temporary file beside its target (write, flush,
//    close, all checked);
//  - an empty place-holder is made for an earlier request file, the intent
//    record is written and flushed, the earlier request is moved aside over
//    the place-holder, then the request's temporary is put in place without
//    replacing anything, then the key's (over an earlier key file only when
//    one was agreed to);
//  - the folder is flushed, the moved-aside request and the record are
//    removed and the folder is flushed again.
// On a failure the change is undone as RecoverPair would undo it: the
// earlier pair stays or is put back, and no request whose key is lost ever
// stays under its name. When even that fails, the record stays for the next
// run's RecoverPair, which finishes the undoing. Returns FolderBusy without
// touching anything when another run keeps the lock; temporary files never
// outlive a call that could remove them.
StoreResult StoreFiles(FileSystem& files, int folder, const PairTargets& targets,
                       const std::uint8_t* request, std::uint32_t requestLength,
                       const std::uint8_t* keyFile, std::uint32_t keyFileLength,
                       std::string* problemName = nullptr);

// One file stored the same way (for a file that stands alone, such as an
// export): under the folder's lock, name must still be `replacing` (or
// absent when nullopt); the bytes go to a temporary file (write, flush,
// close), which is put under name (replacing only the agreed file), then the
// folder is flushed. On failure nothing but the temporary file was made, and
// it is removed. Returns Stored, RequestFailed (the writing failed),
// FolderBusy or TargetChanged.
StoreResult StoreOneFile(FileSystem& files, int folder, const std::string& name,
                         const std::optional<FileIdentity>& replacing, const std::uint8_t* data,
                         std::uint32_t length);

// What RecoverPair found and did.
struct RecoveryReport {
    enum class Outcome {
        Nothing,     // no record, no leftovers of a store step
        Pending,     // (report only) a record to complete or undo
        Completed,   // the new pair is in place
        RolledBack,  // the earlier pair (or none) is back
        Failed,      // a step of the repair failed; the record stays
        Busy,        // another run keeps the folder's lock; nothing looked at
    };
    Outcome outcome = Outcome::Nothing;
    std::string requestName, keyName;  // of the record
    // Leftovers that are left alone: a record that cannot be understood or
    // whose files are not where it says, a moved-aside file holding bytes.
    std::vector<std::string> unknown;
};

// Looks for an intent record and leftover temporary files in folder (a
// handle from OpenFolder); only those owned by the user the process runs as
// or by the folder's owner are acted on (a record of another user's is
// named and left alone). Under the folder's lock it completes or undoes
// the recorded change, so that the names hold the whole earlier pair or the
// whole new pair, then removes the record, its files and every temporary
// file of a store step that never reached its record (the folder is flushed
// after each step that counts). With reportOnly it changes nothing, takes
// no lock and says Pending for a record it understands.
RecoveryReport RecoverPair(FileSystem& files, int folder, bool reportOnly = false);

// The one short message (Windows-1252) that tells the user what RecoverPair
// did or found; "" when there is nothing to say.
std::string RecoveryMessage(const RecoveryReport& report);

// The intent record of a store step, and its text (see above). Parse is
// strict: false for anything but the exact format.
struct IntentEntry {
    std::string temporary;
    std::string name;  // "" for the place-holder
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
};
struct IntentRecord {
    using Entry = IntentEntry;
    Entry request, key;
    std::optional<Entry> aside;

    std::string Text() const;
    static bool Parse(const std::string& text, IntentRecord* record);
};

}  // namespace petitora
