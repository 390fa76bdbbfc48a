// Fuzz harness: the subject Name and the attribute block from fuzzed slot
// contents and lengths, into storage of fuzzed capacity that may already hold
// bytes. The encoding is read back with a DER reader of its own: every filled
// slot appears once, in the documented order, with its type and its bytes
// unchanged. A capacity below the encoding's size fails with 0 and nothing is
// ever written outside the storage or over the bytes already in it.
//
// Input: the slot entries (slot, form, bytes), the attribute flags, the bytes
// already in the buffer, and a capacity pick.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "der/der.h"
#include "der/name.h"
#include "fuzz/support/der_slots.h"
#include "fuzz/support/fuzz_check.h"
#include "fuzz/support/fuzz_input.h"
#include "support/guarded.h"

namespace {

using cerrojo::ByteSpan;
using cerrojo::DerBuffer;
using fuzzsupport::CheckAttributes;
using fuzzsupport::CheckName;
using fuzzsupport::FuzzInput;
using fuzzsupport::ReadSlots;
using Bytes = std::vector<std::uint8_t>;

// Runs encode over storage of capacity bytes that already ends with
// `before`. Returns the encoder's result; *region receives the new bytes.
template <typename EncodeFn>
std::uint32_t Encode(std::uint32_t capacity, const Bytes& before, EncodeFn encode, Bytes* region) {
    dertest::GuardedArea area(capacity);
    DerBuffer buffer;
    cerrojo::DerInit(&buffer, area.data(), capacity);
    if (!before.empty()) {
        FUZZ_CHECK(cerrojo::DerPrependBytes(&buffer,
                                            ByteSpan{const_cast<std::uint8_t*>(before.data()),
                                                     static_cast<std::uint32_t>(before.size())}) ==
                   before.size());
    }
    const std::uint32_t start = buffer.start;
    const std::uint32_t size = encode(&buffer);
    FUZZ_CHECK(area.GuardsIntact());
    FUZZ_CHECK(buffer.start <= buffer.capacity && buffer.capacity == capacity);
    FUZZ_CHECK(std::equal(before.begin(), before.end(), area.data() + capacity - before.size()));
    if (size != 0) {
        FUZZ_CHECK(buffer.start + size == start);
        region->assign(area.data() + buffer.start, area.data() + start);
    }
    return size;
}

// The encoding through a roomy buffer, then through one of the fuzzed
// capacity: it succeeds with the same bytes exactly when they fit.
template <typename Check, typename EncodeFn>
void Sweep(FuzzInput& in, const Bytes& before, std::uint32_t bound, bool encodable, EncodeFn encode,
           Check check) {
    Bytes reference;
    const std::uint32_t size = Encode(bound, before, encode, &reference);
    FUZZ_CHECK((size != 0) == encodable);
    if (size == 0) return;
    FUZZ_CHECK(reference.size() == size);
    check(reference);

    const std::uint32_t needed = size + static_cast<std::uint32_t>(before.size());
    const std::uint8_t pick = in.Byte();
    const std::uint32_t capacity = pick < 96    ? needed - in.Range(0, needed < 16 ? needed : 16)
                                   : pick < 160 ? needed + in.Range(0, 16)
                                                : in.Range(0, needed + 64);
    Bytes region;
    const std::uint32_t fitted =
        capacity < before.size() ? 0 : Encode(capacity, before, encode, &region);
    if (capacity < before.size()) return;
    FUZZ_CHECK(fitted == (capacity >= needed ? size : 0));
    if (fitted != 0) FUZZ_CHECK(region == reference);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    std::vector<Bytes> storage;
    cerrojo::NameSlots names{};
    cerrojo::AttributeSlots attributes{};
    ReadSlots(in, cerrojo::kNameSlotCount, names, storage);
    ReadSlots(in, cerrojo::kAttributeSlotCount, attributes, storage);
    const std::uint8_t flags = in.Byte();
    const int includeChallenge = flags & 1;
    const int contextTagged = (flags >> 1) & 1;
    const Bytes before = in.Sized(40);

    std::uint32_t bound = 64 + static_cast<std::uint32_t>(before.size());
    for (const ByteSpan& s : names) bound += (s.data != nullptr ? s.length : 0) + 48;
    for (const ByteSpan& s : attributes) bound += (s.data != nullptr ? s.length : 0) + 48;

    bool nameEncodable = true;
    for (int slot = 15; slot < cerrojo::kNameSlotCount; ++slot)
        if (names[slot].data != nullptr && names[slot].length != 0) nameEncodable = false;
    Sweep(
        in, before, bound, nameEncodable,
        [&](DerBuffer* b) { return cerrojo::DerPutName(b, names); },
        [&](const Bytes& der) { CheckName(der, names); });

    bool anyAttribute = false;
    for (int slot = 0; slot < 24; ++slot)
        if (attributes[slot].data != nullptr && (slot != 1 || includeChallenge))
            anyAttribute = true;
    const bool attributesEncodable = anyAttribute && attributes[24].data == nullptr;
    Sweep(
        in, before, bound, attributesEncodable,
        [&](DerBuffer* b) {
            const std::uint32_t start = b->start;
            std::uint32_t n;
            if (flags & 4) {
                bool outOfStorage = !attributesEncodable;
                n = cerrojo::DerPutAttributesChecked(b, attributes, includeChallenge, contextTagged,
                                                     &outOfStorage);
                // Running out of storage is told apart from an empty or invalid block.
                FUZZ_CHECK(n == 0 ? outOfStorage == attributesEncodable : !outOfStorage);
            } else {
                n = cerrojo::DerPutAttributes(b, attributes, includeChallenge, contextTagged);
            }
            if (!anyAttribute) FUZZ_CHECK(b->start == start);  // nothing to encode: nothing written
            return n;
        },
        [&](const Bytes& der) {
            CheckAttributes(der, attributes, includeChallenge, contextTagged);
        });
    return 0;
}
