// Every rule about the names of the two output files. File names are in the
// platform's file-name encoding (UTF-8 on Linux); message texts are
// Windows-1252 bytes.
#pragma once

#include <string>

#include "capture/registrant.h"
#include "generation/message_presenter.h"

namespace petitora {

// The request file's name when the key-options dialog opens: the full RFC +
// ".req". The RFC is Windows-1252 (it may hold an N with tilde); the name is
// in the platform's encoding.
std::string DefaultRequestName(const RegistrantRecord& registrant);

// True when the full RFC can stand as a file name of the destination folder:
// no "/" or "\", no control character, and neither "." nor "..". Registrant
// data never chooses another folder.
bool RfcUsableAsFileName(const RegistrantRecord& registrant);

// True when a request name resolved from the destination box names a file:
// not empty (a box that is empty or ends in "/" or "\"), "." or "..", and
// not a name of the store step's own files (".petitora-...", which a later
// run's recovery would take for leftovers and remove).
bool NamesAFile(const std::string& requestName);

// The key file's name from the request file's: cut at the last "." (when
// there is one) and append ".key". "X.req" -> "X.key", "X" -> "X.key",
// "a.b.c" -> "a.b.key".
std::string KeyFileName(const std::string& requestName);

// Where the two files of a run go: both in folder, under these names.
struct Destination {
    std::string folder;
    std::string requestName;
    std::string keyName;  // KeyFileName(requestName)
};

// The destination box split at its last "\" (else "/"): the request's name is
// the text after it; the folder the text before it ("/" for a leading "/";
// a relative folder is taken relative to workingDirectory when that is
// known). A name without a separator goes to workingDirectory, or to the
// process's current directory (".") when that is not known. A leading "\"
// leaves an empty folder text, which names no folder.
Destination ResolveDestination(const std::string& pathText, const std::string& workingDirectory);

// The request file may not carry the key file's name in any letter case
// ("X.key", or "X.KEY" on a volume that ignores case, would be overwritten by
// the key): false, after the message, when it does.
bool CheckOutputNames(const Destination& destination, MessagePresenter& messages);

// The question asked before existing files of the run's names are replaced:
// the one name that exists, or both (requestExists or keyExists is true).
std::string ReplacementQuestion(const Destination& destination, bool requestExists, bool keyExists);

// A file name (platform encoding, UTF-8) as Windows-1252 for a message; a
// character that Windows-1252 cannot show becomes "?".
std::string FileNameForDisplay(const std::string& name);

}  // namespace petitora
