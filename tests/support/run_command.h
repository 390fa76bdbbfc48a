// Test support: runs a shell command as a user would type it (a peer tool
// such as openssl or certtool) and collects what it prints.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace testsupport {

// Returns the command's exit status (-1 when it could not run or was killed);
// *output receives its standard output and standard error together.
inline int RunCommand(const std::string& command, std::string* output) {
    output->clear();
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return -1;
    char chunk[4096];
    std::size_t n;
    while ((n = fread(chunk, 1, sizeof(chunk), pipe)) > 0) output->append(chunk, n);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace testsupport
