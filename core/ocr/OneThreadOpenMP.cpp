#include "OneThreadOpenMP.h"

#include <cstdlib>
#include <unistd.h>

namespace OneThreadOpenMP {

void ensure(char** argv) {
    if (std::getenv("OMP_THREAD_LIMIT"))
        return;
    setenv("OMP_THREAD_LIMIT", "1", 1);
    execv("/proc/self/exe", argv);
    // Should the restart fail, the work still gets done, only slower.
}

} // namespace OneThreadOpenMP
