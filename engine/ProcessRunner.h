#pragma once
// Runs one console program as a child process with its standard streams redirected into pipes.
// A worker thread does all pipe and process work; every output line and the end of every run are
// handed to the thread that owns the runner (the user-interface thread) while the worker waits.
#include <QObject>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <shared_mutex>
#include <stdexcept>
#include <string>
#include <vector>

class TProcessRunner;
class TRunnerThread;
class THandOffChannel;

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

// The exit code reported while a child runs, and for a run whose child did not end by itself.
constexpr uint32_t STILL_ACTIVE = 259;

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

// A string list whose every access holds its owner's multi-reader/single-writer lock, so the
// user-interface thread and the worker may both use it.
class TLockedStringList {
public:
    TLockedStringList(std::shared_mutex& lock, std::function<void()> onAdd = {});
    void Add(const std::string& line);
    void Clear();
    int Count() const;
    // Empty text when index is out of range.
    std::string Strings(int index) const;
    std::vector<std::string> Lines() const;
    // Worker side: the first entry without removing it; false when the list is empty.
    bool First(std::string& line) const;
    void DeleteFirst();

private:
    std::shared_mutex& lock_;
    std::function<void()> onAdd_;
    std::vector<std::string> lines_;
    size_t head_ = 0; // entries before head_ are deleted; keeps DeleteFirst O(1)
};

// One-second tick on the user-interface thread. Both counters are read and reset by the worker.
class TProcessTimer : public QTimer {
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
public:
    explicit TProcessRunner(QObject* owner = nullptr);
    // Stops a running child (it and its process group are killed), waits for the worker's
    // clean-up, which no longer hands anything over, and raises no further event.
    ~TProcessRunner() override;

    const std::string& CommandLine() const { return commandLine_; }
    void SetCommandLine(const std::string& value) { commandLine_ = value; }
    TNewLineEvent OnNewLine;
    TTerminateEvent OnTerminated;
    bool InputToOutput() const { return inputToOutput_.load(); }
    void SetInputToOutput(bool value) { inputToOutput_.store(value); }
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
    TReturnCode OutputReturnCode() const { return outputReturnCode_.load(); }

    // Every delivery of the current run, in order; cleared by Execute.
    TLockedStringList& ReceivedLines() { return receivedLines_; }
    const TLockedStringList& ReceivedLines() const { return receivedLines_; }
    // Text for the child's standard input, first entry first; written exactly as queued. Add to
    // it on the runner's thread (the add wakes the worker).
    TLockedStringList& InputQueue() { return inputQueue_; }
    const TLockedStringList& InputQueue() const { return inputQueue_; }
    // Optional, not owned: kept so that a line still growing occupies one entry.
    std::vector<std::string>* MirrorLines() const { return mirrorLines_; }
    void SetMirrorLines(std::vector<std::string>* value) { mirrorLines_ = value; }

    uint32_t PriorityClass() const { return 0x20; }
    // How far the last run got: 0 started, 2 creating the pipes, 4 creating the child, 6 child
    // running (odd: that step failed), 8 child ended by itself, 9 stopped, 10 timed out.
    uint8_t EndStatus() const { return endStatus_.load(); }
    // The child's exit code when it ended by itself, else errno of the failed step.
    uint32_t ResultCode() const { return resultCode_.load(); }
    // Null until the first Execute.
    TProcessTimer* Timer() const { return timer_; }

    // Starts CommandLine on a new worker (stopping the current one first); returns at once.
    // Does nothing at all when CommandLine is empty.
    void Execute();
    // Asks the current worker to end its run and forgets it; does not wait. Its OnTerminated
    // still arrives.
    void Stop();

protected:
    bool event(QEvent* event) override;

private:
    friend class TRunnerThread;

    void OnTimerTick();
    void ReapWorker(TRunnerThread* worker);
    void WakeCurrentWorker();

    std::string commandLine_;
    std::atomic<bool> inputToOutput_ { false }; // read live by the worker
    int32_t maxTimeAfterBeginning_ = 0;
    int32_t maxTimeAfterLastOutput_ = 0;
    TShowWindow showWindow_ = swHIDE;
    TCreationFlag creationFlag_ = fCREATE_NEW_CONSOLE;
    TReturnCode returnCode_ = rcCRLF;
    std::atomic<TReturnCode> outputReturnCode_ { rcCRLF };
    std::atomic<uint8_t> endStatus_ { 0 };
    std::atomic<uint32_t> resultCode_ { 0 };
    std::vector<std::string>* mirrorLines_ = nullptr;

    mutable std::shared_mutex lock_;
    TLockedStringList receivedLines_;
    TLockedStringList inputQueue_;
    TProcessTimer* timer_ = nullptr;
    TRunnerThread* timerOwner_ = nullptr; // the worker whose run started the timer last

    TRunnerThread* current_ = nullptr;
    // Every worker not yet joined, the current one and stopped ones still cleaning up.
    std::vector<std::unique_ptr<TRunnerThread>> workers_;
    std::shared_ptr<THandOffChannel> handOff_;
};
