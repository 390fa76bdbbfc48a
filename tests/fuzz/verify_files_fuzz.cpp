// libFuzzer harness: the whole verification on arbitrary bytes. Input: a
// two-byte big-endian length of the request, the request, then the key file
// (none when the input ends with the request); password "clave de acceso".
// Seed: a 508-bit pair from Cerrojo's builders, which passes every check.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "generation/verification.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::size_t requestLength = static_cast<std::size_t>(data[0]) << 8 | data[1];
    if (size - 2 < requestLength) return 0;
    const std::string_view all(reinterpret_cast<const char*>(data + 2), size - 2);
    const std::string_view request = all.substr(0, requestLength);
    std::optional<std::string_view> key;
    if (all.size() > requestLength) key = all.substr(requestLength);
    const petitora::VerificationReport report =
        petitora::VerifyFiles(request, key, "clave de acceso");
    (void)petitora::ReportLines(report);
    return 0;
}
