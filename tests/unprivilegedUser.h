#pragma once
// Running a piece of a test as a user without privileges, so that file permissions count even
// when the tests run as root.
#include <functional>
#include <grp.h>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

// Runs f as an unprivileged user: in a child process that becomes user and group 65534 when this
// process is root (as in CI), else in this process. Empty, with the reason, when that fails or
// when that user cannot reach `folder`.
inline std::optional<int> AsUnprivilegedUser(
    const std::string& folder, const std::function<int()>& f, std::string& reason)
{
    if (geteuid() != 0)
        return f();
    const pid_t pid = fork();
    if (pid == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
            _exit(100);
        if (access(folder.c_str(), X_OK) != 0)
            _exit(101);
        _exit(f());
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
        reason = "the unprivileged child did not end normally";
        return std::nullopt;
    }
    if (WEXITSTATUS(status) == 100 || WEXITSTATUS(status) == 101) {
        reason = WEXITSTATUS(status) == 100 ? "cannot switch to user 65534"
                                            : "user 65534 cannot reach the temporary folder " + folder;
        return std::nullopt;
    }
    return WEXITSTATUS(status);
}
