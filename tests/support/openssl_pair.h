// OpenSSL's reading of a request and its key file: the independent check of
// every pair the program writes.
#pragma once

#include <string>

namespace testsupport {

// Reads request and keyFile (their bytes) with OpenSSL and expects: the
// request whole, its signature verifying with its own key; the key file
// opening with password, and not with another, to the private half of that
// key. Returns the bits of the request's key (0 when OpenSSL cannot read the
// request); uniqueId, when given, receives the subject's x500UniqueIdentifier
// (Windows-1252 bytes as stored, "" when there is none).
int CheckPair(const std::string& request, const std::string& keyFile, const std::string& password,
              std::string* uniqueId = nullptr);

}  // namespace testsupport
