// libFuzzer harness: the DER reader on arbitrary bytes. DerValidate over the
// whole input, then a walk of every element it accepted with the reading
// functions (numbers into a small field, bit strings, algorithm identifiers).
// Seeds: a 508-bit request and key file and a PrivateKeyInfo from Cerrojo's
// own builders, and a few small structures.
#include <cstddef>
#include <cstdint>

#include "der/reader.h"

namespace {

void Walk(cerrojo::DerReader* reader, int* budget) {
    while (!cerrojo::DerReaderAtEnd(reader) && --*budget > 0) {
        cerrojo::DerReader probe = *reader;
        cerrojo::DerAlgorithm algorithm;
        (void)cerrojo::DerReadAlgorithm(&probe, &algorithm);

        cerrojo::DerElement element;
        if (cerrojo::DerReadElement(reader, &element) != cerrojo::StatusOk) return;
        std::uint8_t field[16];
        std::uint32_t value;
        const std::uint8_t* bytes;
        std::uint32_t length;
        (void)cerrojo::DerGetUnsigned(&element, field, sizeof(field));
        (void)cerrojo::DerGetUint32(&element, &value);
        (void)cerrojo::DerGetBitString(&element, &bytes, &length);
        (void)cerrojo::DerCheckContents(&element);
        cerrojo::DerReader inner;
        if (cerrojo::DerEnterBitString(&element, &inner) == cerrojo::StatusOk) Walk(&inner, budget);
        if (cerrojo::DerEnter(&element, &inner) == cerrojo::StatusOk) Walk(&inner, budget);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 0xFFFFFFFFu) return 0;
    const std::uint32_t length = static_cast<std::uint32_t>(size);
    if (cerrojo::DerValidate(data, length) != cerrojo::StatusOk) return 0;
    cerrojo::DerReader reader;
    cerrojo::DerReaderInit(&reader, data, length);
    int budget = 4096;  // elements, so that nested re-reading stays linear enough
    Walk(&reader, &budget);
    return 0;
}
