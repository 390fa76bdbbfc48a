#include "generation/pair_store.h"

#include <charconv>
#include <functional>
#include <string_view>

#include "generation/file_names.h"
#include "generation/texts.h"
#include "text/catalogue.h"

namespace petitora {
namespace {

// Name prefixes of the files a store step makes beside its targets.
constexpr std::string_view kStorePrefix = ".petitora-";
constexpr const char* kRequestTempPrefix = ".petitora-req-";
constexpr const char* kKeyTempPrefix = ".petitora-key-";
constexpr const char* kBackupPrefix = ".petitora-old-";
constexpr const char* kRecordTempPrefix = ".petitora-rec-";
constexpr const char* kOneFileTempPrefix = ".petitora-new-";
constexpr std::size_t kMaxRecordSize = 8192;

// Writes data to a new temporary file in folder; every step is checked and
// the temporary file is removed again on failure.
bool WriteTemporary(FileSystem& files, int folder, const char* prefix, const std::uint8_t* data,
                    std::uint32_t length, std::string* name) {
    const int handle = files.CreateTemporary(folder, prefix, name);
    if (handle < 0) return false;
    bool ok = files.Write(handle, data, length) && files.Flush(handle);
    ok = files.Close(handle) && ok;
    if (!ok) files.Remove(folder, *name);
    return ok;
}

// The temporary's identity into entry.
bool Note(FileSystem& files, int folder, const std::string& temporary, const std::string& name,
          IntentRecord::Entry* entry) {
    FileIdentity identity;
    if (!files.Identify(folder, temporary, &identity)) return false;
    *entry = {temporary, name, identity.device, identity.inode};
    return true;
}

// True when name in folder is the file of entry.
bool Holds(FileSystem& files, int folder, const std::string& name,
           const IntentRecord::Entry& entry) {
    FileIdentity identity;
    return files.Identify(folder, name, &identity) && identity.device == entry.device &&
           identity.inode == entry.inode;
}

// A name the record may act on: a plain name of this folder.
bool PlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string::npos;
}

// Makes the recorded change whole (forward once the key is in place, back
// before), removes the record's files and the record, flushing the folder.
// False at the first step that fails: the record then stays.
bool Repair(FileSystem& files, int folder, int lock, const IntentRecord& record,
            RecoveryReport* report) {
    const bool committed = Holds(files, folder, record.key.name, record.key);
    report->outcome =
        committed ? RecoveryReport::Outcome::Completed : RecoveryReport::Outcome::RolledBack;
    report->requestName = record.request.name;
    report->keyName = record.key.name;
    bool ok = true;
    const auto removeIfHeld = [&](const std::string& name, const IntentRecord::Entry& entry) {
        if (ok && Holds(files, folder, name, entry)) ok = files.Remove(folder, name);
    };
    // The moved-aside earlier request: its file is no longer the place-holder.
    FileIdentity asideNow;
    const bool earlierAside =
        record.aside && files.Identify(folder, record.aside->temporary, &asideNow) &&
        !(asideNow.device == record.aside->device && asideNow.inode == record.aside->inode);
    if (committed) {
        // What the renames did is made durable before anything is removed.
        ok = files.FlushFolder(lock);
        if (ok && !Holds(files, folder, record.request.name, record.request)) {
            ok = Holds(files, folder, record.request.temporary, record.request) &&
                 files.Rename(folder, record.request.temporary, record.request.name);
        }
        if (ok && earlierAside) ok = files.Remove(folder, record.aside->temporary);
    } else if (earlierAside) {
        ok = files.Rename(folder, record.aside->temporary, record.request.name);
        // A request whose key is lost never stays under its name, even while
        // the earlier one waits aside for the next recovery.
        if (!ok && Holds(files, folder, record.request.name, record.request)) {
            files.Remove(folder, record.request.name);
        }
    } else {
        removeIfHeld(record.request.name, record.request);
    }
    removeIfHeld(record.request.temporary, record.request);
    removeIfHeld(record.key.temporary, record.key);
    if (record.aside) removeIfHeld(record.aside->temporary, *record.aside);
    ok = ok && files.FlushFolder(lock) && files.Remove(folder, kIntentRecordName) &&
         files.FlushFolder(lock);
    if (!ok) report->outcome = RecoveryReport::Outcome::Failed;
    return ok;
}

bool StartsWith(const std::string& name, std::string_view prefix) {
    return name.compare(0, prefix.size(), prefix) == 0;
}

// Temporary files of store steps that never reached their record: new
// files that were never put anywhere, and empty place-holders, are removed;
// a moved-aside file that holds bytes is named and kept.
void SweepLeftovers(FileSystem& files, int folder, bool reportOnly, RecoveryReport* report,
                    const std::function<bool(const FileIdentity&)>& trusted) {
    std::vector<std::string> names;
    if (!files.ListNames(folder, std::string(kStorePrefix), &names)) return;
    for (const std::string& name : names) {
        FileIdentity identity;
        if (name == kIntentRecordName || !files.Identify(folder, name, &identity) ||
            identity.isDirectory || !trusted(identity)) {
            continue;
        }
        const bool aside = StartsWith(name, kBackupPrefix);
        if (StartsWith(name, kRequestTempPrefix) || StartsWith(name, kKeyTempPrefix) ||
            StartsWith(name, kRecordTempPrefix) || StartsWith(name, kOneFileTempPrefix) ||
            (aside && identity.size == 0)) {
            if (!reportOnly) files.Remove(folder, name);
        } else if (aside) {
            report->unknown.push_back(name);
        }
    }
}

// One escaped name of the record.
void AppendName(std::string* out, const std::string& name) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out->push_back(' ');
    for (const char c : name) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b < 0x21 || b == '%' || b == 0x7F) {
            out->push_back('%');
            out->push_back(kHex[b >> 4]);
            out->push_back(kHex[b & 15]);
        } else {
            out->push_back(c);
        }
    }
}

