#pragma once
// The process runner's internals, for engine/ProcessRunner.cpp only: the worker thread, the state
// it shares with its runner, the hand-off channel between them and the runner's side of its runs.
#include "engine/ProcessRunner.h"
#include "engine/lineCutter.h"
#include "platform/process.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <thread>
#include <vector>

class TRunnerThread;

// The runner's two lists, with what its internals need besides the callers' operations: the worker
// takes the input queue's entries one by one (First, then DeleteFirst), and a growing line
// replaces its own beginning in ReceivedLines (ReplaceLast).
class TLockedStringListImpl final : public TLockedStringList {
public:
    // onAdd: called after every entry added, outside the lock.
    explicit TLockedStringListImpl(std::shared_mutex& lock, std::function<void()> onAdd = {});
    void Add(const std::string& line) override;
    void Clear() override;
    int Count() const override;
    std::string Strings(int index) const override;
    std::vector<std::string> Lines() const override;
    // The first entry without removing it; false when the list is empty.
    bool First(std::string& line) const;
    void DeleteFirst();
    // Replaces the last entry (adds one when the list is empty).
    void ReplaceLast(const std::string& line);

private:
    std::shared_mutex& lock_;
    std::function<void()> onAdd_;
    std::vector<std::string> lines_;
    size_t head_ = 0; // entries before head_ are deleted; keeps DeleteFirst O(1)
};

// State a worker shares with its runner. Which thread writes each field:
// - endStatus, resultCode: the worker (final before OnTerminated is raised);
// - childPid: the worker, when its child starts and once it is reaped;
// - outputReturnCode, receivedLines: the runner's thread, while the worker waits in a hand-off;
//   Execute clears receivedLines;
// - inputToOutput: the runner's thread (SetInputToOutput); the worker reads it live;
// - inputQueue: the runner's thread adds, the worker removes.
// Both lists hold `lock` for every access.
struct TRunnerShared {
    explicit TRunnerShared(std::function<void()> onInputAdded)
        : receivedLines(lock)
        , inputQueue(lock, std::move(onInputAdded))
    {
    }
    std::atomic<TEndStatus> endStatus { TEndStatus::Started };
    std::atomic<uint32_t> resultCode { 0 };
    std::atomic<pid_t> childPid { 0 };
    std::atomic<TReturnCode> outputReturnCode { rcCRLF };
    std::atomic<bool> inputToOutput { false };
    std::shared_mutex lock;
    TLockedStringListImpl receivedLines;
    TLockedStringListImpl inputQueue;
};

// Carries calls from a worker to the runner's thread. The runner closes it on destruction: a
// worker's waiting call then returns at once and no further call is run, so the worker can finish
// while the runner waits for it.
class THandOffChannel {
public:
    struct Call {
        std::function<void()> work;
        bool done = false;
    };

    bool Closed();
    void Close();
    // Runner's thread: the call has run (or was skipped on a closed channel).
    void Finish(Call& call);
    // Worker: true when the call ran; false when the channel closed first.
    bool WaitFor(Call& call);

private:
    std::mutex mutex_;
    std::condition_variable finished_;
    bool closed_ = false;
};

// What a worker asks of its runner. Called only on the runner's thread, inside a hand-off, and
// never after the runner is destroyed.
class TRunnerHost {
public:
    // The child of a run with a time-out is up: start the one-second timer for this run.
    virtual void StartTimer(TRunnerThread* worker) = 0;
    // That child is gone: stop the timer if this run started it.
    virtual void StopTimer(TRunnerThread* worker) = 0;
    // One output piece handed over: ReceivedLines, MirrorLines and OutputReturnCode follow it.
    // continuesPartial: the previous delivery was the beginning of this same line.
    virtual void LineArrived(const TLinePiece& piece, bool continuesPartial) = 0;
    // Just before OnTerminated: the failure that ended the run (empty when none).
    virtual void RunEnding(TRunnerThread* worker, const std::string& failure) = 0;
    // After OnTerminated: the worker is no longer current; it may be joined once it returns.
    virtual void RunEnded(TRunnerThread* worker) = 0;
    virtual void ReapWorker(TRunnerThread* worker) = 0;

protected:
    ~TRunnerHost() = default;
};

// The type a piece reaches OnNewLine with.
inline TOutputType OutputTypeOf(const TLinePiece& piece)
{
    return piece.end == TPieceEnd::Open ? otBeginningOfLine : otEntireLine;
}

