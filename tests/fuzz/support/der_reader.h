// Fuzz support: a strict reader of DER tag-length-value elements, kept apart
// from the writer it checks. It accepts only what DER allows the writer to
// produce: low tag numbers, definite lengths in their shortest form, and
// constructed values exactly filled by their elements.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fuzzsupport {

struct DerElement {
    const std::uint8_t* start = nullptr;     // identifier octet's address
    std::uint8_t tag = 0;                    // identifier octet
    const std::uint8_t* contents = nullptr;  // first contents byte
    std::size_t length = 0;                  // contents length
    std::size_t size = 0;                    // header + contents
};

// One element at the start of data[0..size). False when the identifier is a
// high-tag-number form, the length is indefinite, longer than four bytes or
// not minimal, or the contents run past the end.
inline bool ReadDerElement(const std::uint8_t* data, std::size_t size, DerElement* out) {
    if (size < 2 || (data[0] & 0x1F) == 0x1F) return false;
    std::size_t header = 2;
    std::size_t length = data[1];
    if (length & 0x80) {
        const std::size_t count = length & 0x7F;
        if (count == 0 || count > 4 || size < 2 + count || data[2] == 0) return false;
        length = 0;
        for (std::size_t i = 0; i < count; ++i) length = (length << 8) | data[2 + i];
        if (length < 0x80) return false;  // would have fitted the short form
        header += count;
    }
    if (length > size - header) return false;
    out->start = data;
    out->tag = data[0];
    out->contents = data + header;
    out->length = length;
    out->size = header + length;
    return true;
}

// The elements that exactly fill parent's contents, in order.
inline bool ReadDerChildren(const DerElement& parent, std::vector<DerElement>* children) {
    children->clear();
    std::size_t offset = 0;
    while (offset < parent.length) {
        DerElement child;
        if (!ReadDerElement(parent.contents + offset, parent.length - offset, &child)) return false;
        children->push_back(child);
        offset += child.size;
    }
    return true;
}

// True when data[0..size) is exactly one element and every constructed
// element inside it (identifier bit 0x20) is exactly filled by well-formed
// elements.
inline bool IsWellFormedDer(const std::uint8_t* data, std::size_t size) {
    DerElement element;
    if (!ReadDerElement(data, size, &element) || element.size != size) return false;
    if ((element.tag & 0x20) == 0) return true;
    std::vector<DerElement> children;
    if (!ReadDerChildren(element, &children)) return false;
    for (const DerElement& child : children) {
        if (!IsWellFormedDer(child.start, child.size)) return false;
    }
    return true;
}

}  // namespace fuzzsupport
