#include "platform/process.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cctype>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {

TUniqueFd& TUniqueFd::operator=(TUniqueFd&& other) noexcept
{
    if (this != &other)
        Reset(other.Release());
    return *this;
}

int TUniqueFd::Release()
{
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

void TUniqueFd::Reset(int fd)
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

int CreatePipe(TPipe& pipe)
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

std::string JoinCommandLine(const std::vector<std::string>& arguments)
{
    const auto plainChar = [](unsigned char c) { return std::isalnum(c) || (c != 0 && std::strchr("-_.:/=+,?", c)); };
    std::string text;
    for (const std::string& argument : arguments) {
        const bool plain = !argument.empty() && std::all_of(argument.begin(), argument.end(), plainChar);
        text += (text.empty() ? "" : " ") + (plain ? argument : QuoteArgument(argument));
    }
    return text;
}

TChildProcess::~TChildProcess()
{
    Terminate();
}

namespace {

// The program file for argv[0], searched in PATH like execvp does, but in the parent: execvp may
// allocate, which a child of a threaded program must not. Empty with *error set when none fits.
std::string FindProgram(const std::string& name, int* error)
{
    if (name.find('/') != std::string::npos)
        return name;
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    *error = ENOENT;
    size_t begin = 0;
    for (;;) {
        const size_t end = dirs.find(':', begin);
        std::string dir = dirs.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
        const std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + name;
        struct stat info { };
        if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
            if (::access(candidate.c_str(), X_OK) == 0)
                return candidate;
            *error = EACCES;
        }
        if (end == std::string::npos)
            return {};
        begin = end + 1;
    }
}

void CloseFrom(int first, int last)
{
    if (first > last)
        return;
#ifdef SYS_close_range
    if (::syscall(SYS_close_range, first, last, 0) == 0)
        return;
#endif
    for (int fd = first; fd <= last && fd < 65536; ++fd)
        ::close(fd);
}

// Places fd on target with close-on-exec cleared.
void MoveTo(int fd, int target)
{
    if (fd == target)
        ::fcntl(fd, F_SETFD, 0);
    else
        ::dup2(fd, target);
}

// In the child: plain system calls only, up to exec (it shares our memory until then, and other
// threads may hold locks). Never returns.
[[noreturn]] void ExecChild(const char* program, char* const* argv, char* const* envp, pid_t parent,
    int stdinFd, int stdoutFd, int stderrFd, int errorFd)
{
    ::setsid(); // its own session and process group: terminated together
    // Killed with the thread that started it, so a crash of the program leaves no converter behind.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent)
        ::_exit(127);
    MoveTo(stdinFd, 0);
    MoveTo(stdoutFd, 1);
    MoveTo(stderrFd, 2);
    // Nothing else is inherited, also descriptors other code opened without close-on-exec.
    CloseFrom(3, errorFd - 1);
    CloseFrom(errorFd + 1, INT32_MAX);
    // Handlers vanish at exec, ignored signals would not: SIGPIPE above all.
    struct sigaction byDefault { };
    byDefault.sa_handler = SIG_DFL;
    for (int sig = 1; sig < NSIG; ++sig)
        ::sigaction(sig, &byDefault, nullptr);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::execve(program, argv, envp);
    const int error = errno;
    [[maybe_unused]] ssize_t n = ::write(errorFd, &error, sizeof error);
    ::_exit(127);
}

constexpr char kTagName[] = "VIDMORPH_RUN=";

// Descendants that leave the child's process group are handed to this program (not to init) when
// their parent ends, so they can still be found, killed and reaped. Process-wide, set once.
void BecomeSubreaper()
{
    static std::once_flag once;
    std::call_once(once, [] { ::prctl(PR_SET_CHILD_SUBREAPER, 1); });
}

std::string NewTag()
{
    static std::atomic<unsigned long> serial { 0 };
    return kTagName + std::to_string(::getpid()) + "." + std::to_string(++serial);
}

// Our environment without an inherited tag, plus this child's own.
std::vector<std::string> ChildEnvironment(const std::string& tag)
{
    std::vector<std::string> entries;
    for (char** e = environ; e && *e; ++e)
        if (std::strncmp(*e, kTagName, sizeof kTagName - 1) != 0)
            entries.emplace_back(*e);
    entries.push_back(tag);
    return entries;
}

std::string ReadProcFile(const std::string& path)
{
    std::string text;
    TUniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid())
        return text;
    char block[4096];
    long n;
    while ((n = ReadPipe(fd.Get(), block, sizeof block)) > 0 && text.size() < (1u << 20))
        text.append(block, static_cast<size_t>(n));
    return text;
}

// Every child of this process, adopted ones included, from each thread's list.
std::vector<pid_t> OwnChildren()
{
    std::vector<pid_t> pids;
    DIR* tasks = ::opendir("/proc/self/task");
    if (!tasks)
        return pids;
    while (const dirent* entry = ::readdir(tasks)) {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9')
            continue;
        const std::string list = ReadProcFile(std::string("/proc/self/task/") + entry->d_name + "/children");
        const char* p = list.c_str();
        char* end = nullptr;
        for (long pid = std::strtol(p, &end, 10); end != p; pid = std::strtol(p, &end, 10)) {
            pids.push_back(static_cast<pid_t>(pid));
            p = end;
        }
    }
    ::closedir(tasks);
    return pids;
}

bool CarriesTag(pid_t pid, const std::string& tag)
{
    const std::string environment = '\0' + ReadProcFile("/proc/" + std::to_string(pid) + "/environ");
    return environment.find('\0' + tag + '\0') != std::string::npos;
}

} // namespace

