#include "support/testdata.h"

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>

namespace testsupport {

namespace {

std::string Trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

const std::string& VecRecord::Text(const std::string& key) const {
    static const std::string empty;
    auto it = fields.find(key);
    if (it == fields.end()) {
        ADD_FAILURE() << "vector record at line " << line << " has no field " << key;
        return empty;
    }
    return it->second;
}

Bytes VecRecord::Hex(const std::string& key) const {
    return FromHex(Text(key));
}

std::uint64_t VecRecord::Number(const std::string& key) const {
    return std::stoull(Text(key), nullptr, 0);
}

std::vector<VecRecord> ReadVecFile(const std::string& name) {
    std::vector<VecRecord> records;
    const std::string path = std::string(PETITORA_TEST_DATA_DIR) + "/" + name;
    std::ifstream in(path);
    if (!in) {
        ADD_FAILURE() << "cannot open vector file " << path;
        return records;
    }
    std::string section;
    VecRecord current;
    std::string raw;
    int lineNo = 0;
    auto flush = [&] {
        if (!current.fields.empty()) records.push_back(current);
        current = VecRecord{};
    };
    while (std::getline(in, raw)) {
        ++lineNo;
        const std::string line = Trim(raw);
        if (line.empty()) {
            flush();
            continue;
        }
        if (line[0] == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
            flush();
            section = line.substr(1, line.size() - 2);
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos) {
            ADD_FAILURE() << path << ":" << lineNo << ": expected 'Key = value'";
            continue;
        }
        if (current.fields.empty()) {
            current.section = section;
            current.line = lineNo;
        }
        current.fields[Trim(line.substr(0, eq))] = Trim(line.substr(eq + 1));
    }
    flush();
    if (records.empty()) ADD_FAILURE() << "vector file " << path << " holds no records";
    return records;
}

Bytes FromHex(const std::string& hex) {
    Bytes out;
    int high = -1;
    for (char c : hex) {
        if (std::isspace(static_cast<unsigned char>(c))) continue;
        const int v = HexValue(c);
        if (v < 0) {
            ADD_FAILURE() << "bad hex character '" << c << "' in " << hex;
            return {};
        }
        if (high < 0) {
            high = v;
        } else {
            out.push_back(static_cast<std::uint8_t>(high * 16 + v));
            high = -1;
        }
    }
    if (high >= 0) ADD_FAILURE() << "odd number of hex digits in " << hex;
    return out;
}

std::string ToHex(const std::uint8_t* data, std::size_t len) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    s.reserve(len * 2);
    for (std::size_t i = 0; i < len; ++i) {
        s.push_back(digits[data[i] >> 4]);
        s.push_back(digits[data[i] & 15]);
    }
    return s;
}

std::string UpperHex(const std::uint8_t* data, std::size_t len) {
    std::string s = ToHex(data, len);
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string NormHex(const char* hex) {
    return UpperHex(FromHex(hex));
}

}  // namespace testsupport
