// libFuzzer harness: the whole verification on arbitrary bytes. Input: a
// two-byte big-endian length of the request, the request, then the key file
// (none when the input ends with the request); password "clave de acceso".
// Checked: one line per check (three with a key file, else one), the pair
// checked only when both others could read their file, and nothing a file
// holds reaches the lines as a control character or as an endless value.
// Seed: a 508-bit pair from Cerrojo's builders, which passes every check.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "text/cp1252.h"
#include "fuzz/support/fuzz_check.h"
#include "verification/verification.h"

namespace {

bool Printable(const std::string& line) {
    for (const char c : line) {
        const char32_t codePoint = petitora::Cp1252ToCodePoint(static_cast<unsigned char>(c));
        if (codePoint < 0x20 || (codePoint >= 0x7F && codePoint < 0xA0)) return false;
    }
    return true;
}

}  // namespace

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

    FUZZ_CHECK(report.checks.size() == (key ? 3u : 1u));
    if (key && report.checks[2].state != petitora::CheckState::NotRun) {
        FUZZ_CHECK(!report.contents.empty());  // the request was read
    }
    if (report.AllPassed()) FUZZ_CHECK(!report.contents.empty());
    for (const petitora::ContentLine& line : report.contents) {
        FUZZ_CHECK(line.value.size() <= 203);  // 200 characters and "..."
    }
    for (const std::string& line : petitora::ReportLines(report)) FUZZ_CHECK(Printable(line));
    return 0;
}
