#include "platform/ThreadPriority.h"

#include <cerrno>

#include <sys/resource.h>
#include <unistd.h>

namespace ThreadPriority {

void yieldToInteractiveThreads() {
    // On Linux a thread id names one thread to setpriority; the others keep theirs.
    constexpr int steps = 5;
    const id_t thread = id_t(gettid());
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, thread);
    if (errno == 0)
        setpriority(PRIO_PROCESS, thread, current + steps);
}

} // namespace ThreadPriority
