#pragma once
// Pipes and child processes in place of the Win32 pipe and process calls. A child is started from
// one command-line string, split into arguments by the Windows command-line rules and executed
// directly (never through a shell), in a new session so that it and everything it starts form one
// process group. The program is made a child subreaper, so descendants that leave that group
// (setsid) come back to it when their parent ends, and are killed with the group.
#include <sys/types.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Exit code reported while a child is still running.
constexpr uint32_t kStillActive = 259;

// Owns one file descriptor; closes it on destruction.
class TUniqueFd {
public:
    TUniqueFd() = default;
    explicit TUniqueFd(int fd)
        : fd_(fd)
    {
    }
    TUniqueFd(TUniqueFd&& other) noexcept
        : fd_(other.Release())
    {
    }
    TUniqueFd& operator=(TUniqueFd&& other) noexcept;
    TUniqueFd(const TUniqueFd&) = delete;
    TUniqueFd& operator=(const TUniqueFd&) = delete;
    ~TUniqueFd() { Reset(); }

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    int Release();
    void Reset(int fd = -1);

private:
    int fd_ = -1;
};

// Both ends close-on-exec and at least 3, so they never collide with the standard streams.
struct TPipe {
    TUniqueFd readEnd;
    TUniqueFd writeEnd;
};
// 0 on success, else the errno value.
int CreatePipe(TPipe& pipe);
int SetNonBlocking(int fd);

// Bytes waiting in a pipe (FIONREAD); -1 on error.
long PeekPipe(int fd);
// Non-blocking read/write on a descriptor set with SetNonBlocking. Return the byte count, 0 at
// end of file (read only), or -1 with errno (EAGAIN when nothing can move now; EPIPE when the
// reader has gone: SIGPIPE is ignored).
long ReadPipe(int fd, char* buffer, size_t size);
long WritePipe(int fd, const char* data, size_t size);

// SIGPIPE ignored for the whole program, so a write to a vanished reader fails with EPIPE.
void IgnoreSigpipe();

// Windows command-line rules: space and tab separate arguments outside double quotes; a double
// quote toggles grouping; backslashes are literal unless they precede a double quote, where
// 2n backslashes give n and a grouping quote and 2n+1 give n and a literal quote.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);
// The text to place between two double quotes so that splitting yields exactly `argument`.
std::string EscapeQuotedArgument(const std::string& argument);
// `argument` in double quotes, escaped: one argument whatever it contains.
std::string QuoteArgument(const std::string& argument);
// The arguments as one line that SplitCommandLine splits back into them: plain option text as it
// is, anything else (spaces, quotes, a filter graph's brackets) quoted.
std::string JoinCommandLine(const std::vector<std::string>& arguments);

// A child process in its own session. The destructor kills a child that still runs (with its
// process group and every descendant that left the group) and reaps it, so no zombie and no orphan
// outlives the object. The child is also killed when the thread that started it ends, so it never
// outlives a crashed program (a SIGKILL of the program itself still leaves its descendants).
class TChildProcess {
public:
    TChildProcess() = default;
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;
    ~TChildProcess();

    // Starts the command line with the given descriptors as its standard input, output and error;
    // every other descriptor is closed in the child. 0 on success, else an errno value (ENOENT,
    // EACCES, ... for a missing or non-executable program; EINVAL for an empty command line).
    int Start(const std::string& commandLine, int stdinFd, int stdoutFd, int stderrFd);
    bool Started() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }
    // Becomes readable when the child ends; -1 when the kernel offers no process descriptor.
    int ExitFd() const { return pidfd_.Get(); }

    // kStillActive while it runs; its exit status, or 128 + N after signal N (255 when someone
    // else reaped it). Does not reap, so the process group stays addressable until Terminate or
    // Release.
    uint32_t ExitCode();
    // SIGKILL to the child's whole process group, then reap the child, then kill and reap the
    // descendants that had left the group and were handed back to this program.
    void Terminate();
    // After the child ended by itself: kill what remains of its process group, then reap it.
    void Release() { Terminate(); }

private:
    void KillLeftovers();

    pid_t pid_ = -1;
    std::string tag_; // environment entry every descendant inherits; finds them after a setsid
    bool reaped_ = false;
    bool released_ = false; // Terminate has run
    uint32_t exitCode_ = kStillActive;
    TUniqueFd pidfd_;
};

// Runs a command line to its end with standard input empty, collecting what it writes to its
// standard output and error (the first maxBytes). A child still running after timeoutMs, or once
// *cancel (read at least every 50 ms; may be set from another thread) is true, is killed.
// Returns its exit code (128 + N after signal N), kStillActive after the time-out or the cancel,
// or -1 with startError set when it could not be started.
struct TCapturedRun {
    int64_t exitCode = -1;
    int startError = 0;
    std::string output;
};
TCapturedRun RunCaptured(const std::string& commandLine, int timeoutMs, size_t maxBytes = 1 << 20,
    const std::atomic<bool>* cancel = nullptr);

// True when the process pid has the file with this device and inode number open.
bool ProcessHasFileOpen(pid_t pid, dev_t device, ino_t inode);

// A counter descriptor that wakes a waiting thread (eventfd).
class TWakeEvent {
public:
    TWakeEvent();
    bool Valid() const { return fd_.Valid(); }
    int Fd() const { return fd_.Get(); }
    void Signal();
    void Clear();

private:
    TUniqueFd fd_;
};

struct TWaitItem {
    int fd = -1;
    bool forWrite = false; // wait until writable instead of readable
    bool ready = false; // out: readable/writable, hung up or in error
};
// Waits until one item is ready or timeoutMs passes (-1: no limit). Items with fd < 0 are
// ignored. Returns the number of ready items, 0 on time-out, -1 on error.
int WaitForAny(std::vector<TWaitItem>& items, int timeoutMs);

} // namespace platform
