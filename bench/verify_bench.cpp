// Reading back one enrolment's two files: the whole verification of a
// request and its key file, its two halves, and beside them OpenSSL's
// X509_REQ_verify and PKCS#8 decryption of the same files in the same run.
// Keys made by Cerrojo's own generator from a fixed seed.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench_files.h"
#include "crypto/pbe.h"
#include "crypto/rsa.h"
#include "der/key_reader.h"
#include "der/private_key.h"
#include "der/request.h"
#include "der/request_reader.h"
#include "support/openssl_legacy.h"
#include "verification/verification.h"

namespace {

const std::string kPassword = "clave de acceso 2026";

struct Files {
    std::string request;
    std::string key;
};

// The request (md5WithRSAEncryption) and key file (pbeWithMD5AndDES-CBC) of a key pair.
const Files* FilesOf(std::uint32_t bits) {
    static std::map<std::uint32_t, std::unique_ptr<Files>> cache;
    auto& slot = cache[bits];
    if (!slot) {
        const benchfiles::Keys* keys = benchfiles::KeysOf(bits);
        if (keys == nullptr) return nullptr;
        benchfiles::Slots slots;
        std::uint8_t output[4096];
        std::uint32_t length = sizeof(output);
        if (cerrojo::MakeCertificationRequest(output, &length, 103, slots.name, &keys->publicKey,
                                              &keys->privateKey,
                                              slots.attributes) != cerrojo::kRequestOk) {
            return nullptr;
        }
        auto files = std::make_unique<Files>();
        files->request.assign(reinterpret_cast<char*>(output), length);
        length = sizeof(output);
        if (cerrojo::MakeEncryptedPrivateKey(
                output, &length, 105, 0, reinterpret_cast<const std::uint8_t*>(kPassword.data()),
                static_cast<std::uint32_t>(kPassword.size()), &keys->privateKey) != 0) {
            return nullptr;
        }
        files->key.assign(reinterpret_cast<char*>(output), length);
        if (!petitora::VerifyFiles(files->request, files->key, kPassword).AllPassed()) {
            return nullptr;
        }
        slot = std::move(files);
    }
    return slot.get();
}

const std::uint8_t* Bytes(const std::string& s) {
    return reinterpret_cast<const std::uint8_t*>(s.data());
}

void BM_VerifyFiles(benchmark::State& state) {
    const Files* files = FilesOf(static_cast<std::uint32_t>(state.range(0)));
    if (files == nullptr) return state.SkipWithError("the files could not be made");
    for (auto _ : state) {
        benchmark::DoNotOptimize(petitora::VerifyFiles(files->request, files->key, kPassword));
    }
}
BENCHMARK(BM_VerifyFiles)->Arg(1024)->Arg(2048)->Unit(benchmark::kMillisecond);

void BM_VerifyRequest(benchmark::State& state) {
    const Files* files = FilesOf(static_cast<std::uint32_t>(state.range(0)));
    if (files == nullptr) return state.SkipWithError("the files could not be made");
    for (auto _ : state) {
        cerrojo::ParsedRequest request;
        int status = cerrojo::ParseCertificationRequest(
            Bytes(files->request), static_cast<std::uint32_t>(files->request.size()), &request);
        if (status == 0) status = cerrojo::VerifyRequestSignature(&request);
        if (status != 0) return state.SkipWithError("not verified");
    }
}
BENCHMARK(BM_VerifyRequest)->Arg(2048)->Unit(benchmark::kMillisecond);

void BM_OpenKeyFile(benchmark::State& state) {
    const Files* files = FilesOf(static_cast<std::uint32_t>(state.range(0)));
    if (files == nullptr) return state.SkipWithError("the files could not be made");
    std::vector<std::uint8_t> plain(files->key.size());
    for (auto _ : state) {
        cerrojo::ParsedKeyFile file;
        cerrojo::RsaPrivateKey key;
        cerrojo::ByteSpan span{plain.data(), 0};
        int status = cerrojo::ParseEncryptedPrivateKey(
            Bytes(files->key), static_cast<std::uint32_t>(files->key.size()), &file);
        if (status == 0) {
            status = cerrojo::PbeDecrypt(
                file.ciphertext, file.ciphertextLength, &span, file.algorithm, file.iterations,
                file.salt, Bytes(kPassword), static_cast<std::uint32_t>(kPassword.size()));
        }
        if (status == 0) status = cerrojo::ParsePrivateKeyInfo(span.data, span.length, &key);
        if (status == 0) status = cerrojo::RsaCheckPrivateKey(&key);
        if (status != 0) return state.SkipWithError("not opened");
    }
}
BENCHMARK(BM_OpenKeyFile)->Arg(2048)->Unit(benchmark::kMillisecond);

// OpenSSL: d2i_X509_REQ and X509_REQ_verify with the request's own key.
bool OpenSslVerify(const std::string& der) {
    const unsigned char* p = Bytes(der);
    X509_REQ* req = d2i_X509_REQ(nullptr, &p, static_cast<long>(der.size()));
    const bool ok = req != nullptr && X509_REQ_verify(req, X509_REQ_get0_pubkey(req)) == 1;
    X509_REQ_free(req);
    return ok;
}

// OpenSSL: d2i of the EncryptedPrivateKeyInfo, PKCS8_decrypt, the key taken out.
bool OpenSslDecrypt(const std::string& der) {
    if (!testsupport::LoadLegacyProviders()) return false;
    const unsigned char* p = Bytes(der);
    X509_SIG* sig = d2i_X509_SIG(nullptr, &p, static_cast<long>(der.size()));
    PKCS8_PRIV_KEY_INFO* info =
        sig != nullptr ? PKCS8_decrypt(sig, kPassword.data(), static_cast<int>(kPassword.size()))
                       : nullptr;
    EVP_PKEY* key = info != nullptr ? EVP_PKCS82PKEY(info) : nullptr;
    const bool ok = key != nullptr;
    EVP_PKEY_free(key);
    PKCS8_PRIV_KEY_INFO_free(info);
    X509_SIG_free(sig);
    return ok;
}

void BM_OpenSslReqVerify(benchmark::State& state) {
    const Files* files = FilesOf(static_cast<std::uint32_t>(state.range(0)));
    if (files == nullptr) return state.SkipWithError("the files could not be made");
    for (auto _ : state) {
        if (!OpenSslVerify(files->request)) return state.SkipWithError("OpenSSL did not verify");
    }
}
BENCHMARK(BM_OpenSslReqVerify)->Arg(2048)->Unit(benchmark::kMillisecond);

void BM_OpenSslPkcs8Decrypt(benchmark::State& state) {
    const Files* files = FilesOf(static_cast<std::uint32_t>(state.range(0)));
    if (files == nullptr) return state.SkipWithError("the files could not be made");
    for (auto _ : state) {
        if (!OpenSslDecrypt(files->key)) return state.SkipWithError("OpenSSL did not decrypt");
    }
}
BENCHMARK(BM_OpenSslPkcs8Decrypt)->Arg(2048)->Unit(benchmark::kMillisecond);

// Both OpenSSL steps together, to set beside BM_VerifyFiles.
void BM_OpenSslBoth(benchmark::State& state) {
    const Files* files = FilesOf(static_cast<std::uint32_t>(state.range(0)));
    if (files == nullptr) return state.SkipWithError("the files could not be made");
    for (auto _ : state) {
        if (!OpenSslVerify(files->request) || !OpenSslDecrypt(files->key)) {
            return state.SkipWithError("OpenSSL failed");
        }
    }
}
BENCHMARK(BM_OpenSslBoth)->Arg(1024)->Arg(2048)->Unit(benchmark::kMillisecond);

}  // namespace
