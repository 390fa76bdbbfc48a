// libFuzzer harness: the PKCS#10 reader and, for what it accepts, the
// signature check, on arbitrary bytes. Checked: what the record points at lies
// inside the input, the key's bit count is its modulus' length, and a request
// whose MD5 or SHA-1 signature verifies here verifies with OpenSSL too (the
// check is never fooled into a pass). Seed: a 508-bit request from Cerrojo's
// builder.
#include <openssl/x509.h>

#include <cstddef>
#include <cstdint>

#include "der/reader.h"
#include "der/request_reader.h"
#include "fuzz/support/fuzz_check.h"

namespace {

bool Inside(const std::uint8_t* start, std::uint32_t length, const std::uint8_t* data,
            std::size_t size) {
    return start >= data && start + length <= data + size;
}

bool OpenSslVerifies(const std::uint8_t* data, std::size_t size) {
    const unsigned char* p = data;
    X509_REQ* request = d2i_X509_REQ(nullptr, &p, static_cast<long>(size));
    const bool ok = request != nullptr && p == data + size &&
                    X509_REQ_verify(request, X509_REQ_get0_pubkey(request)) == 1;
    X509_REQ_free(request);
    return ok;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 0xFFFFFFFFu) return 0;
    cerrojo::ParsedRequest request;
    if (cerrojo::ParseCertificationRequest(data, static_cast<std::uint32_t>(size), &request) !=
        cerrojo::StatusOk) {
        return 0;
    }
    FUZZ_CHECK(Inside(request.info, request.infoLength, data, size));
    FUZZ_CHECK(Inside(request.signature, request.signatureLength, data, size));
    FUZZ_CHECK(Inside(request.signatureOid, request.signatureOidLength, data, size));
    for (const cerrojo::DerValue& value : request.subject) {
        if (value.data != nullptr) FUZZ_CHECK(Inside(value.data, value.length, data, size));
    }
    for (const cerrojo::DerValue& value : request.attributes) {
        if (value.data != nullptr) FUZZ_CHECK(Inside(value.data, value.length, data, size));
    }
    FUZZ_CHECK(request.publicKey.bits ==
               cerrojo::DerBitLength(request.publicKey.modulus, sizeof(request.publicKey.modulus)));

    if (cerrojo::VerifyRequestSignature(&request) != cerrojo::StatusOk) return 0;
    if (request.signatureAlgorithm == cerrojo::kAlgMd5WithRsa ||
        request.signatureAlgorithm == cerrojo::kAlgSha1WithRsa) {
        FUZZ_CHECK(OpenSslVerifies(data, size));
    }
    return 0;
}
