#pragma once
#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>

// Runs `body` as an ordinary user would meet the file system: in a child process that has
// given up the superuser's rights when this one has them (root may write anywhere), and
// with at most `fileSizeLimit` bytes per file (a disk that fills up).
// Returns what `body` returns (0 to 255), or -1 when the child did not finish normally.
inline int inChildProcess(const std::function<int()>& body, rlim_t fileSizeLimit) {
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) _exit(254);
        std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead of ending the process
        const rlimit limit{fileSizeLimit, fileSizeLimit};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(253);
        _exit(body() & 0xFF);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}
