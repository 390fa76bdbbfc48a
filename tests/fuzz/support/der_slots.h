// Fuzz support: slot arrays for the Name and the attribute block filled from
// fuzz input, and the checks that read their encodings back.
#pragma once

#include <cstdint>
#include <vector>

#include "der/name.h"
#include "fuzz/support/der_reader.h"
#include "fuzz/support/fuzz_check.h"
#include "fuzz/support/fuzz_input.h"

namespace fuzzsupport {

using cerrojo::ByteSpan;
// The slots point into the byte vectors held in a caller's storage; moving
// those vectors (as a growing std::vector of them does) keeps their bytes.
using SlotBytes = std::vector<std::uint8_t>;

inline std::uint8_t gEmptySlot = 0;  // what a slot with a pointer and length 0 points at

// Fills a few slots of an array of count slots. Forms: bytes from the input
// (the common case), a long run that needs a two- or three-byte DER length,
// a pointer with length 0, a null pointer with a length.
inline void ReadSlots(FuzzInput& in, int count, ByteSpan* slots, std::vector<SlotBytes>& storage) {
    const unsigned entries = in.Range(0, 8);
    for (unsigned e = 0; e < entries; ++e) {
        const int slot = static_cast<int>(in.Range(0, static_cast<std::uint32_t>(count - 1)));
        const std::uint8_t form = in.Byte();
        switch (form % 8) {
            case 0:
                slots[slot] = ByteSpan{&gEmptySlot, 0};
                break;
            case 1:
                slots[slot] = ByteSpan{nullptr, in.Range(1, 300)};
                break;
            case 2: {
                const std::uint32_t length = in.Range(100, 70000);
                storage.emplace_back(length, in.Byte());
                slots[slot] = ByteSpan{storage.back().data(),
                                       static_cast<std::uint32_t>(storage.back().size())};
                break;
            }
            default: {
                storage.push_back(in.Sized(80));
                SlotBytes& b = storage.back();
                slots[slot] = ByteSpan{b.empty() ? &gEmptySlot : b.data(),
                                       static_cast<std::uint32_t>(b.size())};
                break;
            }
        }
    }
}

inline SlotBytes SpanBytes(const ByteSpan& span) {
    return span.length == 0 ? SlotBytes{} : SlotBytes(span.data, span.data + span.length);
}

inline SlotBytes AttributeOid(int (*get)(int, std::uint8_t*), int slot) {
    std::uint8_t octets[9];
    const int n = get(slot, octets);
    FUZZ_CHECK(n > 0);
    return SlotBytes(octets, octets + n);
}

inline SlotBytes ContentBytes(const DerElement& e) {
    return SlotBytes(e.contents, e.contents + e.length);
}

inline std::vector<DerElement> DerChildren(const DerElement& e) {
    std::vector<DerElement> children;
    FUZZ_CHECK(fuzzsupport::ReadDerChildren(e, &children));
    return children;
}

// The Name holds one RDN per filled slot: 0..10, 12..14, then 11.
inline void CheckName(const SlotBytes& der, const cerrojo::NameSlots& slots) {
    FUZZ_CHECK(fuzzsupport::IsWellFormedDer(der.data(), der.size()));
    DerElement name;
    FUZZ_CHECK(fuzzsupport::ReadDerElement(der.data(), der.size(), &name) && name.tag == 0x30);
    std::vector<int> order;
    for (int slot = 0; slot < 15; ++slot)
        if (slot != 11 && slots[slot].data != nullptr && slots[slot].length != 0)
            order.push_back(slot);
    if (slots[11].data != nullptr && slots[11].length != 0) order.push_back(11);
    const std::vector<DerElement> rdns = DerChildren(name);
    FUZZ_CHECK(rdns.size() == order.size());
    for (std::size_t i = 0; i < rdns.size(); ++i) {
        const int slot = order[i];
        FUZZ_CHECK(rdns[i].tag == 0x31);
        const std::vector<DerElement> set = DerChildren(rdns[i]);
        FUZZ_CHECK(set.size() == 1 && set[0].tag == 0x30);
        const std::vector<DerElement> pair = DerChildren(set[0]);
        FUZZ_CHECK(pair.size() == 2 && pair[0].tag == 0x06);
        FUZZ_CHECK(ContentBytes(pair[0]) == AttributeOid(cerrojo::GetNameAttributeOid, slot));
        SlotBytes value = ContentBytes(pair[1]);
        if (slot == 9) {  // BIT STRING with no unused bits
            FUZZ_CHECK(pair[1].tag == 0x03 && !value.empty() && value[0] == 0);
            value.erase(value.begin());
        } else {
            FUZZ_CHECK(pair[1].tag == (slot == 11 ? 0x16 : 0x13));
        }
        FUZZ_CHECK(value == SpanBytes(slots[slot]));
    }
}

// One Attribute { type, SET { value } } per encoded slot, in descending order.
inline void CheckAttributes(const SlotBytes& der, const cerrojo::AttributeSlots& slots,
                            int includeChallenge, int contextTagged) {
    FUZZ_CHECK(fuzzsupport::IsWellFormedDer(der.data(), der.size()));
    DerElement block;
    FUZZ_CHECK(fuzzsupport::ReadDerElement(der.data(), der.size(), &block));
    FUZZ_CHECK(block.tag == (contextTagged ? 0xA0 : 0x31));
    std::vector<int> order;
    for (int slot = 23; slot >= 0; --slot)
        if (slots[slot].data != nullptr && (slot != 1 || includeChallenge)) order.push_back(slot);
    const std::vector<DerElement> attributes = DerChildren(block);
    FUZZ_CHECK(attributes.size() == order.size());
    for (std::size_t i = 0; i < attributes.size(); ++i) {
        const int slot = order[i];
        FUZZ_CHECK(attributes[i].tag == 0x30);
        const std::vector<DerElement> parts = DerChildren(attributes[i]);
        FUZZ_CHECK(parts.size() == 2 && parts[0].tag == 0x06 && parts[1].tag == 0x31);
        FUZZ_CHECK(ContentBytes(parts[0]) == AttributeOid(cerrojo::GetRequestAttributeOid, slot));
        const std::vector<DerElement> values = DerChildren(parts[1]);
        FUZZ_CHECK(values.size() == 1 && values[0].tag == (slot == 0 ? 0x16 : 0x13));
        FUZZ_CHECK(ContentBytes(values[0]) == SpanBytes(slots[slot]));
    }
}

}  // namespace fuzzsupport