void AppendNumber(std::string* out, std::uint64_t value) {
    out->push_back(' ');
    out->append(std::to_string(value));
}

bool ReadName(std::string_view field, std::string* name) {
    name->clear();
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '%') {
            name->push_back(field[i]);
            continue;
        }
        unsigned value = 0;
        if (i + 2 >= field.size()) return false;
        const auto [end, status] =
            std::from_chars(field.data() + i + 1, field.data() + i + 3, value, 16);
        if (status != std::errc() || end != field.data() + i + 3) return false;
        name->push_back(static_cast<char>(value));
        i += 2;
    }
    return !name->empty();
}

bool ReadNumber(std::string_view field, std::uint64_t* value) {
    const auto [end, status] = std::from_chars(field.data(), field.data() + field.size(), *value);
    return !field.empty() && status == std::errc() && end == field.data() + field.size();
}

// The space-separated fields of one line.
std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t space = line.find(' ', start);
        fields.push_back(line.substr(start, space - start));
        if (space == std::string_view::npos) return fields;
        start = space + 1;
    }
}

// "<tag> <temporary> [<name>] <device> <inode>"
bool ReadEntry(std::string_view line, std::string_view tag, bool named,
               IntentRecord::Entry* entry) {
    const std::vector<std::string_view> f = Fields(line);
    const std::size_t count = named ? 5 : 4;
    if (f.size() != count || f[0] != tag || !ReadName(f[1], &entry->temporary) ||
        (named && !ReadName(f[2], &entry->name)) || !ReadNumber(f[count - 2], &entry->device) ||
        !ReadNumber(f[count - 1], &entry->inode)) {
        return false;
    }
    return StartsWith(entry->temporary, kStorePrefix) && PlainName(entry->temporary) &&
           (!named || PlainName(entry->name));
}

}  // namespace

std::string IntentRecord::Text() const {
    std::string text = "petitora-pair 1\n";
    for (const auto& [tag, entry] : {std::pair{"request", &request}, std::pair{"key", &key}}) {
        text += tag;
        AppendName(&text, entry->temporary);
        AppendName(&text, entry->name);
        AppendNumber(&text, entry->device);
        AppendNumber(&text, entry->inode);
        text += '\n';
    }
    if (aside) {
        text += "aside";
        AppendName(&text, aside->temporary);
        AppendNumber(&text, aside->device);
        AppendNumber(&text, aside->inode);
        text += '\n';
    }
    return text + "end\n";
}

