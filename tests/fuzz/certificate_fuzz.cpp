// libFuzzer harness: the certificate reader on arbitrary bytes, DER or PEM
// (through CertificateFileToDer), checked against OpenSSL: a certificate read
// here is one d2i_X509 reads whole, with the same key, dates, names, serial
// number and signature (CompareWithOpenSsl); what the record points at lies
// inside the bytes read. Seeds: small certificates that OpenSSL issued for
// Cerrojo's 508-bit request (DER, PEM with CR LF), one with a BMPString
// subject, a GeneralizedTime and MD5, an authority's own with SHA-1.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "der/certificate_reader.h"
#include "fuzz/support/fuzz_check.h"
#include "support/x509_certificates.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 2 * cerrojo::kMaxCertificateFile) return 0;
    static std::vector<std::uint8_t> storage(cerrojo::kMaxCertificateFile);
    const std::uint8_t* der = nullptr;
    std::uint32_t length = 0;
    if (cerrojo::CertificateFileToDer(data, static_cast<std::uint32_t>(size), storage.data(),
                                      cerrojo::kMaxCertificateFile, &der, &length) != 0) {
        return 0;
    }
    FUZZ_CHECK(size <= cerrojo::kMaxCertificateFile);
    const std::vector<std::uint8_t> exact(der, der + length);  // a read past it is caught

    cerrojo::ParsedCertificate c;
    if (cerrojo::ParseCertificate(exact.data(), length, &c) != cerrojo::StatusOk) return 0;
    const auto inside = [&exact](const std::uint8_t* start, std::uint32_t n) {
        return start >= exact.data() && start + n <= exact.data() + exact.size();
    };
    FUZZ_CHECK(inside(c.tbs, c.tbsLength) && inside(c.serial, c.serialLength) &&
               inside(c.signatureOid, c.signatureOidLength) && inside(c.signature, c.signatureLength));
    for (const cerrojo::DerName* name : {&c.issuer, &c.subject}) {
        FUZZ_CHECK(inside(name->encoding, name->encodingLength));
        for (std::uint32_t i = 0; i < name->count; ++i) {
            const cerrojo::DerNameAttribute& a = name->attributes[i];
            FUZZ_CHECK(inside(a.type, a.typeLength) && inside(a.value.data, a.value.length));
        }
    }
    const std::string difference = testsupport::CompareWithOpenSsl(c, exact.data(), exact.size());
    if (!difference.empty()) std::fprintf(stderr, "%s\n", difference.c_str());
    FUZZ_CHECK(difference.empty());
    return 0;
}
