#include "generation/file_names.h"

#include <algorithm>

#include "generation/texts.h"
#include "text/catalogue.h"
#include "text/cp1252.h"

namespace petitora {

std::string DefaultRequestName(const RegistrantRecord& registrant) {
    return Cp1252ToUtf8(FullRfc(registrant)) + ".req";
}

bool RfcUsableAsFileName(const RegistrantRecord& registrant) {
    const std::string rfc = FullRfc(registrant);
    const bool control = std::any_of(rfc.begin(), rfc.end(), [](char c) {
        const unsigned char b = static_cast<unsigned char>(c);
        return b < 0x20 || b == 0x7F;
    });
    return !control && rfc != "." && rfc != ".." && rfc.find_first_of("/\\") == std::string::npos;
}

bool NamesAFile(const std::string& requestName) {
    return !requestName.empty() && requestName != "." && requestName != ".." &&
           requestName.rfind(".petitora-", 0) != 0;
}

std::string KeyFileName(const std::string& requestName) {
    const std::size_t dot = requestName.rfind('.');
    return (dot == std::string::npos ? requestName : requestName.substr(0, dot)) + ".key";
}

Destination ResolveDestination(const std::string& pathText, const std::string& workingDirectory) {
    // The later of the two separators: a name after the folder never holds one.
    const std::size_t backslash = pathText.rfind('\\');
    const std::size_t slash = pathText.rfind('/');
    std::size_t separator = backslash;
    if (separator == std::string::npos || (slash != std::string::npos && slash > separator)) {
        separator = slash;
    }
    Destination destination;
    if (separator == std::string::npos) {
        destination.folder = workingDirectory.empty() ? "." : workingDirectory;
        destination.requestName = pathText;
    } else {
        std::string folder = pathText.substr(0, separator);
        if (folder.empty() && pathText[separator] == '/') folder.push_back('/');
        if (!folder.empty() && folder[0] != '/' && !workingDirectory.empty()) {
            folder.insert(0, workingDirectory + "/");
        }
        destination.folder = std::move(folder);
        destination.requestName = pathText.substr(separator + 1);
    }
    destination.keyName = KeyFileName(destination.requestName);
    return destination;
}

bool CheckOutputNames(const Destination& destination, MessagePresenter& messages) {
    // Letter case does not count: on a FAT or exFAT memory stick "X.KEY" and
    // "X.key" are one file, and the key would be written over the request.
    const std::string& requestName = destination.requestName;
    const std::string& keyName = destination.keyName;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    const bool same =
        std::equal(keyName.begin(), keyName.end(), requestName.begin(), requestName.end(),
                   [&](char a, char b) { return lower(a) == lower(b); });
    if (!same) return true;
    messages.Show({Text(GenerationText::CaptionPetitora), Text(GenerationText::SameOutputNames)});
    return false;
}

std::string ReplacementQuestion(const Destination& destination, bool requestExists,
                                bool keyExists) {
    const std::string& requestName = destination.requestName;
    const std::string& keyName = destination.keyName;
    if (requestExists && keyExists) {
        return Format(Text(GenerationText::ReplaceTwoFiles),
                      {FileNameForDisplay(requestName), FileNameForDisplay(keyName)});
    }
    return Format(Text(GenerationText::ReplaceOneFile),
                  {FileNameForDisplay(requestExists ? requestName : keyName)});
}

std::string FileNameForDisplay(const std::string& name) {
    if (auto whole = Utf8ToCp1252(name)) return *whole;
    // Character by character: what Windows-1252 cannot show becomes "?".
    std::string shown;
    std::size_t i = 0;
    while (i < name.size()) {
        const unsigned char lead = static_cast<unsigned char>(name[i]);
        std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        length = std::min(length, name.size() - i);
        const auto one = Utf8ToCp1252(std::string_view(name).substr(i, length));
        shown += one ? *one : std::string("?");
        i += one ? length : 1;
        // Skip the continuation bytes of a character that could not be shown.
        while (!one && i < name.size() && (static_cast<unsigned char>(name[i]) & 0xC0) == 0x80) ++i;
    }
    return shown;
}

}  // namespace petitora
