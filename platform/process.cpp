#include "platform/process.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept
{
    if (this != &other)
        Reset(other.Release());
    return *this;
}

int UniqueFd::Release()
{
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

void UniqueFd::Reset(int fd)
{
    if (fd_ >= 0)
        ::close(fd_); // no retry on EINTR: Linux has released the descriptor already
    fd_ = fd;
}

namespace {

// Moves a descriptor to 3 or above (close-on-exec), so a dup2 onto 0..2 in the child always
// clears the flag instead of being a no-op.
int AboveStandardStreams(int fd)
{
    if (fd > 2)
        return fd;
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    const int error = errno;
    ::close(fd);
    errno = error;
    return moved;
}

} // namespace

int CreatePipe(Pipe& pipe)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return errno;
    const int readEnd = AboveStandardStreams(fds[0]);
    const int readError = errno;
    const int writeEnd = AboveStandardStreams(fds[1]);
    const int writeError = errno;
    pipe.readEnd.Reset(readEnd);
    pipe.writeEnd.Reset(writeEnd);
    if (readEnd < 0 || writeEnd < 0) {
        pipe.readEnd.Reset();
        pipe.writeEnd.Reset();
        return readEnd < 0 ? readError : writeError;
    }
    return 0;
}

int SetNonBlocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0)
        return errno;
    return 0;
}

long PeekPipe(int fd)
{
    int waiting = 0;
    if (::ioctl(fd, FIONREAD, &waiting) != 0)
        return -1;
    return waiting;
}

long ReadPipe(int fd, char* buffer, size_t size)
{
    ssize_t n;
    do
        n = ::read(fd, buffer, size);
    while (n < 0 && errno == EINTR);
    return static_cast<long>(n);
}

long WritePipe(int fd, const char* data, size_t size)
{
    ssize_t n;
    do
        n = ::write(fd, data, size);
    while (n < 0 && errno == EINTR);
    return static_cast<long>(n);
}

void IgnoreSigpipe()
{
    ::signal(SIGPIPE, SIG_IGN);
}