// One run: creates the pipes and the child, waits in poll() for output, the child's end, room for
// input or a wake-up, cuts the output into lines and hands them, and finally the end of the run,
// to the runner's thread, waiting each time until they are handled.
class TRunnerThread {
public:
    // Everything a run needs from its runner, copied when the run is created: later changes to
    // the runner do not reach it.
    struct Settings {
        std::string commandLine;
        TNewLineEvent onNewLine;
        TTerminateEvent onTerminated;
        TProcessTimer* timer; // owned by the runner, which joins every worker before freeing it
        int32_t maxTimeAfterBeginning;
        int32_t maxTimeAfterLastOutput;
        // Recorded for completeness; a POSIX child has no console window or priority class.
        uint32_t priorityClass;
        TShowWindow showWindow;
        TCreationFlag creationFlag;
        bool reportFailures; // the failure goes to the error reporter after OnTerminated
    };

    // runner: the target of hand-off events and the Sender of the events; host: the runner's
    // side of the hand-offs. Both are used only on the runner's thread.
    TRunnerThread(TProcessRunner* runner, TRunnerHost* host, std::shared_ptr<THandOffChannel> channel,
        std::shared_ptr<TRunnerShared> shared, Settings settings);
    ~TRunnerThread() { Join(); }

    void Start() { thread_ = std::thread(&TRunnerThread::Run, this); }
    void RequestStop()
    {
        terminated_.store(true);
        wake_.Signal();
    }
    void Wake() { wake_.Signal(); }
    void Join()
    {
        if (thread_.joinable())
            thread_.join();
    }

private:
    struct LineBatch;

    void Run();
    void RunChild();
    void PollLoop();
    bool HasTimeOut() const;
    bool TimedOut() const;
    void WaitForWork(bool outputWaited);
    void ReadOutput(long waiting);
    void WriteQueuedInput();
    bool FlushInput();
    size_t Deliver(std::vector<TLinePiece> pieces, bool stopAtRequest);
    void HandleBatch(
        const std::shared_ptr<LineBatch>& batch, const std::shared_ptr<THandOffChannel>& channel);
    void CleanUp();
    void Finish(const std::string& failure);

    bool CallOnUiThread(std::function<void()> work);
    void PostToUi(std::function<void()> work);
    void SetEndStatus(TEndStatus value) { shared_->endStatus.store(value); }
    bool StopRequested() const { return terminated_.load(std::memory_order_relaxed); }

    TProcessRunner* const runner_;
    TRunnerHost* const host_;
    const std::shared_ptr<THandOffChannel> channel_;
    const std::shared_ptr<TRunnerShared> shared_;
    const Settings settings_;

    std::atomic<bool> terminated_ { false };
    platform::TWakeEvent wake_;
    std::thread thread_;

    // Run state, worker only (prevPartial_ is written by the UI thread during a hand-off).
    platform::TPipe input_;
    platform::TPipe output_;
    platform::TChildProcess child_;
    bool timerStarted_ = false;
    bool outputOpen_ = false;
    bool outputSignalled_ = false; // the last wait saw the output ready: data or end of file
    bool inputBroken_ = false; // the child no longer reads its input
    std::vector<char> buffer_;
    std::string unsentInput_; // rest of an entry the full pipe did not take yet
    TLineCutter cutter_ { TProcessRunner::kMaxLineLength };
    bool prevPartial_ = false; // the last piece handled was the beginning of a line
    uint32_t exitCode_ = kStillActive;
    uint32_t lastError_ = 0;
};

// The runner's side of its runs: the workers, the state they share with it and the timer. Lives
// on the runner's thread.
class TProcessRunnerPrivate final : public TRunnerHost {
public:
    explicit TProcessRunnerPrivate(TProcessRunner* runner);
    // Stops every worker, closes the hand-off channel and joins them, then frees the timer.
    ~TProcessRunnerPrivate();

    // Stops the current run and starts a new one with the runner's settings.
    void Start();
    void Stop();

    const std::shared_ptr<TRunnerShared> shared;
    TProcessTimer* timer = nullptr;
    std::string failureMessage;

private:
    void StartTimer(TRunnerThread* worker) override;
    void StopTimer(TRunnerThread* worker) override;
    void LineArrived(const TLinePiece& piece, bool continuesPartial) override;
    void RunEnding(TRunnerThread* worker, const std::string& failure) override;
    void RunEnded(TRunnerThread* worker) override;
    void ReapWorker(TRunnerThread* worker) override;
    TRunnerThread::Settings SettingsForRun() const;
    void OnTimerTick();
    void WakeCurrentWorker();

    TProcessRunner* const runner_;
    const std::shared_ptr<THandOffChannel> handOff_;
    TRunnerThread* timerOwner_ = nullptr; // the worker whose run started the timer last
    TRunnerThread* current_ = nullptr;
    // Every worker not yet joined, the current one and stopped ones still cleaning up.
    std::vector<std::unique_ptr<TRunnerThread>> workers_;
};
