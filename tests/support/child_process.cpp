#include "support/child_process.h"

#include <signal.h>
#include <sys/wait.h>

#include <thread>

namespace quarrow::testing {

void awaitChild(pid_t pid, std::chrono::milliseconds patience) {
    if (pid <= 0) return;
    auto deadline = std::chrono::steady_clock::now() + patience;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace quarrow::testing