std::vector<std::string> SplitCommandLine(const std::string& line)
{
    std::vector<std::string> arguments;
    const size_t n = line.size();
    size_t i = 0;
    auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    for (;;) {
        while (i < n && isBlank(line[i]))
            ++i;
        if (i >= n)
            break;
        std::string argument;
        bool quoted = false;
        while (i < n && (quoted || !isBlank(line[i]))) {
            if (line[i] == '\\') {
                size_t end = i;
                while (end < n && line[end] == '\\')
                    ++end;
                const size_t count = end - i;
                if (end < n && line[end] == '"') {
                    argument.append(count / 2, '\\');
                    if (count % 2 == 1) {
                        argument += '"';
                        ++end;
                    }
                    // With an even count the quote stays for the next step, which groups.
                } else {
                    argument.append(count, '\\');
                }
                i = end;
            } else if (line[i] == '"') {
                quoted = !quoted;
                ++i;
            } else {
                argument += line[i++];
            }
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

std::string EscapeQuotedArgument(const std::string& argument)
{
    std::string out;
    out.reserve(argument.size() + 8);
    const size_t n = argument.size();
    for (size_t i = 0; i < n;) {
        size_t end = i;
        while (end < n && argument[end] == '\\')
            ++end;
        const size_t count = end - i;
        if (end == n) {
            // Before the closing quote every backslash must be doubled.
            out.append(count * 2, '\\');
            break;
        }
        if (argument[end] == '"') {
            out.append(count * 2 + 1, '\\');
            out += '"';
        } else {
            out.append(count, '\\');
            out += argument[end];
        }
        i = end + 1;
    }
    return out;
}

std::string QuoteArgument(const std::string& argument)
{
    return '"' + EscapeQuotedArgument(argument) + '"';
}

ChildProcess::~ChildProcess()
{
    Terminate();
}

int ChildProcess::Start(const std::string& commandLine, int stdinFd, int stdoutFd, int stderrFd)
{
    if (Started())
        return EBUSY;
    std::vector<std::string> arguments = SplitCommandLine(commandLine);
    if (arguments.empty() || arguments[0].empty())
        return ENOENT;
    std::vector<char*> argv;
    for (std::string& a : arguments)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_adddup2(&actions, stdinFd, 0);
    posix_spawn_file_actions_adddup2(&actions, stdoutFd, 1);
    posix_spawn_file_actions_adddup2(&actions, stderrFd, 2);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || __GLIBC_MINOR__ >= 34)
    // Also descriptors other code opened without close-on-exec.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
#endif
    sigset_t noSignals;
    sigemptyset(&noSignals);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int sig : { SIGPIPE, SIGINT, SIGQUIT, SIGHUP, SIGTERM, SIGCHLD })
        sigaddset(&defaults, sig); // an ignored signal would otherwise stay ignored across exec
    posix_spawnattr_setsigmask(&attributes, &noSignals);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(
        &attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = -1;
    // glibc reports a failed exec (missing, not executable) as the result.
    const int result = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (result != 0)
        return result;
    pid_ = pid;
    reaped_ = false;
    exitCode_ = kStillActive;
#ifdef SYS_pidfd_open
    pidfd_.Reset(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
#endif
    return 0;
}

uint32_t ChildProcess::ExitCode()
{
    if (!Started() || exitCode_ != kStillActive)
        return exitCode_;
    siginfo_t info {};
    int r;
    do
        r = ::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT);
    while (r < 0 && errno == EINTR);
    if (r != 0 && errno == ECHILD) {
        // Reaped behind our back (SIGCHLD ignored, or a waitpid(-1) elsewhere): the status is
        // lost, so report a failure rather than wait for ever.
        reaped_ = true;
        pidfd_.Reset();
        exitCode_ = 255;
        return exitCode_;
    }
    if (r != 0 || info.si_pid == 0)
        return kStillActive;
    if (info.si_code == CLD_EXITED)
        exitCode_ = static_cast<uint32_t>(info.si_status) & 0xFF;
    else
        exitCode_ = 128 + static_cast<uint32_t>(info.si_status);
    return exitCode_;
}

void ChildProcess::Terminate()
{
    if (!Started() || reaped_)
        return;
    // The unreaped leader keeps the group id from being reused, so this reaches only its group.
    ::kill(-pid_, SIGKILL);
    int status = 0;
    pid_t r;
    do
        r = ::waitpid(pid_, &status, 0);
    while (r < 0 && errno == EINTR);
    if (r == pid_ && exitCode_ == kStillActive)
        exitCode_ = WIFEXITED(status) ? static_cast<uint32_t>(WEXITSTATUS(status))
                                      : 128 + static_cast<uint32_t>(WTERMSIG(status));
    reaped_ = true;
    pidfd_.Reset();
}

WakeEvent::WakeEvent()
    : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
}

void WakeEvent::Signal()
{
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(fd_.Get(), &one, sizeof one);
}

void WakeEvent::Clear()
{
    uint64_t value;
    [[maybe_unused]] ssize_t n = ::read(fd_.Get(), &value, sizeof value);
}

int WaitForAny(std::vector<WaitItem>& items, int timeoutMs)
{
    std::vector<pollfd> fds;
    fds.reserve(items.size());
    for (WaitItem& item : items) {
        item.ready = false;
        fds.push_back({ item.fd, static_cast<short>(item.forWrite ? POLLOUT : POLLIN), 0 });
    }
    const int r = ::poll(fds.data(), fds.size(), timeoutMs);
    if (r < 0)
        return errno == EINTR ? 0 : -1;
    for (size_t i = 0; i < items.size(); ++i)
        items[i].ready = items[i].fd >= 0 && fds[i].revents != 0;
    return r;
}

} // namespace platform
