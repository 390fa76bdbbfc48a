// The per-call work areas of the two file builders: every one is zero when it
// is released, on success and on failure, and a failing allocation gives the
// builder's own status. This program replaces the global allocation functions
// to watch the heap blocks the builders ask for.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "der/private_key.h"
#include "der/request.h"
#include "support/sample_request.h"
#include "support/test_keys.h"

namespace {

constexpr int kMaxWatched = 8;
struct Watched {
    void* block;
    std::size_t size;
};
// Plain arrays only: the hooks below must not allocate.
Watched g_watched[kMaxWatched];
bool g_watching = false;
int g_allocations = 0;    // nothrow array allocations seen while watching
int g_failAt = -1;        // index of the allocation that fails, -1 for none
int g_released = 0;       // watched blocks released
int g_releasedDirty = 0;  // of those, blocks with a nonzero byte

void* Allocate(std::size_t size) {
    return std::malloc(size == 0 ? 1 : size);
}

void Release(void* block) {
    if (block == nullptr) return;
    for (Watched& w : g_watched) {
        if (w.block != block) continue;
        const auto* bytes = static_cast<const unsigned char*>(block);
        for (std::size_t i = 0; i < w.size; ++i) {
            if (bytes[i] != 0) {
                ++g_releasedDirty;
                break;
            }
        }
        ++g_released;
        w.block = nullptr;
    }
    std::free(block);
}

}  // namespace

void* operator new(std::size_t size) {
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    if (!g_watching) return Allocate(size);
    const int index = g_allocations++;
    if (index == g_failAt) return nullptr;
    void* p = Allocate(size);
    for (Watched& w : g_watched) {
        if (w.block == nullptr) {
            w = {p, size};
            break;
        }
    }
    // Fill with a pattern so that a missing wipe cannot hide behind fresh zeros.
    if (p != nullptr) std::memset(p, 0xA5, size);
    return p;
}
void operator delete(void* p) noexcept {
    Release(p);
}
void operator delete[](void* p) noexcept {
    Release(p);
}
void operator delete(void* p, std::size_t) noexcept {
    Release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    Release(p);
}

namespace {

using dertest::SampleSlots;
using dertest::TestKey;

void StartWatching(int failAt) {
    std::memset(g_watched, 0, sizeof(g_watched));
    g_allocations = 0;
    g_failAt = failAt;
    g_released = 0;
    g_releasedDirty = 0;
    g_watching = true;
}

void StopWatching() {
    g_watching = false;
}

int Request(std::uint32_t capacity, cerrojo::AlgorithmId algorithm, std::uint32_t* length) {
    const dertest::KeyPair& key = TestKey(508);
    SampleSlots slots;
    static std::uint8_t output[4096];
    *length = capacity;
    return cerrojo::MakeCertificationRequest(output, length, algorithm, slots.name, &key.publicKey,
                                             &key.privateKey, slots.attributes);
}

int KeyFile(std::uint32_t capacity, cerrojo::AlgorithmId algorithm, std::uint32_t* length) {
    const dertest::KeyPair& key = TestKey(508);
    static std::uint8_t output[4096];
    const std::uint8_t password[] = "clave";
    *length = capacity;
    return cerrojo::MakeEncryptedPrivateKey(output, length, algorithm, 0, password, 5,
                                            &key.privateKey);
}

TEST(WorkAreas, RequestAreasAreWipedOnEveryPath) {
    TestKey(508);  // generate outside the watch
    struct Case {
        std::uint32_t capacity;
        cerrojo::AlgorithmId algorithm;
        int status;
    } cases[] = {
        {4096, 103, cerrojo::kRequestOk},
        {100, 103, cerrojo::kRequestBuildFailed},   // request longer than the capacity
        {4096, 105, cerrojo::kRequestBuildFailed},  // not a signature algorithm
    };
    for (const Case& c : cases) {
        std::uint32_t length = 0;
        StartWatching(-1);
        const int status = Request(c.capacity, c.algorithm, &length);
        StopWatching();
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(g_allocations, 2);
        EXPECT_EQ(g_released, 2);
        EXPECT_EQ(g_releasedDirty, 0);
    }
}

TEST(WorkAreas, KeyFileAreasAreWipedOnEveryPath) {
    TestKey(508);
    struct Case {
        std::uint32_t capacity;
        cerrojo::AlgorithmId algorithm;
        int status;
    } cases[] = {
        {4096, 105, cerrojo::kKeyFileOk},
        {100, 105, cerrojo::kKeyFileFailed},
        {4096, 103, cerrojo::kKeyFileFailed},
    };
    for (const Case& c : cases) {
        std::uint32_t length = 0;
        StartWatching(-1);
        const int status = KeyFile(c.capacity, c.algorithm, &length);
        StopWatching();
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(g_allocations, 4);
        EXPECT_EQ(g_released, 4);
        EXPECT_EQ(g_releasedDirty, 0);
    }
}

TEST(WorkAreas, FailingAllocationGivesTheBuildersStatus) {
    TestKey(508);
    for (int failAt = 0; failAt < 2; ++failAt) {
        std::uint32_t length = 0;
        StartWatching(failAt);
        const int status = Request(4096, 103, &length);
        StopWatching();
        EXPECT_EQ(status, cerrojo::kRequestNoMemory);
        EXPECT_EQ(length, 4096u);  // untouched
        EXPECT_EQ(g_released, 1);  // the other area is released, wiped
        EXPECT_EQ(g_releasedDirty, 0);
    }
    for (int failAt = 0; failAt < 4; ++failAt) {
        std::uint32_t length = 0;
        StartWatching(failAt);
        const int status = KeyFile(4096, 105, &length);
        StopWatching();
        EXPECT_EQ(status, cerrojo::kKeyFileFailed);
        EXPECT_EQ(length, 4096u);
        EXPECT_EQ(g_released, 3);
        EXPECT_EQ(g_releasedDirty, 0);
    }
}

}  // namespace
