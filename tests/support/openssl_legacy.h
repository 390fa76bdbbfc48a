// OpenSSL 3 keeps DES, MD4 and the password-based encryption of the key
// files in its legacy provider.
#pragma once

#include <openssl/provider.h>

namespace testsupport {

// Loads the legacy provider beside the default one, once per process (held
// here until it ends, so the leak checker sees them in use); true when both
// are there.
inline bool LoadLegacyProviders() {
    static OSSL_PROVIDER* const legacy = OSSL_PROVIDER_load(nullptr, "legacy");
    static OSSL_PROVIDER* const base = OSSL_PROVIDER_load(nullptr, "default");
    return legacy != nullptr && base != nullptr;
}

}  // namespace testsupport
