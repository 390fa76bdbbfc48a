// Test support: heap tracking that keeps freed blocks, and the search of the
// process's memory for copies of secrets (see memory_scan.h).
#include "support/memory_scan.h"

#include <cxxabi.h>
#include <dlfcn.h>
#include <execinfo.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
#define MEMSCAN_ASAN 1
#include <sanitizer/asan_interface.h>
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*)(const volatile void*, size_t),
                                                         void (*)(const volatile void*));
#else
#define MEMSCAN_ASAN 0
#endif

namespace memscan {
namespace {

// --- The table of tracked blocks: open addressing over a private mapping,
// so that tracking never allocates from the heap it tracks. ---

constexpr std::size_t kSlotBits = 21;
constexpr std::size_t kSlots = std::size_t{1} << kSlotBits;
constexpr std::size_t kFrames = 8;
constexpr std::size_t kFreedFlag = std::size_t{1} << 63;

struct Slot {
    std::uintptr_t address;  // 0: empty
    std::size_t size;        // kFreedFlag set: freed and kept
};

struct Tracker {
    Slot* slots;
    void** frames;  // kFrames per slot: where the block was allocated
    std::size_t used;
    bool ready, failed, keepFreed, full, hooked;
};

constinit Tracker tracker{};
constinit std::atomic_flag trackerLock{};
thread_local bool insideHook = false;

class Locked {
  public:
    Locked() {
        while (trackerLock.test_and_set(std::memory_order_acquire)) {
        }
    }
    ~Locked() { trackerLock.clear(std::memory_order_release); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
};

void* MapPrivate(std::size_t bytes) {
    void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    return p == MAP_FAILED ? nullptr : p;
}

bool EnsureTable() {
    if (!tracker.ready && !tracker.failed) {
        tracker.slots = static_cast<Slot*>(MapPrivate(kSlots * sizeof(Slot)));
        tracker.frames = static_cast<void**>(MapPrivate(kSlots * kFrames * sizeof(void*)));
        tracker.ready = tracker.slots != nullptr && tracker.frames != nullptr;
        tracker.failed = !tracker.ready;
    }
    return tracker.ready;
}

std::size_t Home(std::uintptr_t address) {
    return static_cast<std::size_t>(((address >> 4) * 0x9E3779B97F4A7C15ull) >> (64 - kSlotBits));
}

// The slot holding address, or the empty slot where it would go.
std::size_t Probe(std::uintptr_t address) {
    std::size_t i = Home(address);
    while (tracker.slots[i].address != 0 && tracker.slots[i].address != address) {
        i = (i + 1) & (kSlots - 1);
    }
    return i;
}

void Insert(std::uintptr_t address, std::size_t size, void* const* frames, int depth) {
    const std::size_t i = Probe(address);
    if (tracker.slots[i].address == 0) {
        if (tracker.used >= kSlots / 8 * 7) {
            tracker.full = true;
            return;
        }
        ++tracker.used;
    }
    tracker.slots[i] = Slot{address, size};
    void** into = tracker.frames + i * kFrames;
    for (std::size_t f = 0; f < kFrames; ++f) {
        into[f] = static_cast<int>(f) < depth ? frames[f] : nullptr;
    }
}

// Empties slot i and moves later entries of its probe run back into place.
void Erase(std::size_t i) {
    tracker.slots[i].address = 0;
    --tracker.used;
    for (std::size_t j = (i + 1) & (kSlots - 1); tracker.slots[j].address != 0;
         j = (j + 1) & (kSlots - 1)) {
        const std::size_t home = Home(tracker.slots[j].address);
        const bool stays = i <= j ? (i < home && home <= j) : (i < home || home <= j);
        if (stays) continue;
        tracker.slots[i] = tracker.slots[j];
        std::memcpy(tracker.frames + i * kFrames, tracker.frames + j * kFrames,
                    kFrames * sizeof(void*));
        tracker.slots[j].address = 0;
        i = j;
    }
}

void OnAllocate(void* block, std::size_t size) {
    if (block == nullptr) return;
    void* frames[kFrames + 2];
    int depth = 0;
    // Where the block comes from is worth knowing only for blocks of the
    // scanned stretch; the unwinder may allocate once, which comes back here.
    if (!MEMSCAN_ASAN && tracker.keepFreed && !insideHook) {
        insideHook = true;
        depth = ::backtrace(frames, kFrames + 2);
        insideHook = false;
    }
    const int skip = depth > 2 ? 2 : 0;  // this function and the allocator
    Locked locked;
    if (!EnsureTable()) return;
    Insert(reinterpret_cast<std::uintptr_t>(block), size, frames + skip, depth - skip);
}

// True when the block is to be released now.
bool OnRelease(void* block) {
    Locked locked;
    if (!EnsureTable()) return true;
    const auto address = reinterpret_cast<std::uintptr_t>(block);
    const std::size_t i = Probe(address);
    const bool known = tracker.slots[i].address == address;
    if (tracker.keepFreed) {
        if (known) {
            tracker.slots[i].size |= kFreedFlag;
        } else if (!MEMSCAN_ASAN) {
            Insert(address, ::malloc_usable_size(block) | kFreedFlag, nullptr, 0);
        }
        return false;
    }
    if (known) Erase(i);
    return true;
}

#if MEMSCAN_ASAN
void AsanMallocHook(const volatile void* block, size_t size) {
    OnAllocate(const_cast<void*>(block), size);
}
void AsanFreeHook(const volatile void* block) {
    OnRelease(const_cast<void*>(block));
}
__attribute__((constructor)) void InstallHooks() {
    tracker.hooked = __sanitizer_install_malloc_and_free_hooks(AsanMallocHook, AsanFreeHook) != 0;
}
#endif

// --- The vault and the scan's workspace: mappings of their own. ---

struct Area {
    std::uint8_t* base;
    std::size_t size, used;
};

constinit Area vault{};
constexpr std::size_t kVaultSize = std::size_t{8} << 20;

std::uint8_t* Take(Area& area, std::size_t bytes) {
    const std::size_t at = (area.used + 15) & ~std::size_t{15};
    if (area.base == nullptr || bytes > area.size - at) return nullptr;
    area.used = at + bytes;
    return area.base + at;
}

struct VaultRelease {
    ~VaultRelease() {
        if (vault.base == nullptr) return;
        volatile std::uint8_t* bytes = vault.base;
        for (std::size_t i = 0; i < vault.used; ++i) bytes[i] = 0;
        ::munmap(vault.base, vault.size);
    }
} vaultRelease;

// One private anonymous writable mapping.
struct Region {
    std::uintptr_t begin, end;
    bool mainStack, threadStack;
};

struct RawHit {
    std::uintptr_t address;
    std::uint32_t secret, offset;  // offset: bytes into the secret
    std::uint32_t stride;          // 0: the bytes are contiguous
};

// Where the copy holding a hit begins: the address of the secret's byte 0.
std::uintptr_t CopyBase(const RawHit& hit, const std::vector<Secret>& secrets) {
    if (hit.stride == 0) return hit.address - hit.offset;
    return hit.address - hit.offset / secrets[hit.secret].spreadUnit * hit.stride;
}

constexpr std::size_t kMaxStride = 64;

struct Window {
    std::uint32_t prefix, secret, offset;
};

struct Block {
    std::uintptr_t address;
    std::size_t size;
};

constexpr std::size_t kBitmapBits = std::size_t{1} << 24;

std::uint32_t PrefixHash(std::uint32_t prefix) {
    return static_cast<std::uint32_t>((prefix * 0x9E3779B1u) >> 8);
}

// The regions to scan, from /proc/self/maps.
std::size_t ReadRegions(Area& work, Region* regions, std::size_t capacity) {
    const std::size_t textCapacity = std::size_t{4} << 20;
    char* text = reinterpret_cast<char*>(Take(work, textCapacity));
    const int fd = ::open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (fd < 0 || text == nullptr) return 0;
    std::size_t length = 0;
    for (ssize_t n; length < textCapacity - 1 &&
                    (n = ::read(fd, text + length, textCapacity - 1 - length)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        length += static_cast<std::size_t>(n);
    }
    ::close(fd);
    text[length] = '\0';

    std::size_t count = 0;
    std::uintptr_t previousEnd = 0;
    bool previousGuard = false;
    for (char* line = text; *line != '\0' && count < capacity;) {
        char* next = std::strchr(line, '\n');
        if (next != nullptr) *next = '\0';
        unsigned long begin = 0, end = 0, offset = 0, inode = 0;
        char perms[8] = {};
        char device[16] = {};
        int pathAt = 0;
        if (std::sscanf(line, "%lx-%lx %7s %lx %15s %lu %n", &begin, &end, perms, &offset, device,
                        &inode, &pathAt) >= 6) {
            const char* path = line + pathAt;
            const bool anonymous =
                inode == 0 &&
                (*path == '\0' || std::strcmp(path, "[heap]") == 0 ||
                 std::strcmp(path, "[stack]") == 0 || std::strncmp(path, "[anon:", 6) == 0);
            const bool writable = perms[0] == 'r' && perms[1] == 'w' && perms[3] == 'p';
            bool wanted = anonymous && writable && end - begin <= (std::size_t{1} << 30);
#if MEMSCAN_ASAN
            // The sanitizer's shadow memory says which bytes may be used, nothing else.
            if (begin >= 0x7fff8000ul && end <= 0x10007fff8000ul) wanted = false;
#endif
            if (wanted) {
                regions[count++] = Region{begin, end, std::strcmp(path, "[stack]") == 0,
                                          previousGuard && previousEnd == begin};
            }
            previousGuard = perms[0] == '-' && perms[1] == '-' && perms[2] == '-';
            previousEnd = end;
        }
        if (next == nullptr) break;
        line = next + 1;
    }
    return count;
}

// Every window of every secret found in [begin, end).
__attribute__((no_sanitize("address"))) void ScanRange(
    std::uintptr_t begin, std::uintptr_t end, const std::vector<Secret>& secrets,
    const std::uint8_t* bitmap, const Window* windows, std::size_t windowCount, RawHit* hits,
    std::size_t hitCapacity, std::size_t* hitCount) {
    if (end - begin < 4) return;
    for (std::uintptr_t at = begin; at + 4 <= end; ++at) {
        std::uint32_t prefix;
        __builtin_memcpy(&prefix, reinterpret_cast<const void*>(at), 4);
        const std::uint32_t bit = PrefixHash(prefix) & (kBitmapBits - 1);
        if ((bitmap[bit >> 3] & (1u << (bit & 7))) == 0) continue;
        std::size_t low = 0, high = windowCount;
        while (low < high) {
            const std::size_t mid = (low + high) / 2;
            if (windows[mid].prefix < prefix) {
                low = mid + 1;
            } else {
                high = mid;
            }
        }
        for (std::size_t w = low; w < windowCount && windows[w].prefix == prefix; ++w) {
            const Secret& secret = secrets[windows[w].secret];
            if (end - at < secret.window) continue;
            const auto* here = reinterpret_cast<const volatile std::uint8_t*>(at);
            const std::uint8_t* wanted = secret.bytes + windows[w].offset;
            std::size_t same = 0;
            while (same < secret.window && here[same] == wanted[same]) ++same;
            if (same < secret.window) continue;
            if (*hitCount < hitCapacity) {
                hits[*hitCount] = RawHit{at, windows[w].secret, windows[w].offset, 0};
            }
            ++*hitCount;
        }
    }
}

// Secrets whose elements (two bytes each: UTF-16 characters) lie spread
// out at a fixed stride, one per record of an array, as an undo history
// keeps them: runs of window / 2 elements in a row.
__attribute__((no_sanitize("address"))) void ScanSpread(std::uintptr_t begin, std::uintptr_t end,
                                                        const std::vector<Secret>& secrets,
                                                        const std::uint8_t* present, RawHit* hits,
                                                        std::size_t hitCapacity,
                                                        std::size_t* hitCount) {
    // Read here and nowhere else: a helper function would not carry this
    // function's exemption from the sanitizer's checks.
    using Element = const volatile std::uint16_t*;
    for (std::uintptr_t at = (begin + 1) & ~std::uintptr_t{1}; at + 2 <= end; at += 2) {
        const std::uint16_t first = *reinterpret_cast<Element>(at);
        if ((present[first >> 3] & (1u << (first & 7))) == 0) continue;
        for (std::size_t s = 0; s < secrets.size(); ++s) {
            const Secret& secret = secrets[s];
            if (secret.spreadUnit != 2) continue;
            const std::size_t count = secret.length / 2, run = secret.window / 2;
            for (std::size_t i = 0; i + run <= count; ++i) {
                const auto wanted = [&](std::size_t k) {
                    return static_cast<std::uint16_t>(secret.bytes[2 * (i + k)] |
                                                      secret.bytes[2 * (i + k) + 1] << 8);
                };
                if (wanted(0) != first) continue;
                for (std::size_t stride = 4; stride <= kMaxStride; stride += 2) {
                    if ((end - at - 2) / stride < run - 1) break;
                    std::size_t k = 1;
                    while (k < run && *reinterpret_cast<Element>(at + k * stride) == wanted(k)) ++k;
                    if (k < run) continue;
                    if (*hitCount < hitCapacity) {
                        hits[*hitCount] = RawHit{at, static_cast<std::uint32_t>(s),
                                                 static_cast<std::uint32_t>(2 * i),
                                                 static_cast<std::uint32_t>(stride)};
                    }
                    ++*hitCount;
                }
            }
        }
    }
}

Place Classify(std::uintptr_t address, const Region* regions, std::size_t regionCount,
               const Block* blocks, std::size_t blockCount, std::uintptr_t stackPointer,
               Copy* copy) {
    // The last block starting at or below address.
    const Block* after =
        std::upper_bound(blocks, blocks + blockCount, address,
                         [](std::uintptr_t a, const Block& b) { return a < b.address; });
    if (after != blocks) {
        const Block& block = after[-1];
        const std::size_t size = block.size & ~kFreedFlag;
        if (address < block.address + std::max<std::size_t>(size, 1)) {
            copy->block = block.address;
            copy->blockSize = size;
            return (block.size & kFreedFlag) != 0 ? Place::FreedBlock : Place::LiveBlock;
        }
    }
    for (std::size_t r = 0; r < regionCount; ++r) {
        if (address < regions[r].begin || address >= regions[r].end) continue;
        if (regions[r].mainStack)
            return address < stackPointer ? Place::DeadStack : Place::LiveStack;
        if (regions[r].threadStack) return Place::ThreadStack;
    }
    return Place::Other;
}

std::string FrameName(void* frame) {
    Dl_info info{};
    if (::dladdr(frame, &info) == 0) {
        char text[32];
        std::snprintf(text, sizeof text, "%p", frame);
        return text;
    }
    std::string name;
    if (info.dli_sname != nullptr) {
        int status = 0;
        char* demangled = abi::__cxa_demangle(info.dli_sname, nullptr, nullptr, &status);
        name = status == 0 && demangled != nullptr ? demangled : info.dli_sname;
        std::free(demangled);
        if (name.size() > 90) name = name.substr(0, 87) + "...";
    } else {
        const char* module =
            info.dli_fname != nullptr ? std::strrchr(info.dli_fname, '/') : nullptr;
        char text[64];
        std::snprintf(text, sizeof text, "%s+%#lx", module != nullptr ? module + 1 : "?",
                      static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(frame) -
                                                 reinterpret_cast<std::uintptr_t>(info.dli_fbase)));
        name = text;
    }
    return name;
}

}  // namespace

bool Tracking() {
    Locked locked;
    return EnsureTable() && (!MEMSCAN_ASAN || tracker.hooked);
}

void KeepFreedBlocks() {
    void* warmUp[4];
    ::backtrace(warmUp, 4);  // loads the unwinder now, outside any hook
    Locked locked;
    tracker.keepFreed = true;
}

bool TrackerComplete() {
    Locked locked;
    return !tracker.full;
}

std::uint8_t* VaultAllocate(std::size_t bytes) {
    if (vault.base == nullptr) {
        vault.base = static_cast<std::uint8_t*>(MapPrivate(kVaultSize));
        vault.size = vault.base != nullptr ? kVaultSize : 0;
    }
    return Take(vault, bytes);
}

const char* PlaceName(Place place) {
    switch (place) {
        case Place::LiveBlock:
            return "live heap block";
        case Place::FreedBlock:
            return "freed heap block";
        case Place::DeadStack:
            return "stack below the scan (returned frames)";
        case Place::LiveStack:
            return "stack in use";
        case Place::ThreadStack:
            return "another thread's stack";
        case Place::Other:
            return "other anonymous memory";
    }
    return "?";
}

std::vector<Copy> FindCopies(const std::vector<Secret>& secrets) {
    std::vector<Copy> copies;
    copies.reserve(256);
    const std::uintptr_t stackPointer =
        reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));

