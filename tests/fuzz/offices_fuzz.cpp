// Fuzz harness: arbitrary bytes as the "Regionales.ini" office file, against
// a model of its format written here: one item per line-feed-ended line, a
// carriage return right before the line feed dropped, items cut to 20 bytes,
// sorted; empty files, files without a line feed, with a NUL byte, with more
// than 1000 lines or more than 1 MiB are damaged. A failed load leaves the
// list as it was and the failure text, cut to the work area, in the work area.
//
// Input: a flag byte (repeat the content to pass the size and line limits),
// a repeat count, a work-area size, then the file's bytes. The file lives in
// the temporary folder, never in the source tree.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "capture/offices.h"
#include "capture/texts.h"
#include "fuzz/support/fuzz_check.h"
#include "fuzz/support/fuzz_input.h"
#include "support/guarded.h"

namespace {

using petitora::RegionalOfficeList;

// One scratch file per fuzzing process, removed when the process ends (a
// plain array, which no destructor tears down before the removal runs).
char gScratchPath[4096];

std::string ScratchPath() {
    if (gScratchPath[0] == '\0') {
        const char* dir = std::getenv("TMPDIR");
        std::snprintf(gScratchPath, sizeof gScratchPath, "%s/offices_fuzz_XXXXXX",
                      dir != nullptr && *dir != '\0' ? dir : "/tmp");
        const int fd = mkstemp(gScratchPath);
        FUZZ_CHECK(fd >= 0);
        close(fd);
        std::atexit([] { std::remove(gScratchPath); });
    }
    return gScratchPath;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    FUZZ_CHECK(file != nullptr);
    FUZZ_CHECK(std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size());
    FUZZ_CHECK(std::fclose(file) == 0);
}

// The items the format gives, or false for a damaged file.
bool Model(const std::string& bytes, std::vector<std::string>* items) {
    items->clear();
    if (bytes.size() > petitora::kMaxOfficeFileBytes) return false;
    if (bytes.find('\0') != std::string::npos) return false;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > petitora::kMaxOfficeItemLength)
            line.resize(petitora::kMaxOfficeItemLength);
        items->push_back(line);
    }
    if (items->empty() || items->size() > petitora::kMaxOfficeFileItems) return false;
    std::sort(items->begin(), items->end());
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzsupport::FuzzInput in(data, size);
    const std::uint8_t flags = in.Byte();
    const std::uint16_t repeat = in.Integer<std::uint16_t>();
    const std::uint32_t areaSize = in.Range(0, 120);
    const std::vector<std::uint8_t> rest = in.Rest();
    std::string bytes(rest.begin(), rest.end());
    if ((flags & 1) && !bytes.empty()) {
        // Up to about 1.1 MiB: past the byte limit, or past 1000 short lines.
        const std::size_t copies =
            std::min<std::size_t>(repeat, (petitora::kMaxOfficeFileBytes + 100000) / bytes.size());
        std::string repeated;
        repeated.reserve(bytes.size() * copies);
        for (std::size_t i = 0; i < copies; ++i) repeated += bytes;
        bytes.swap(repeated);
    }

    const std::string path = ScratchPath();
    WriteFile(path, bytes);
    RegionalOfficeList list = petitora::BuiltInRegionalOffices();
    list.selection = flags % 69;  // any selection beforehand
    const RegionalOfficeList before = list;
    dertest::GuardedArea area(areaSize, 0x5A);
    char* workArea = (flags & 2) ? nullptr : reinterpret_cast<char*>(area.data());

    const bool loaded = petitora::LoadRegionalOffices(path, list, workArea, areaSize);
    FUZZ_CHECK(area.GuardsIntact());
    std::vector<std::string> expected;
    FUZZ_CHECK(loaded == Model(bytes, &expected));
    if (loaded) {
        FUZZ_CHECK(list.items == expected);
        FUZZ_CHECK(list.selection == 0);
        for (std::uint32_t i = 0; i < areaSize; ++i) FUZZ_CHECK(area.data()[i] == 0x5A);
        return 0;
    }
    FUZZ_CHECK(list.items == before.items && list.selection == before.selection);
    if (workArea == nullptr || areaSize == 0) {
        for (std::uint32_t i = 0; i < areaSize; ++i) FUZZ_CHECK(area.data()[i] == 0x5A);
        return 0;
    }
    // The damaged-file text with the path, cut to the area and terminated.
    const std::string text =
        petitora::Format(petitora::Text(petitora::CaptureText::DamagedFile), {path});
    const std::size_t n = std::min<std::size_t>(text.size(), areaSize - 1);
    FUZZ_CHECK(std::memcmp(workArea, text.data(), n) == 0 && workArea[n] == '\0');
    return 0;
}
