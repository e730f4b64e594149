#pragma once
// Runs one console program as a child process with its standard streams redirected into pipes.
// A worker thread does all pipe and process work; every output line and the end of every run are
// handed to the thread that owns the runner (the user-interface thread) while the worker waits.
#include "platform/process.h"

#include <QObject>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

class TProcessRunner;
class TProcessRunnerPrivate;

// The exit code given to OnTerminated for a run whose child did not end by itself.
using platform::kStillActive;

enum TOutputType { otEntireLine = 0, otBeginningOfLine = 1 };
enum TReturnCode { rcCRLF = 0, rcLF = 1 };

// Kept for callers that set them; they have no effect on POSIX.
enum TShowWindow {
    swHIDE,
    swMAXIMIZE,
    swMINIMIZE,
    swRESTORE,
    swSHOW,
    swSHOWDEFAULT,
    swSHOWMAXIMIZED,
    swSHOWMINIMIZED,
    swSHOWMINNOACTIVE,
    swSHOWNA,
    swSHOWNOACTIVATE,
    swSHOWNORMAL
};
enum TCreationFlag {
    fCREATE_DEFAULT_ERROR_MODE,
    fCREATE_NEW_CONSOLE,
    fCREATE_NEW_PROCESS_GROUP,
    fCREATE_SEPARATE_WOW_VDM,
    fCREATE_SHARED_WOW_VDM,
    fCREATE_SUSPENDED,
    fCREATE_UNICODE_ENVIRONMENT,
    fDEBUG_PROCESS,
    fDEBUG_ONLY_THIS_PROCESS,
    fDETACHED_PROCESS
};
// The Windows show command and creation flag a value stands for.
int ShowWindowCommand(TShowWindow value);
uint32_t CreationFlagValue(TCreationFlag value);

// How far the last run got and how it ended. The numbers are the ones callers have always seen.
enum class TEndStatus : uint8_t {
    Started = 0,
    FailedBeforePipes = 1,
    CreatingPipes = 2,
    PipeFailed = 3,
    CreatingChild = 4,
    ChildFailed = 5, // the program could not be started (missing, not executable)
    ChildRunning = 6,
    FailedWhileRunning = 7,
    Exited = 8, // the child ended by itself; ResultCode holds its exit code
    Stopped = 9, // ended on request
    TimedOut = 10,
};
// True for the statuses of a run whose child never started (a pipe or the child itself failed).
bool IsStartFailure(TEndStatus status);

using TNewLineEvent
    = std::function<void(TProcessRunner* Sender, const std::string& NewLine, TOutputType OutputType)>;
using TTerminateEvent = std::function<void(TProcessRunner* Sender, uint32_t ExitCode)>;

class TCreatePipeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
class TCreateProcessError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A string list that the runner's thread and its worker may both use: every access holds the
// runner's multi-reader/single-writer lock.
class TLockedStringList {
public:
    virtual void Add(const std::string& line) = 0;
    virtual void Clear() = 0;
    virtual int Count() const = 0;
    // Empty text when index is out of range.
    virtual std::string Strings(int index) const = 0;
    virtual std::vector<std::string> Lines() const = 0;

protected:
    ~TLockedStringList() = default;
};

// One-second tick on the user-interface thread, the clock of the time-outs: it runs only while the
// child of a run with a time-out is up. Both counters restart at 0 when a child starts,
// SecondsSinceOutput also at every delivered line; the worker compares them with the limits.
class TProcessTimer : public QTimer {
    Q_OBJECT
public:
    explicit TProcessTimer(QObject* parent = nullptr);
    int32_t SecondsSinceStart() const { return secondsSinceStart_.load(); }
    void SetSecondsSinceStart(int32_t value) { secondsSinceStart_.store(value); }
    int32_t SecondsSinceOutput() const { return secondsSinceOutput_.load(); }
    void SetSecondsSinceOutput(int32_t value) { secondsSinceOutput_.store(value); }
    // One tick: both counters grow by one (atomically, against the worker's resets).
    void CountSecond()
    {
        secondsSinceStart_.fetch_add(1);
        secondsSinceOutput_.fetch_add(1);
    }

private:
    std::atomic<int32_t> secondsSinceStart_ { 0 };
    std::atomic<int32_t> secondsSinceOutput_ { 0 };
};

