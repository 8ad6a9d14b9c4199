// Running a piece of the current program in a child process, over POSIX fork.
#include "support/child_process.h"

#include <cerrno>

#include <sys/wait.h>
#include <unistd.h>

int RunInChildProcess(void (*body)(void*), void* argument) {
    pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) {
        body(argument);
        _exit(0);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void ExitImmediately(int status) { _exit(status); }
