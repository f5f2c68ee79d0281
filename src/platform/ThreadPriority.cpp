#include "ThreadPriority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QtGlobal>
#include <thread>

namespace ThreadPriority {

bool mayRaise(int steps) {
    bool allowed = false;
    std::thread probe([&] {
        const int base = getpriority(PRIO_PROCESS, getpid());  // the main thread's value
        const int raised = qBound(-20, base - steps, 19);
        // The thread ends with its value: nothing else takes it over.
        allowed = setpriority(PRIO_PROCESS, pid_t(syscall(SYS_gettid)), raised) == 0;
    });
    probe.join();
    return allowed;
}

}  // namespace ThreadPriority
