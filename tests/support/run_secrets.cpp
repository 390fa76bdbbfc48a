#include "support/run_secrets.h"

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "text/cp1252.h"

extern char** environ;

namespace secretscan {
namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes Reversed(Bytes bytes) {
    std::uint8_t* at = memscan::VaultAllocate(bytes.length);
    for (std::size_t i = 0; i < bytes.length; ++i) at[i] = bytes.data[bytes.length - 1 - i];
    return {at, bytes.length};
}

// Runs `openssl args...` with input on its standard input; its standard
// output goes straight into the vault. Returns what it wrote.
Bytes OpenSsl(std::vector<std::string> args, const std::vector<Bytes>& input) {
    int in[2], out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    for (int fd : {in[0], in[1], out[0], out[1]}) posix_spawn_file_actions_addclose(&actions, fd);
    args.insert(args.begin(), "openssl");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t child = -1;
    const int spawned = ::posix_spawnp(&child, "openssl", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    for (const Bytes& part : input) {
        if (spawned == 0 &&
            ::write(in[1], part.data, part.length) != static_cast<ssize_t>(part.length)) {
            break;
        }
    }
    ::close(in[1]);
    constexpr std::size_t kCapacity = 8192;
    std::uint8_t* into = memscan::VaultAllocate(kCapacity);
    std::size_t length = 0;
    for (ssize_t n; spawned == 0 && (n = ::read(out[0], into + length, kCapacity - length)) > 0;) {
        length += static_cast<std::size_t>(n);
    }
    ::close(out[0]);
    int status = -1;
    if (spawned == 0) ::waitpid(child, &status, 0);
    EXPECT_EQ(status, 0) << "openssl " << args[1];
    return {into, status == 0 ? length : 0};
}

// The contents of the next DER element of `in` with this identifier, moving
// past it; empty when it is not there.
Bytes Next(Bytes* in, std::uint8_t identifier) {
    if (in->length < 2 || in->data[0] != identifier) return {};
    std::size_t length = in->data[1], header = 2;
    if (length & 0x80) {
        const std::size_t octets = length & 0x7F;
        if (octets == 0 || octets > 3 || in->length < 2 + octets) return {};
        length = 0;
        for (std::size_t i = 0; i < octets; ++i) length = length << 8 | in->data[2 + i];
        header += octets;
    }
    if (in->length - header < length) return {};
    const Bytes contents{in->data + header, length};
    in->data += header + length;
    in->length -= header + length;
    return contents;
}

Bytes Unsigned(Bytes integer) {
    while (integer.length > 1 && integer.data[0] == 0) ++integer.data, --integer.length;
    return integer;
}

}  // namespace

Bytes VaultCopy(const void* data, std::size_t length) {
    std::uint8_t* at = memscan::VaultAllocate(length);
    std::memcpy(at, data, length);
    return {at, length};
}

void RunSecrets::Add(const std::string& name, Bytes bytes, std::size_t window) {
    EXPECT_GE(bytes.length, window) << name;
    list_.push_back({name, bytes.data, bytes.length, window});
}

void RunSecrets::AddText(const std::string& name, Bytes cp1252) {
    Add(name + " (Windows-1252)", cp1252, 8);
    const std::string_view text(reinterpret_cast<const char*>(cp1252.data), cp1252.length);
    std::uint8_t* utf8 = memscan::VaultAllocate(3 * cp1252.length);
    std::uint8_t* utf16 = memscan::VaultAllocate(2 * cp1252.length);
    std::size_t utf8Length = 0;
    for (std::size_t i = 0; i < cp1252.length; ++i) {
        const char32_t c = petitora::Cp1252ToCodePoint(static_cast<unsigned char>(text[i]));
        utf16[2 * i] = static_cast<std::uint8_t>(c);
        utf16[2 * i + 1] = static_cast<std::uint8_t>(c >> 8);
        if (c < 0x80) {
            utf8[utf8Length++] = static_cast<std::uint8_t>(c);
        } else if (c < 0x800) {
            utf8[utf8Length++] = static_cast<std::uint8_t>(0xC0 | c >> 6);
            utf8[utf8Length++] = static_cast<std::uint8_t>(0x80 | (c & 0x3F));
        } else {
            utf8[utf8Length++] = static_cast<std::uint8_t>(0xE0 | c >> 12);
            utf8[utf8Length++] = static_cast<std::uint8_t>(0x80 | (c >> 6 & 0x3F));
            utf8[utf8Length++] = static_cast<std::uint8_t>(0x80 | (c & 0x3F));
        }
    }
    Add(name + " (UTF-8)", {utf8, utf8Length}, 8);
    Add(name + " (UTF-16)", {utf16, 2 * cp1252.length}, 16);
    list_.back().spreadUnit = 2;
}

// Reads the key file back with OpenSSL, in a process of its own, to learn
// the numbers and the encryption key to search for.
void RunSecrets::AddKeyFile(const std::string& keyPath, Bytes password) {
    const std::string file = ReadFile(keyPath);
    Bytes outer{reinterpret_cast<const std::uint8_t*>(file.data()), file.size()};
    Bytes sealed = Next(&outer, 0x30);
    Bytes algorithm = Next(&sealed, 0x30);
    Next(&algorithm, 0x06);
    Bytes parameters = Next(&algorithm, 0x30);
    const Bytes salt = Next(&parameters, 0x04);
    const Bytes count = Next(&parameters, 0x02);
    ASSERT_EQ(salt.length, 8u);
    ASSERT_TRUE(count.length == 1 && count.data[0] == 1) << "one digest of the password";

    const Bytes keyAndIv =
        OpenSsl({"dgst", "-md5", "-binary"}, {password, VaultCopy(salt.data, salt.length)});
    ASSERT_EQ(keyAndIv.length, 16u);
    Add("DES key and IV", keyAndIv, 8);
    std::uint8_t* parity = memscan::VaultAllocate(8);
    for (int i = 0; i < 8; ++i) {
        parity[i] = static_cast<std::uint8_t>(keyAndIv.data[i] & 0xFE);
        parity[i] |= static_cast<std::uint8_t>(__builtin_parity(parity[i]) ^ 1);
    }
    Add("DES key (odd parity)", {parity, 8}, 8);

    const std::uint8_t newline = '\n';
    const Bytes info = OpenSsl({"pkcs8", "-inform", "DER", "-outform", "DER", "-in", keyPath,
                                "-passin", "stdin", "-provider", "legacy", "-provider", "default"},
                               {password, {&newline, 1}});
    Bytes whole = info;
    Bytes sequence = Next(&whole, 0x30);
    Next(&sequence, 0x02);                                  // version
    if (sequence.length > 0 && sequence.data[0] == 0x30) {  // PrivateKeyInfo
        Next(&sequence, 0x30);
        Bytes octets = Next(&sequence, 0x04);
        sequence = Next(&octets, 0x30);
        Next(&sequence, 0x02);
    }
    const Bytes modulus = Unsigned(Next(&sequence, 0x02));
    ASSERT_EQ(modulus.length, 128u) << "a 1,024-bit key";
    Next(&sequence, 0x02);  // public exponent
    for (const char* name :
         {"private exponent", "prime 1", "prime 2", "exponent 1", "exponent 2", "coefficient"}) {
        const Bytes number = Unsigned(Next(&sequence, 0x02));
        ASSERT_GE(number.length, 60u) << name;
        Add(name, number, 16);
        Add(std::string(name) + " (digits)", Reversed(number), 16);
    }
}

std::vector<std::string> RunSecrets::Describe(const std::vector<memscan::Copy>& copies,
                                              std::size_t from, std::size_t to) const {
    std::vector<std::string> lines;
    for (const memscan::Copy& copy : copies) {
        if (copy.secret >= from && copy.secret < to)
            lines.push_back(memscan::Describe(copy, list_));
    }
    return lines;
}

}  // namespace secretscan
