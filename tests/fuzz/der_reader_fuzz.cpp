// libFuzzer harness: the DER reader on arbitrary bytes. DerValidate over the
// whole input, checked against the independent element reader of the fuzz
// support: what one accepts has the other's framing, and where that reader
// finds the framing sound the refusal may only be about tags, contents or
// depth. Then a walk of every element accepted with the reading functions
// (numbers into a small field, bit strings, algorithm identifiers), checking
// that each element lies where it was read and inside its reader's bytes.
// Seeds: a 508-bit request and key file and a PrivateKeyInfo from Cerrojo's
// own builders, and a few small structures.
#include <cstddef>
#include <cstdint>

#include "der/reader.h"
#include "fuzz/support/der_reader.h"
#include "fuzz/support/fuzz_check.h"

namespace {

void Walk(cerrojo::DerReader* reader, int* budget) {
    while (!cerrojo::DerReaderAtEnd(reader) && --*budget > 0) {
        cerrojo::DerReader probe = *reader;
        cerrojo::DerAlgorithm algorithm;
        (void)cerrojo::DerReadAlgorithm(&probe, &algorithm);

        const std::uint8_t* at = reader->data + reader->position;
        cerrojo::DerElement element;
        if (cerrojo::DerReadElement(reader, &element) != cerrojo::StatusOk) return;
        FUZZ_CHECK(element.encoding == at);
        FUZZ_CHECK(element.encodingLength >= element.length + 2);
        FUZZ_CHECK(element.encodingLength <= element.length + 6);
        FUZZ_CHECK(element.contents + element.length == element.encoding + element.encodingLength);
        FUZZ_CHECK(element.encoding + element.encodingLength == reader->data + reader->position);
        FUZZ_CHECK(reader->position <= reader->length);
        FUZZ_CHECK(element.depth == reader->depth && element.depth <= cerrojo::kDerMaxDepth);

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
    const int status = cerrojo::DerValidate(data, length);
    const bool framed = fuzzsupport::IsWellFormedDer(data, size);
    if (status == cerrojo::StatusOk) FUZZ_CHECK(framed);
    if (framed) {
        FUZZ_CHECK(status == cerrojo::StatusOk || status == cerrojo::StatusDerBadTag ||
                   status == cerrojo::StatusDerBadValue || status == cerrojo::StatusDerTooDeep);
    }
    if (status != cerrojo::StatusOk) return 0;
    cerrojo::DerReader reader;
    cerrojo::DerReaderInit(&reader, data, length);
    int budget = 4096;  // elements, so that nested re-reading stays linear enough
    Walk(&reader, &budget);
    return 0;
}