bool IntentRecord::Parse(const std::string& text, IntentRecord* record) {
    std::vector<std::string_view> lines;
    std::string_view rest = text;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        if (end == std::string_view::npos) return false;
        lines.push_back(rest.substr(0, end));
        rest.remove_prefix(end + 1);
    }
    IntentRecord read;
    if (lines.size() < 4 || lines.size() > 5 || lines.front() != "petitora-pair 1" ||
        lines.back() != "end" || !ReadEntry(lines[1], "request", true, &read.request) ||
        !ReadEntry(lines[2], "key", true, &read.key)) {
        return false;
    }
    if (lines.size() == 5) {
        read.aside.emplace();
        if (!ReadEntry(lines[3], "aside", false, &*read.aside)) return false;
    }
    *record = std::move(read);
    return true;
}

StoreResult StoreFiles(FileSystem& files, int folder, const PairTargets& targets,
                       const std::uint8_t* request, std::uint32_t requestLength,
                       const std::uint8_t* keyFile, std::uint32_t keyFileLength,
                       std::string* problemName) {
    const int lock = files.LockFolder(folder);
    if (lock == FileSystem::kLockBusy) return StoreResult::FolderBusy;
    if (lock < 0) return StoreResult::RequestFailed;
    const auto finish = [&](StoreResult result) {
        files.Close(lock);
        return result;
    };
    // Under the lock, each name must still be what the user was asked about.
    for (const auto& [name, expected] :
         {std::pair{&targets.requestName, &targets.request}, {&targets.keyName, &targets.key}}) {
        FileIdentity now;
        const bool exists = files.Identify(folder, *name, &now);
        if (exists != expected->has_value() || (exists && !(now == **expected))) {
            if (problemName != nullptr) *problemName = *name;
            return finish(StoreResult::TargetChanged);
        }
    }

    IntentRecord record;
    std::string requestTemp, keyTemp, aside, recordTemp;
    if (!WriteTemporary(files, folder, kRequestTempPrefix, request, requestLength, &requestTemp)) {
        return finish(StoreResult::RequestFailed);
    }
    if (!WriteTemporary(files, folder, kKeyTempPrefix, keyFile, keyFileLength, &keyTemp)) {
        files.Remove(folder, requestTemp);
        return finish(StoreResult::KeyFileFailed);
    }
    const auto dropUnpublished = [&](StoreResult result) {
        for (const std::string* name : {&requestTemp, &keyTemp, &aside, &recordTemp}) {
            if (!name->empty()) files.Remove(folder, *name);
        }
        return finish(result);
    };
    bool ready = Note(files, folder, requestTemp, targets.requestName, &record.request) &&
                 Note(files, folder, keyTemp, targets.keyName, &record.key);
    if (ready && targets.request) {
        // The place the earlier request will be moved to, made now so that
        // the record can name it.
        const int handle = files.CreateTemporary(folder, kBackupPrefix, &aside);
        ready = handle >= 0 && files.Close(handle);
        if (handle < 0) aside.clear();
        record.aside.emplace();
        ready = ready && Note(files, folder, aside, "", &*record.aside);
    }
    if (!ready) return dropUnpublished(StoreResult::RequestFailed);
    const std::string text = record.Text();
    if (!WriteTemporary(files, folder, kRecordTempPrefix,
                        reinterpret_cast<const std::uint8_t*>(text.data()),
                        static_cast<std::uint32_t>(text.size()), &recordTemp)) {
        recordTemp.clear();
        return dropUnpublished(StoreResult::RequestFailed);
    }
    if (!files.RenameNew(folder, recordTemp, kIntentRecordName)) {
        return dropUnpublished(StoreResult::RequestFailed);
    }
    recordTemp.clear();

    // From here on the record stands: a failure is undone as recovery would.
    RecoveryReport report;
    const auto undo = [&](StoreResult result) {
        Repair(files, folder, lock, record, &report);
        return finish(result);
    };
    if (!files.FlushFolder(lock)) return undo(StoreResult::RequestFailed);
    if (targets.request && !files.Rename(folder, targets.requestName, aside)) {
        return undo(StoreResult::RequestFailed);
    }
    if (!files.RenameNew(folder, requestTemp, targets.requestName)) {
        return undo(StoreResult::RequestFailed);
    }
    const bool keyPlaced = targets.key ? files.Rename(folder, keyTemp, targets.keyName)
                                       : files.RenameNew(folder, keyTemp, targets.keyName);
    if (!keyPlaced) return undo(StoreResult::KeyFileFailed);
    // The pair is in place; what is left to tidy is left to a later run's
    // recovery when it fails here.
    Repair(files, folder, lock, record, &report);
    return finish(StoreResult::Stored);
}