    std::size_t windowCount = 0;
    for (const Secret& s : secrets) {
        if (s.window >= 4 && s.length >= s.window) windowCount += s.length - s.window + 1;
    }
    const std::size_t regionCapacity = 16384, hitCapacity = 1 << 20;
    std::size_t blockCapacity;
    {
        Locked locked;
        blockCapacity = tracker.ready ? tracker.used + 4096 : 0;
    }
    const std::size_t workSize = (std::size_t{4} << 20) + kBitmapBits / 8 + 65536 / 8 +
                                 windowCount * sizeof(Window) + regionCapacity * sizeof(Region) +
                                 hitCapacity * sizeof(RawHit) + blockCapacity * sizeof(Block) +
                                 (std::size_t{1} << 16);
    Area work{static_cast<std::uint8_t*>(MapPrivate(workSize)), workSize, 0};
    if (work.base == nullptr) return copies;

    auto* bitmap = Take(work, kBitmapBits / 8);
    auto* present = Take(work, 65536 / 8);  // first elements of spread secrets
    bool spread = false;
    auto* windows = reinterpret_cast<Window*>(Take(work, windowCount * sizeof(Window)));
    auto* regions = reinterpret_cast<Region*>(Take(work, regionCapacity * sizeof(Region)));
    auto* hits = reinterpret_cast<RawHit*>(Take(work, hitCapacity * sizeof(RawHit)));
    auto* blocks = reinterpret_cast<Block*>(Take(work, blockCapacity * sizeof(Block)));