// Lives on the thread that creates it, which must run a Qt event loop: handlers, the timer and the
// error report run there.
class TProcessRunner : public QObject {
    Q_OBJECT
public:
    explicit TProcessRunner(QObject* owner = nullptr);
    // Stops a running child (it and its process group are killed), waits for the worker's
    // clean-up, which no longer hands anything over, and raises no further event.
    ~TProcessRunner() override;

    const std::string& CommandLine() const { return commandLine_; }
    void SetCommandLine(const std::string& value) { commandLine_ = value; }
    TNewLineEvent OnNewLine;
    TTerminateEvent OnTerminated;
    bool InputToOutput() const;
    void SetInputToOutput(bool value);
    // Seconds (whole timer ticks); 0 or less means no limit.
    int32_t MaxTimeAfterBeginning() const { return maxTimeAfterBeginning_; }
    void SetMaxTimeAfterBeginning(int32_t value) { maxTimeAfterBeginning_ = value; }
    int32_t MaxTimeAfterLastOutput() const { return maxTimeAfterLastOutput_; }
    void SetMaxTimeAfterLastOutput(int32_t value) { maxTimeAfterLastOutput_ = value; }
    TShowWindow ShowWindow() const { return showWindow_; }
    void SetShowWindow(TShowWindow value) { showWindow_ = value; }
    TCreationFlag CreationFlag() const { return creationFlag_; }
    void SetCreationFlag(TCreationFlag value) { creationFlag_ = value; }
    TReturnCode ReturnCode() const { return returnCode_; }
    void SetReturnCode(TReturnCode value) { returnCode_ = value; }
    // The line end of the last complete output line.
    TReturnCode OutputReturnCode() const;

    // The deliveries of the current run, in order; cleared by Execute. A beginning-of-line
    // delivery that follows the beginning of the same line replaces it, so a line growing over
    // many reads costs its length once.
    TLockedStringList& ReceivedLines();
    const TLockedStringList& ReceivedLines() const;
    // Text for the child's standard input, first entry first; written exactly as queued. Add to
    // it on the runner's thread (the add wakes the worker).
    TLockedStringList& InputQueue();
    const TLockedStringList& InputQueue() const;
    // Optional, not owned: kept so that a line still growing occupies one entry.
    std::vector<std::string>* MirrorLines() const { return mirrorLines_; }
    void SetMirrorLines(std::vector<std::string>* value) { mirrorLines_ = value; }

    uint32_t PriorityClass() const { return 0x20; }
    TEndStatus EndStatus() const;
    // The child's exit code when it ended by itself, else errno of the failed step.
    uint32_t ResultCode() const;
    // Why the last ended run failed ("<command line> doesn't exist." when the program could not be
    // started); empty when it did not fail. Set before its OnTerminated; the same text then goes
    // to the error reporter unless ReportFailures is off.
    const std::string& FailureMessage() const;
    // On by default. An owner that hands FailureMessage on itself turns it off, so that one
    // failure is told once.
    bool ReportFailures() const { return reportFailures_; }
    void SetReportFailures(bool value) { reportFailures_ = value; }
    // The process id of the current run's child while it runs; 0 when there is none.
    pid_t ChildPid() const;
    // Null until the first Execute. It ticks only while the child of a run with a time-out is up.
    TProcessTimer* Timer() const;

    // Lines longer than this reach OnNewLine cut into complete pieces of this many bytes, so an
    // endless line costs bounded memory.
    static constexpr size_t kMaxLineLength = 16384;

    // Starts CommandLine on a new worker (stopping the current one first); returns at once.
    // Does nothing at all when CommandLine is empty.
    void Execute();
    // Asks the current worker to end its run and forgets it; does not wait. Its OnTerminated
    // still arrives.
    void Stop();

protected:
    bool event(QEvent* event) override;

private:
    std::string commandLine_;
    int32_t maxTimeAfterBeginning_ = 0;
    int32_t maxTimeAfterLastOutput_ = 0;
    TShowWindow showWindow_ = swHIDE;
    TCreationFlag creationFlag_ = fCREATE_NEW_CONSOLE;
    TReturnCode returnCode_ = rcCRLF;
    std::vector<std::string>* mirrorLines_ = nullptr;
    bool reportFailures_ = true;
    // The workers, their shared state and the timer (engine/processRunner_p.h).
    std::unique_ptr<TProcessRunnerPrivate> d_;
};