StoreResult StoreOneFile(FileSystem& files, int folder, const std::string& name,
                         const std::optional<FileIdentity>& replacing, const std::uint8_t* data,
                         std::uint32_t length) {
    const int lock = files.LockFolder(folder);
    if (lock == FileSystem::kLockBusy) return StoreResult::FolderBusy;
    if (lock < 0) return StoreResult::RequestFailed;
    StoreResult result = StoreResult::RequestFailed;
    FileIdentity now;
    const bool exists = files.Identify(folder, name, &now);
    std::string temporary;
    if (exists != replacing.has_value() || (exists && !(now == *replacing))) {
        result = StoreResult::TargetChanged;
    } else if (WriteTemporary(files, folder, kOneFileTempPrefix, data, length, &temporary)) {
        const bool placed = replacing ? files.Rename(folder, temporary, name)
                                      : files.RenameNew(folder, temporary, name);
        if (!placed) files.Remove(folder, temporary);
        if (placed && files.FlushFolder(lock)) result = StoreResult::Stored;
    }
    files.Close(lock);
    return result;
}

RecoveryReport RecoverPair(FileSystem& files, int folder, bool reportOnly) {
    RecoveryReport report;
    int lock = -1;
    if (!reportOnly) {
        lock = files.LockFolder(folder);
        if (lock == FileSystem::kLockBusy) {
            report.outcome = RecoveryReport::Outcome::Busy;
            return report;
        }
        if (lock < 0) return report;
    }
    std::string text;
    const FileSystem::ReadStatus status =
        files.ReadSmallFileIn(folder, kIntentRecordName, kMaxRecordSize, &text);
    // Only a record of this user's is acted on: in a folder that others can
    // write to, theirs could name any file of his, inodes included. One of
    // the folder's owner is taken too: he can rename or remove any entry of
    // it anyway, and a mount that shows every file as one user's shows the
    // folder as his.
    FileIdentity self, owner;
    const bool folderKnown = files.Identify(folder, ".", &self);
    const auto trusted = [&](const FileIdentity& file) {
        return file.ownedByUser || (folderKnown && file.owner == self.owner);
    };
    const bool ours = files.Identify(folder, kIntentRecordName, &owner) && trusted(owner);
    IntentRecord record;
    bool understood = true;
    if (status == FileSystem::ReadStatus::Ok && ours && IntentRecord::Parse(text, &record)) {
        report.requestName = record.request.name;
        report.keyName = record.key.name;
        if (reportOnly) {
            report.outcome = RecoveryReport::Outcome::Pending;
        } else {
            understood = Repair(files, folder, lock, record, &report);
        }
    } else if (files.Exists(folder, kIntentRecordName)) {
        understood = false;
    }
    if (!understood) {
        report.unknown.push_back(kIntentRecordName);
    } else {
        SweepLeftovers(files, folder, reportOnly, &report, trusted);
    }
    if (lock >= 0) files.Close(lock);
    return report;
}

std::string RecoveryMessage(const RecoveryReport& report) {
    using Outcome = RecoveryReport::Outcome;
    const std::string request = FileNameForDisplay(report.requestName);
    const std::string key = FileNameForDisplay(report.keyName);
    std::string message;
    if (report.outcome == Outcome::Completed) {
        message = Format(Text(GenerationText::PairCompleted), {request, key});
    } else if (report.outcome == Outcome::RolledBack) {
        message = Format(Text(GenerationText::PairRolledBack), {request, key});
    } else if (report.outcome == Outcome::Pending) {
        message = Format(Text(GenerationText::PairPending), {request, key});
    }
    for (const std::string& name : report.unknown) {
        if (!message.empty()) message += '\n';
        message += Format(Text(GenerationText::LeftoverUnknown), {FileNameForDisplay(name)});
    }
    return message;
}

}  // namespace petitora