    std::size_t w = 0;
    for (std::size_t s = 0; s < secrets.size(); ++s) {
        const Secret& secret = secrets[s];
        if (secret.window < 4 || secret.length < secret.window) continue;
        for (std::size_t offset = 0; offset + secret.window <= secret.length; ++offset) {
            std::uint32_t prefix;
            std::memcpy(&prefix, secret.bytes + offset, 4);
            windows[w++] =
                Window{prefix, static_cast<std::uint32_t>(s), static_cast<std::uint32_t>(offset)};
            const std::uint32_t bit = PrefixHash(prefix) & (kBitmapBits - 1);
            bitmap[bit >> 3] = static_cast<std::uint8_t>(bitmap[bit >> 3] | (1u << (bit & 7)));
        }
    }
    for (const Secret& secret : secrets) {
        if (secret.spreadUnit != 2) continue;
        spread = true;
        for (std::size_t i = 0; i + 1 < secret.length; i += 2) {
            const unsigned e = secret.bytes[i] | secret.bytes[i + 1] << 8;
            present[e >> 3] = static_cast<std::uint8_t>(present[e >> 3] | (1u << (e & 7)));
        }
    }
    std::sort(windows, windows + windowCount,
              [](const Window& a, const Window& b) { return a.prefix < b.prefix; });

