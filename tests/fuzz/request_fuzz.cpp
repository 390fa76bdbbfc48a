// Fuzz harness: certification requests from fuzzed name and attribute slots,
// signature algorithms and output capacities, signed with one fixed 512-bit
// key. A request that is built is read back element by element and its
// signature is checked with OpenSSL's arithmetic: the public-key operation
// gives the type-1 block around the DigestInfo of the request info's digest.
// A request is built exactly when the algorithm and the name are valid and
// the request fits both the work area and the output; otherwise the result
// is 1008, the length 0 and the output untouched.
//
// Input: the name and attribute slots, an algorithm pick, a capacity pick.
#define OPENSSL_SUPPRESS_DEPRECATED  // the one-shot low-level digests, MD4 included
#include <openssl/bn.h>
#include <openssl/crypto.h>
#include <openssl/md4.h>
#include <openssl/md5.h>
#include <openssl/sha.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "crypto/digest.h"
#include "der/request.h"
#include "fuzz/support/der_slots.h"
#include "fuzz/support/fuzz_check.h"
#include "fuzz/support/fuzz_input.h"
#include "support/guarded.h"
#include "support/openssl_bn.h"

namespace {

using fuzzsupport::DerChildren;
using fuzzsupport::DerElement;
using fuzzsupport::FuzzInput;
using Bytes = std::vector<std::uint8_t>;

// A 512-bit RSA key made by OpenSSL (e = 65537, p > q).
constexpr const char* kModulus =
    "b9e38c32e604e67b8d13de256c12ab72724348bae79fde568e9a1677e9303936"
    "953984eeb25c863b30bf2f4923ed765f7b9533bcabb12c954172dd009f89ff5f";
constexpr const char* kPrivateExponent =
    "1ace88ca524784a16e9fddda51b2838cf693636aa8ba724ad337bf63bd7a19d5"
    "d8f972b0058658c59e79631b24c9692515ee9b497e8715aa57d4c04f3cdc8d61";
constexpr const char* kPrime1 = "f2d9d34ec79fc6505d7cd066ec51f0314cef2d417ba276a2c3078f58eb6ce9cf";
constexpr const char* kPrime2 = "c3f42ad39ed44eb1b8104c499c8bc9d49a68c6869f9d0c50fcb9419315ee4571";
constexpr const char* kExponent1 =
    "e66a40303dfd5d6700dc9ccb1aabbfaeb72533962edcfd9cfe589cecac2ae147";
constexpr const char* kExponent2 =
    "91ce5433a5027b0fd8532040c1e06e2ce93c3f449aede3e53b37a9e8853007b1";
constexpr const char* kCoefficient =
    "a9179167150aef7208c5ed3f675acc0d038f2e96e9c3d81216f6c84d4568fd81";
constexpr std::uint32_t kModulusLength = 64;

Bytes Hex(const char* hex) {
    long length = 0;
    unsigned char* buffer = OPENSSL_hexstr2buf(hex, &length);
    FUZZ_CHECK(buffer != nullptr);
    Bytes b(buffer, buffer + length);
    OPENSSL_free(buffer);
    return b;
}

// Big-endian hex right-aligned into a field of width bytes.
template <std::size_t N>
void Put(std::uint8_t (&field)[N], const char* hex) {
    const Bytes b = Hex(hex);
    std::fill(field, field + N, 0);
    std::copy(b.begin(), b.end(), field + N - b.size());
}

struct FixedKey {
    cerrojo::RsaPublicKey publicKey{};
    cerrojo::RsaPrivateKey privateKey{};
    FixedKey() {
        publicKey.bits = privateKey.bits = 512;
        Put(publicKey.modulus, kModulus);
        Put(privateKey.modulus, kModulus);
        Put(publicKey.publicExponent, "010001");
        Put(privateKey.publicExponent, "010001");
        Put(privateKey.privateExponent, kPrivateExponent);
        Put(privateKey.prime1, kPrime1);
        Put(privateKey.prime2, kPrime2);
        Put(privateKey.exponent1, kExponent1);
        Put(privateKey.exponent2, kExponent2);
        Put(privateKey.coefficient, kCoefficient);
    }
};

const FixedKey& Key() {
    static const FixedKey key;
    return key;
}

// DigestInfo prefix (RFC 8017) and digest of each signature algorithm.
Bytes ExpectedDigestInfo(cerrojo::AlgorithmId algorithm, const Bytes& data) {
    Bytes digest(20);
    std::uint32_t length = 16;
    const char* prefix;
    switch (algorithm) {
        case 101:  // MD2: OpenSSL has none; the library's own, checked on its vectors
            prefix = "3020300c06082a864886f70d020205000410";
            FUZZ_CHECK(cerrojo::ComputeDigest(digest.data(), &length, data.data(),
                                              static_cast<std::uint32_t>(data.size()), 2) == 0);
            break;
        case 102:
            prefix = "3020300c06082a864886f70d020405000410";
            MD4(data.data(), data.size(), digest.data());
            break;
        case 103:
            prefix = "3020300c06082a864886f70d020505000410";
            MD5(data.data(), data.size(), digest.data());
            break;
        default:
            prefix = "3021300906052b0e03021a05000414";
            SHA1(data.data(), data.size(), digest.data());
            length = 20;
            break;
    }
    Bytes info = Hex(prefix);
    info.insert(info.end(), digest.begin(), digest.begin() + length);
    return info;
}

// signature^e mod n must be 00 01 FF..FF 00 DigestInfo, k bytes long.
void CheckSignature(const Bytes& signature, const Bytes& digestInfo) {
    FUZZ_CHECK(signature.size() == kModulusLength);
    testsupport::Bn s(BN_bin2bn(signature.data(), kModulusLength, nullptr));
    const Bytes modulus = Hex(kModulus);
    testsupport::Bn n(BN_bin2bn(modulus.data(), kModulusLength, nullptr));
    testsupport::Bn e = testsupport::NewBn(), m = testsupport::NewBn();
    BN_set_word(e.get(), 65537);
    FUZZ_CHECK(BN_cmp(s.get(), n.get()) < 0);
    BN_mod_exp(m.get(), s.get(), e.get(), n.get(), testsupport::BnCtx());
    Bytes block(kModulusLength);
    FUZZ_CHECK(BN_bn2binpad(m.get(), block.data(), kModulusLength) == kModulusLength);
    Bytes expected(kModulusLength, 0xFF);
    expected[0] = 0x00;
    expected[1] = 0x01;
    expected[kModulusLength - digestInfo.size() - 1] = 0x00;
    std::copy(digestInfo.begin(), digestInfo.end(), expected.end() - digestInfo.size());
    FUZZ_CHECK(block == expected);
}

Bytes Whole(const DerElement& e) {
    return Bytes(e.start, e.start + e.size);
}

void CheckRequest(const Bytes& request, cerrojo::AlgorithmId algorithm,
                  const cerrojo::NameSlots& names, const cerrojo::AttributeSlots& attributes,
                  bool attributeBlock) {
    FUZZ_CHECK(fuzzsupport::IsWellFormedDer(request.data(), request.size()));
    DerElement top;
    FUZZ_CHECK(fuzzsupport::ReadDerElement(request.data(), request.size(), &top));
    const std::vector<DerElement> parts = DerChildren(top);
    FUZZ_CHECK(top.tag == 0x30 && parts.size() == 3);

    // certificationRequestInfo: version 0, subject, subjectPKInfo, attributes.
    const std::vector<DerElement> info = DerChildren(parts[0]);
    FUZZ_CHECK(parts[0].tag == 0x30 && info.size() == (attributeBlock ? 4u : 3u));
    FUZZ_CHECK(Whole(info[0]) == Hex("020100"));
    fuzzsupport::CheckName(Whole(info[1]), names);
    Bytes keyInfo = Hex("305c300d06092a864886f70d0101010500034b003048024100");
    const Bytes modulus = Hex(kModulus);
    keyInfo.insert(keyInfo.end(), modulus.begin(), modulus.end());
    const Bytes exponent = Hex("0203010001");
    keyInfo.insert(keyInfo.end(), exponent.begin(), exponent.end());
    FUZZ_CHECK(Whole(info[2]) == keyInfo);
    if (attributeBlock) fuzzsupport::CheckAttributes(Whole(info[3]), attributes, 1, 1);

    // signatureAlgorithm { md*WithRSAEncryption or sha1WithRSAEncryption, NULL }.
    Bytes algorithmId = Hex("300d06092a864886f70d0101000500");
    algorithmId[12] = algorithm == 111 ? 0x05 : static_cast<std::uint8_t>(algorithm - 99);
    FUZZ_CHECK(Whole(parts[1]) == algorithmId);

    // signature BIT STRING: no unused bits, then the modulus-length signature.
    FUZZ_CHECK(parts[2].tag == 0x03 && parts[2].length == kModulusLength + 1 &&
               parts[2].contents[0] == 0);
    CheckSignature(Bytes(parts[2].contents + 1, parts[2].contents + parts[2].length),
                   ExpectedDigestInfo(algorithm, Whole(parts[0])));
}

struct Outcome {
    int status;
    std::uint32_t length;
    Bytes request;
};

Outcome Make(std::uint32_t capacity, cerrojo::AlgorithmId algorithm,
             const cerrojo::NameSlots& names, const cerrojo::AttributeSlots& attributes) {
    dertest::GuardedArea output(capacity, 0xEE);
    Outcome o;
    o.length = capacity;
    o.status = cerrojo::MakeCertificationRequest(output.data(), &o.length, algorithm, names,
                                                 &Key().publicKey, &Key().privateKey, attributes);
    FUZZ_CHECK(output.GuardsIntact());
    if (o.status == cerrojo::kRequestOk) {
        FUZZ_CHECK(o.length <= capacity);
        o.request.assign(output.data(), output.data() + o.length);
        for (std::uint32_t i = o.length; i < capacity; ++i) FUZZ_CHECK(output.data()[i] == 0xEE);
    } else {
        FUZZ_CHECK(o.status == cerrojo::kRequestBuildFailed && o.length == 0);
        for (std::uint32_t i = 0; i < capacity; ++i) FUZZ_CHECK(output.data()[i] == 0xEE);
    }
    return o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    std::vector<fuzzsupport::SlotBytes> storage;
    cerrojo::NameSlots names{};
    cerrojo::AttributeSlots attributes{};
    fuzzsupport::ReadSlots(in, cerrojo::kNameSlotCount, names, storage);
    fuzzsupport::ReadSlots(in, cerrojo::kAttributeSlotCount, attributes, storage);
    const std::uint8_t pick = in.Byte();
    const cerrojo::AlgorithmId kSigners[] = {103, 103, 103, 101, 102, 111};
    const cerrojo::AlgorithmId algorithm =
        pick < 240 ? kSigners[pick % 6]
                   : (pick < 250 ? 100 + pick % 13 : in.Integer<std::uint32_t>());
    const bool signer =
        algorithm == 101 || algorithm == 102 || algorithm == 103 || algorithm == 111;

    bool nameValid = true;
    std::uint64_t textBytes = 0, filled = 0;
    for (int slot = 0; slot < cerrojo::kNameSlotCount; ++slot) {
        if (names[slot].data == nullptr || names[slot].length == 0) continue;
        nameValid &= slot < 15;
        textBytes += names[slot].length;
        ++filled;
    }
    bool anyAttribute = false;
    for (int slot = 0; slot < cerrojo::kAttributeSlotCount; ++slot) {
        if (attributes[slot].data == nullptr) continue;
        anyAttribute |= slot < 24;
        textBytes += attributes[slot].length;
        ++filled;
    }
    // A slot 24 without an entry drops the whole attribute block.
    const bool attributeBlock = anyAttribute && attributes[24].data == nullptr;

    // Room beyond any request the work areas can hold.
    const Outcome roomy = Make(cerrojo::kRequestWorkAreaSize + 64, algorithm, names, attributes);
    if (!signer || !nameValid) {
        FUZZ_CHECK(roomy.status == cerrojo::kRequestBuildFailed);
        return 0;
    }
    // Each RDN or attribute adds at most 30 bytes of tags and lengths and the
    // fixed parts (version, key, algorithm, signature, headers) at most 250:
    // anything that small fits the 6144-byte work areas.
    if (textBytes + 30 * filled + 250 <= cerrojo::kRequestWorkAreaSize) {
        FUZZ_CHECK(roomy.status == cerrojo::kRequestOk);
    }
    if (roomy.status != cerrojo::kRequestOk) return 0;
    CheckRequest(roomy.request, algorithm, names, attributes, attributeBlock);

    // Into an output of fuzzed capacity: the same bytes exactly when they fit.
    const std::uint32_t needed = roomy.length;
    const std::uint8_t capacityPick = in.Byte();
    const std::uint32_t capacity = capacityPick < 128   ? needed - in.Range(0, 8)
                                   : capacityPick < 192 ? needed + in.Range(0, 8)
                                                        : in.Range(0, needed + 64);
    const Outcome fitted = Make(capacity, algorithm, names, attributes);
    FUZZ_CHECK((fitted.status == cerrojo::kRequestOk) == (capacity >= needed));
    if (fitted.status == cerrojo::kRequestOk) FUZZ_CHECK(fitted.request == roomy.request);
    return 0;
}