int TChildProcess::Start(const std::string& commandLine, int stdinFd, int stdoutFd, int stderrFd)
{
    if (Started())
        return EBUSY;
    std::vector<std::string> arguments = SplitCommandLine(commandLine);
    if (arguments.empty() || arguments[0].empty())
        return ENOENT;
    int error = 0;
    const std::string program = FindProgram(arguments[0], &error);
    if (program.empty())
        return error;
    std::vector<char*> argv;
    for (std::string& a : arguments)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    BecomeSubreaper();
    std::string tag = NewTag();
    std::vector<std::string> environment = ChildEnvironment(tag);
    std::vector<char*> envp;
    for (std::string& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    // Reports a failed exec: closed by a successful one (close-on-exec), written on failure.
    TPipe report;
    if (int e = CreatePipe(report); e != 0)
        return e;
    sigset_t all, previous;
    sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &previous); // no handler may run in the child
    const pid_t parent = ::getpid();
    // vfork: no copy of a large program's page tables; the child only runs ExecChild.
    const pid_t pid = ::vfork();
    if (pid == 0)
        ExecChild(program.c_str(), argv.data(), envp.data(), parent, stdinFd, stdoutFd, stderrFd,
            report.writeEnd.Get());
    const int forkError = errno;
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (pid < 0)
        return forkError;
    report.writeEnd.Reset();
    int execError = 0;
    long n;
    do
        n = ::read(report.readEnd.Get(), &execError, sizeof execError);
    while (n < 0 && errno == EINTR);
    if (n == static_cast<long>(sizeof execError)) {
        int status;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
        return execError;
    }
    pid_ = pid;
    tag_ = std::move(tag);
    reaped_ = false;
    released_ = false;
    exitCode_ = kStillActive;
#ifdef SYS_pidfd_open
    pidfd_.Reset(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
#endif
    return 0;
}

uint32_t TChildProcess::ExitCode()
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

void TChildProcess::Terminate()
{
    if (!Started() || released_)
        return;
    released_ = true;
    if (!reaped_) {
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
    }
    pidfd_.Reset();
    KillLeftovers();
}

void TChildProcess::KillLeftovers()
{
    // Killing an adopted descendant hands its own children to us in turn: repeat until none is
    // left. The bound only guards against a tree that keeps growing faster than it is killed.
    for (int round = 0; round < 1000; ++round) {
        bool found = false;
        for (const pid_t pid : OwnChildren()) {
            if (!CarriesTag(pid, tag_))
                continue; // ours from elsewhere (another run, another part of the program)
            found = true;
            ::kill(pid, SIGKILL);
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
        }
        if (!found)
            return;
    }
}

bool ProcessHasFileOpen(pid_t pid, dev_t device, ino_t inode)
{
    const std::string folder = "/proc/" + std::to_string(pid) + "/fd";
    DIR* fds = ::opendir(folder.c_str());
    if (!fds)
        return false;
    bool found = false;
    while (const dirent* entry = ::readdir(fds)) {
        struct stat info { };
        if (entry->d_name[0] != '.' && ::stat((folder + "/" + entry->d_name).c_str(), &info) == 0
            && info.st_dev == device && info.st_ino == inode) {
            found = true;
            break;
        }
    }
    ::closedir(fds);
    return found;
}

TWakeEvent::TWakeEvent()
    : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
}

void TWakeEvent::Signal()
{
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(fd_.Get(), &one, sizeof one);
}

void TWakeEvent::Clear()
{
    uint64_t value;
    [[maybe_unused]] ssize_t n = ::read(fd_.Get(), &value, sizeof value);
}

int WaitForAny(std::vector<TWaitItem>& items, int timeoutMs)
{
    std::vector<pollfd> fds;
    fds.reserve(items.size());
    for (TWaitItem& item : items) {
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

TCapturedRun RunCaptured(const std::string& commandLine, int timeoutMs, size_t maxBytes, const std::atomic<bool>* cancel)
{
    constexpr int kCancelPollMs = 50;
    TCapturedRun result;
    if (cancel && *cancel) { // no process for a result of no use
        result.exitCode = kStillActive;
        return result;
    }
    TPipe output;
    if ((result.startError = CreatePipe(output)) != 0)
        return result;
    TUniqueFd input(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    TChildProcess child;
    result.startError = child.Start(commandLine, input.Get(), output.writeEnd.Get(), output.writeEnd.Get());
    output.writeEnd.Reset();
    if (result.startError != 0)
        return result;
    SetNonBlocking(output.readEnd.Get());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[4096];
    for (;;) { // until the child closes its end (it has ended) or the time is up
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || (cancel && *cancel))
            break;
        const int waitMs = static_cast<int>(left.count()) + 1;
        std::vector<TWaitItem> items { { output.readEnd.Get() } };
        if (WaitForAny(items, cancel ? std::min(waitMs, kCancelPollMs) : waitMs) < 0 && errno != EINTR)
            break;
        const long n = ReadPipe(output.readEnd.Get(), buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n > 0 && result.output.size() < maxBytes)
            result.output.append(buffer, std::min(static_cast<size_t>(n), maxBytes - result.output.size()));
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            break;
    }
    for (int i = 0; i < 100 && child.ExitCode() == kStillActive && !(cancel && *cancel); ++i) // closed its output, ending
        ::usleep(1000);
    result.exitCode = child.ExitCode();
    child.Terminate(); // kills it after a time-out; reaps it either way
    return result;
}

} // namespace platform