    std::size_t blockCount = 0;
    {
        Locked locked;
        for (std::size_t i = 0; tracker.ready && i < kSlots && blockCount < blockCapacity; ++i) {
            if (tracker.slots[i].address != 0) {
                blocks[blockCount++] = Block{tracker.slots[i].address, tracker.slots[i].size};
            }
        }
    }
    std::sort(blocks, blocks + blockCount,
              [](const Block& a, const Block& b) { return a.address < b.address; });

    const std::size_t regionCount = ReadRegions(work, regions, regionCapacity);
    // Never scanned: the vault, this workspace and the tracker's own table.
    const std::pair<std::uintptr_t, std::uintptr_t> skipped[] = {
        {reinterpret_cast<std::uintptr_t>(vault.base),
         reinterpret_cast<std::uintptr_t>(vault.base) + vault.size},
        {reinterpret_cast<std::uintptr_t>(work.base),
         reinterpret_cast<std::uintptr_t>(work.base) + work.size},
        {reinterpret_cast<std::uintptr_t>(tracker.slots),
         reinterpret_cast<std::uintptr_t>(tracker.slots) + kSlots * sizeof(Slot)},
        {reinterpret_cast<std::uintptr_t>(tracker.frames),
         reinterpret_cast<std::uintptr_t>(tracker.frames) + kSlots * kFrames * sizeof(void*)},
    };
    std::size_t hitCount = 0;
    for (std::size_t r = 0; r < regionCount; ++r) {
        // The region minus the skipped ranges, piece by piece.
        std::uintptr_t from = regions[r].begin;
        while (from < regions[r].end) {
            std::uintptr_t to = regions[r].end;
            for (const auto& [skipBegin, skipEnd] : skipped) {
                if (skipBegin == skipEnd) continue;
                if (from >= skipBegin && from < skipEnd) {
                    from = skipEnd;
                    to = from;
                    break;
                }
                if (skipBegin > from && skipBegin < to) to = skipBegin;
            }
            if (to > from) {
                ScanRange(from, to, secrets, bitmap, windows, windowCount, hits, hitCapacity,
                          &hitCount);
                if (spread) ScanSpread(from, to, secrets, present, hits, hitCapacity, &hitCount);
                from = to;
            }
        }
    }
    hitCount = std::min(hitCount, hitCapacity);

