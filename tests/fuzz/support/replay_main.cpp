// Runs a fuzz harness, built without libFuzzer, over the files of its seed
// corpus, so the normal builds (and their sanitizers) replay every committed
// input, crash reproducers included. The first argument names the harness,
// the others are files or folders. Every harness is linked in, its
// LLVMFuzzerTestOneInput renamed FuzzOne_<name>; the build lists them in
// PETITORA_FUZZ_HARNESSES as HARNESS(<name>) entries.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#define HARNESS(name) extern "C" int FuzzOne_##name(const std::uint8_t* data, std::size_t size);
PETITORA_FUZZ_HARNESSES
#undef HARNESS

namespace {

using Harness = int (*)(const std::uint8_t* data, std::size_t size);

struct NamedHarness {
    std::string_view name;
    Harness run;
};

#define HARNESS(name) {#name, FuzzOne_##name},
constexpr NamedHarness kHarnesses[] = {PETITORA_FUZZ_HARNESSES};
#undef HARNESS

bool RunFile(Harness harness, const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return false;
    }
    const std::vector<char> bytes{std::istreambuf_iterator<char>(file),
                                  std::istreambuf_iterator<char>()};
    // An area of exactly the input's size, so that a read past its end is
    // caught by the address sanitizer as it would be under the fuzzer.
    std::unique_ptr<std::uint8_t[]> data(new std::uint8_t[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), data.get());
    harness(data.get(), bytes.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Harness harness = nullptr;
    for (const NamedHarness& h : kHarnesses) {
        if (argc > 1 && h.name == argv[1]) harness = h.run;
    }
    if (harness == nullptr) {
        std::fprintf(stderr, "usage: %s HARNESS FILE_OR_FOLDER...\nharnesses:", argv[0]);
        for (const NamedHarness& h : kHarnesses) std::fprintf(stderr, " %s", h.name.data());
        std::fputc('\n', stderr);
        return 2;
    }
    std::size_t count = 0;
    for (int i = 2; i < argc; ++i) {
        std::vector<std::filesystem::path> files;
        std::error_code error;
        if (std::filesystem::is_directory(argv[i], error)) {
            for (const auto& entry : std::filesystem::directory_iterator(argv[i], error)) {
                if (entry.is_regular_file()) files.push_back(entry.path());
            }
            std::sort(files.begin(), files.end());
        } else {
            files.emplace_back(argv[i]);
        }
        for (const auto& path : files) {
            if (!RunFile(harness, path)) return 1;
            ++count;
        }
    }
    std::printf("%zu inputs replayed\n", count);
    return count == 0 ? 1 : 0;  // an empty or missing corpus is a broken test
}
