// libFuzzer harness: the PKCS#10 reader and, for what it accepts, the
// signature check, on arbitrary bytes. Seed: a 508-bit request from
// Cerrojo's builder.
#include <cstddef>
#include <cstdint>

#include "der/request_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 0xFFFFFFFFu) return 0;
    cerrojo::ParsedRequest request;
    if (cerrojo::ParseCertificationRequest(data, static_cast<std::uint32_t>(size), &request) ==
        cerrojo::StatusOk) {
        (void)cerrojo::VerifyRequestSignature(&request);
    }
    return 0;
}