    // Windows of one copy share the copy's start (address - offset).
    std::sort(hits, hits + hitCount, [&](const RawHit& a, const RawHit& b) {
        if (a.secret != b.secret) return a.secret < b.secret;
        if (a.stride != b.stride) return a.stride < b.stride;
        const std::uintptr_t baseA = CopyBase(a, secrets), baseB = CopyBase(b, secrets);
        if (baseA != baseB) return baseA < baseB;
        return a.offset < b.offset;
    });
    for (std::size_t i = 0; i < hitCount;) {
        std::size_t j = i + 1;
        const std::uintptr_t base = CopyBase(hits[i], secrets);
        while (j < hitCount && hits[j].secret == hits[i].secret &&
               hits[j].stride == hits[i].stride && CopyBase(hits[j], secrets) == base) {
            ++j;
        }
        Copy copy;
        copy.secret = hits[i].secret;
        copy.stride = hits[i].stride;
        copy.first = hits[i].offset;
        copy.last = hits[j - 1].offset + secrets[copy.secret].window;
        copy.address = hits[i].address;
        copy.place =
            Classify(copy.address, regions, regionCount, blocks, blockCount, stackPointer, &copy);
        copies.push_back(copy);
        i = j;
    }
    ::munmap(work.base, work.size);
    return copies;
}

