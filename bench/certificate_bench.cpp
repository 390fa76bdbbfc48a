// The certificate's check (certificate, key file, request and the issuer's
// signature, as "Verificar certificado..." runs it) and the writing of the
// .pfx (salts, the PKCS#12 build with its three 2,048-iteration derivations,
// the temporary file, flush and rename). Key made by Cerrojo's generator from
// a fixed seed; the certificate issued by OpenSSL for its request.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>

#include "bench_files.h"
#include "der/private_key.h"
#include "der/request.h"
#include "generation/file_system.h"
#include "support/seeded_pool.h"
#include "support/x509_certificates.h"
#include "verification/certificate.h"

namespace {

const std::string kPassword = "clave de acceso 2026";

struct Files {
    std::string certificate, key, request, issuer;
};

std::string Der(X509* x) {
    unsigned char* out = nullptr;
    const int length = i2d_X509(x, &out);
    std::string der(reinterpret_cast<char*>(out), static_cast<std::size_t>(length > 0 ? length : 0));
    OPENSSL_free(out);
    return der;
}

const Files* FilesOf2048() {
    static std::unique_ptr<Files> files;
    if (files) return files.get();
    const benchfiles::Keys* keys = benchfiles::KeysOf(2048);
    if (keys == nullptr) return nullptr;
    benchfiles::Slots slots;
    std::uint8_t output[4096];
    std::uint32_t length = sizeof(output);
    if (cerrojo::MakeCertificationRequest(output, &length, 111, slots.name, &keys->publicKey,
                                          &keys->privateKey, slots.attributes) != cerrojo::kRequestOk) {
        return nullptr;
    }
    auto made = std::make_unique<Files>();
    made->request.assign(reinterpret_cast<char*>(output), length);
    length = sizeof(output);
    if (cerrojo::MakeEncryptedPrivateKey(output, &length, 105, 0,
                                         reinterpret_cast<const std::uint8_t*>(kPassword.data()),
                                         static_cast<std::uint32_t>(kPassword.size()),
                                         &keys->privateKey) != 0) {
        return nullptr;
    }
    made->key.assign(reinterpret_cast<char*>(output), length);
    const testsupport::Authority authority = testsupport::MakeAuthority("Autoridad", 2048);
    const testsupport::Bytes certificate = testsupport::IssueCertificate(
        testsupport::Bytes(made->request.begin(), made->request.end()), authority);
    made->certificate.assign(certificate.begin(), certificate.end());
    made->issuer = Der(authority.certificate.get());
    if (!petitora::VerifyCertificate(made->certificate, made->key, made->request, made->issuer,
                                     kPassword, std::time(nullptr))
             .report.AllPassed()) {
        return nullptr;
    }
    files = std::move(made);
    return files.get();
}

void BM_VerifyCertificate(benchmark::State& state) {
    const Files* files = FilesOf2048();
    if (files == nullptr) return state.SkipWithError("the files could not be made");
    const std::int64_t now = std::time(nullptr);
    for (auto _ : state) {
        benchmark::DoNotOptimize(petitora::VerifyCertificate(files->certificate, files->key,
                                                             files->request, files->issuer,
                                                             kPassword, now));
    }
}
BENCHMARK(BM_VerifyCertificate)->Unit(benchmark::kMillisecond);

void BM_SavePfx(benchmark::State& state) {
    const Files* files = FilesOf2048();
    if (files == nullptr) return state.SkipWithError("the files could not be made");
    const petitora::CertificateReport checked = petitora::VerifyCertificate(
        files->certificate, files->key, std::nullopt, std::nullopt, kPassword, std::time(nullptr));
    char folder[] = "/tmp/petitora-bench-XXXXXX";
    if (checked.pfx == nullptr || ::mkdtemp(folder) == nullptr) {
        return state.SkipWithError("no .pfx material or folder");
    }
    const std::string path = std::string(folder) + "/bench.pfx";
    petitora::SystemFileSystem system;
    cerrojo::RandomPool pool;
    testsupport::SeedPool(&pool, 1);
    for (auto _ : state) {
        if (petitora::SavePfx(system, path, *checked.pfx, "Nueva clave 2026", &pool, true) !=
            petitora::PfxResult::Written) {
            return state.SkipWithError("not written");
        }
    }
    std::remove(path.c_str());
    ::rmdir(folder);
}
BENCHMARK(BM_SavePfx)->Unit(benchmark::kMillisecond);

}  // namespace
