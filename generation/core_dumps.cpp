#include "generation/core_dumps.h"

#include <sys/prctl.h>
#include <sys/resource.h>

namespace petitora {

void DisableCoreDumps() {
    const rlimit none{0, 0};
    ::setrlimit(RLIMIT_CORE, &none);
#ifndef PETITORA_SANITIZED
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
#endif
}

}  // namespace petitora