std::string Describe(const Copy& copy, const std::vector<Secret>& secrets) {
    const Secret& secret = secrets[copy.secret];
    char text[256];
    std::snprintf(text, sizeof text, "%s: bytes %zu..%zu of %zu at %#lx in %s", secret.name.c_str(),
                  copy.first, copy.last, secret.length, static_cast<unsigned long>(copy.address),
                  PlaceName(copy.place));
    std::string line = text;
    if (copy.stride != 0) line += ", one character every " + std::to_string(copy.stride) + " bytes";
    if (copy.place != Place::LiveBlock && copy.place != Place::FreedBlock) return line;
    std::snprintf(text, sizeof text, " (+%lu of %zu bytes)",
                  static_cast<unsigned long>(copy.address - copy.block), copy.blockSize);
    line += text;

    void* frames[kFrames] = {};
    std::size_t depth = 0;
#if MEMSCAN_ASAN
    int thread = 0;
    depth = __asan_get_alloc_stack(reinterpret_cast<void*>(copy.block), frames, kFrames, &thread);
#else
    {
        Locked locked;
        const std::size_t i = Probe(copy.block);
        if (tracker.slots[i].address == copy.block) {
            std::memcpy(frames, tracker.frames + i * kFrames, sizeof frames);
        }
    }
    while (depth < kFrames && frames[depth] != nullptr) ++depth;
#endif
    if (depth > 0) line += ", allocated in";
    for (std::size_t f = 0; f < depth; ++f) line += (f == 0 ? " " : " < ") + FrameName(frames[f]);
    return line;
}

}  // namespace memscan

#if MEMSCAN_ASAN
// The sanitizer's quarantine keeps the freed blocks: large enough for every
// block a test program frees (ASAN_OPTIONS may still set it otherwise).
extern "C" const char* __asan_default_options() {
    return "quarantine_size_mb=2048";
}
#else
// The allocator's entry points, in front of glibc's own (which stay
// reachable under their __libc_ names). Every block is recorded; a freed one
// is released only while freed blocks are not being kept.
extern "C" {
void* __libc_malloc(std::size_t);
void __libc_free(void*);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
void* __libc_valloc(std::size_t);
void* __libc_pvalloc(std::size_t);

void* malloc(std::size_t size) noexcept {
    void* block = __libc_malloc(size);
    memscan::OnAllocate(block, size);
    return block;
}

void free(void* block) noexcept {
    if (block != nullptr && memscan::OnRelease(block)) __libc_free(block);
}

void* calloc(std::size_t count, std::size_t size) noexcept {
    void* block = __libc_calloc(count, size);
    memscan::OnAllocate(block, count * size);
    return block;
}

// Always a new block: the old one is freed (and kept, when blocks are kept)
// with whatever it held, as a moving reallocation leaves it.
void* realloc(void* block, std::size_t size) noexcept {
    if (block == nullptr) return malloc(size);
    if (size == 0) {
        free(block);
        return nullptr;
    }
    void* moved = malloc(size);
    if (moved == nullptr) return nullptr;
    std::memcpy(moved, block, std::min(::malloc_usable_size(block), size));
    free(block);
    return moved;
}

void* memalign(std::size_t alignment, std::size_t size) noexcept {
    void* block = __libc_memalign(alignment, size);
    memscan::OnAllocate(block, size);
    return block;
}

void* aligned_alloc(std::size_t alignment, std::size_t size) noexcept {
    return memalign(alignment, size);
}

int posix_memalign(void** out, std::size_t alignment, std::size_t size) noexcept {
    if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0) return EINVAL;
    void* block = memalign(alignment, size);
    if (block == nullptr) return ENOMEM;
    *out = block;
    return 0;
}

void* valloc(std::size_t size) noexcept {
    void* block = __libc_valloc(size);
    memscan::OnAllocate(block, size);
    return block;
}

void* pvalloc(std::size_t size) noexcept {
    void* block = __libc_pvalloc(size);
    memscan::OnAllocate(block, size);
    return block;
}
}
#endif
