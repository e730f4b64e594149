#include "engine/ProcessRunner.h"

#include "engine/reporter.h"
#include "platform/process.h"

#include <QCoreApplication>
#include <QEvent>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <thread>

// ---------------------------------------------------------------------------------------------
// Show commands and creation flags (recorded, without effect on POSIX)

int ShowWindowCommand(TShowWindow value)
{
    static const int commands[] = { 0, 3, 6, 9, 5, 10, 3, 2, 7, 8, 4, 1 };
    return commands[value];
}

uint32_t CreationFlagValue(TCreationFlag value)
{
    static const uint32_t flags[] = { 0x4000000, 0x10, 0x200, 0x800, 0x1000, 0x4, 0x400, 0x1, 0x2, 0x8 };
    return flags[value];
}

bool IsStartFailure(TEndStatus status)
{
    return status == TEndStatus::PipeFailed || status == TEndStatus::ChildFailed;
}

// ---------------------------------------------------------------------------------------------
// TLockedStringList

TLockedStringList::TLockedStringList(std::shared_mutex& lock, std::function<void()> onAdd)
    : lock_(lock)
    , onAdd_(std::move(onAdd))
{
}

void TLockedStringList::Add(const std::string& line)
{
    {
        std::unique_lock guard(lock_);
        lines_.push_back(line);
    }
    if (onAdd_)
        onAdd_();
}

void TLockedStringList::Clear()
{
    std::unique_lock guard(lock_);
    lines_.clear();
    head_ = 0;
}

int TLockedStringList::Count() const
{
    std::shared_lock guard(lock_);
    return static_cast<int>(lines_.size() - head_);
}

std::string TLockedStringList::Strings(int index) const
{
    std::shared_lock guard(lock_);
    if (index < 0 || static_cast<size_t>(index) >= lines_.size() - head_)
        return {};
    return lines_[head_ + static_cast<size_t>(index)];
}

std::vector<std::string> TLockedStringList::Lines() const
{
    std::shared_lock guard(lock_);
    return { lines_.begin() + static_cast<std::ptrdiff_t>(head_), lines_.end() };
}

bool TLockedStringList::First(std::string& line) const
{
    std::shared_lock guard(lock_);
    if (head_ >= lines_.size())
        return false;
    line = lines_[head_];
    return true;
}

void TLockedStringList::ReplaceLast(const std::string& line)
{
    {
        std::unique_lock guard(lock_);
        if (head_ < lines_.size()) {
            lines_.back() = line;
            return;
        }
        lines_.push_back(line);
    }
    if (onAdd_)
        onAdd_();
}

void TLockedStringList::DeleteFirst()
{
    std::unique_lock guard(lock_);
    if (head_ >= lines_.size())
        return;
    lines_[head_++].clear();
    if (head_ == lines_.size() || (head_ > 64 && head_ * 2 > lines_.size())) {
        lines_.erase(lines_.begin(), lines_.begin() + static_cast<std::ptrdiff_t>(head_));
        head_ = 0;
    }
}

// ---------------------------------------------------------------------------------------------
// TProcessTimer

TProcessTimer::TProcessTimer(QObject* parent)
    : QTimer(parent)
{
    setInterval(1000);
}

// ---------------------------------------------------------------------------------------------
// Hand-off to the user-interface thread

// Carries calls from a worker to the runner's thread. The runner closes it on destruction: a
// worker's waiting call then returns at once and no further call is run, so the worker can finish
// while the runner waits for it.
class THandOffChannel {
public:
    bool Closed()
    {
        std::lock_guard guard(mutex_);
        return closed_;
    }
    void Close()
    {
        {
            std::lock_guard guard(mutex_);
            closed_ = true;
        }
        finished_.notify_all();
    }

    struct Call {
        std::function<void()> work;
        bool done = false;
    };

    void Finish(Call& call)
    {
        {
            std::lock_guard guard(mutex_);
            call.done = true;
        }
        finished_.notify_all();
    }
    // True when the call ran; false when the channel closed first.
    bool WaitFor(Call& call)
    {
        std::unique_lock guard(mutex_);
        finished_.wait(guard, [&] { return call.done || closed_; });
        return call.done;
    }

private:
    std::mutex mutex_;
    std::condition_variable finished_;
    bool closed_ = false;
};

namespace {

const QEvent::Type kCallEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

class CallEvent : public QEvent {
public:
    CallEvent(std::shared_ptr<THandOffChannel> channel, std::shared_ptr<THandOffChannel::Call> call)
        : QEvent(kCallEvent)
        , channel(std::move(channel))
        , call(std::move(call))
    {
    }
    std::shared_ptr<THandOffChannel> channel;
    std::shared_ptr<THandOffChannel::Call> call;
};

struct Delivery {
    std::string line;
    TOutputType type;
    TReturnCode returnCode; // OutputReturnCode as it stood when this line was cut
};

// One read's deliveries, handed over in one call. Owned jointly by the worker and the call so
// that a runner destroyed inside a handler leaves nothing dangling.
struct LineBatch {
    std::vector<Delivery> lines;
    TNewLineEvent onNewLine;
    bool stopAtRequest = true; // drop the rest once the run is asked to stop
    size_t handled = 0;
};

// Qt's post queue is guarded by Qt's own lock, which ThreadSanitizer cannot see. Posting under
// this mutex, and taking it before a posted call runs, makes the ordering visible to it; the
// cost is one uncontended lock per read of output.
std::mutex postLock;

void Post(QObject* receiver, std::unique_ptr<CallEvent> event)
{
    std::lock_guard guard(postLock);
    QCoreApplication::postEvent(receiver, event.release());
}

} // namespace

bool TProcessRunner::event(QEvent* e)
{
    {
        std::lock_guard guard(postLock); // orders this after the post, see Post
    }
    if (e->type() != kCallEvent)
        return QObject::event(e);
    // Local copies: the work may destroy this runner.
    auto channel = static_cast<CallEvent*>(e)->channel;
    auto call = static_cast<CallEvent*>(e)->call;
    if (!channel->Closed())
        call->work();
    channel->Finish(*call);
    return true;
}

// ---------------------------------------------------------------------------------------------
// TRunnerThread

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

    // receiver: the runner as the target of hand-off events; host: the runner's side of the
    // hand-offs. Both are used only on the runner's thread.
    TRunnerThread(QObject* receiver, TRunnerHost* host, std::shared_ptr<THandOffChannel> channel,
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
    void Run();
    void RunChild();
    void PollLoop();
    bool TimedOut() const;
    void WaitForWork(bool outputWaited);
    void ReadOutput(long waiting);
    void CutIntoLines(const char* bytes, size_t count);
    void WriteQueuedInput();
    bool FlushInput();
    void Echo(const std::string& text);
    size_t Deliver(LineBatch batch);
    void HandleBatch(
        const std::shared_ptr<LineBatch>& batch, const std::shared_ptr<THandOffChannel>& channel);
    void CleanUp();
    void Finish(const std::string& failure);

    bool CallOnUiThread(std::function<void()> work);
    void PostToUi(std::function<void()> work);
    void SetEndStatus(TEndStatus value) { shared_->endStatus.store(value); }
    bool StopRequested() const { return terminated_.load(std::memory_order_relaxed); }
    void AddPiece(LineBatch& batch, std::string& line, TReturnCode returnCode);

    QObject* const receiver_;
    TRunnerHost* const host_;
    const std::shared_ptr<THandOffChannel> channel_;
    const std::shared_ptr<TRunnerShared> shared_;
    const Settings settings_;

    std::atomic<bool> terminated_ { false };
    platform::WakeEvent wake_;
    std::thread thread_;

    // Run state, worker only (prevPartial_ is written by the UI thread during a hand-off).
    platform::Pipe input_;
    platform::Pipe output_;
    platform::ChildProcess child_;
    bool timerStarted_ = false;
    bool outputOpen_ = false;
    bool outputSignalled_ = false; // the last wait saw the output ready: data or end of file
    bool inputBroken_ = false; // the child no longer reads its input
    std::vector<char> buffer_;
    std::string unsentInput_; // rest of an entry the full pipe did not take yet
    std::string pending_;
    bool prevPartial_ = false;
    bool lastReadEndedCR_ = false;
    uint32_t exitCode_ = kStillActive;
    uint32_t lastError_ = 0;
};

TRunnerThread::TRunnerThread(QObject* receiver, TRunnerHost* host, std::shared_ptr<THandOffChannel> channel,
    std::shared_ptr<TRunnerShared> shared, Settings settings)
    : receiver_(receiver)
    , host_(host)
    , channel_(std::move(channel))
    , shared_(std::move(shared))
    , settings_(std::move(settings))
{
}

bool TRunnerThread::CallOnUiThread(std::function<void()> work)
{
    if (channel_->Closed())
        return false;
    auto call = std::make_shared<THandOffChannel::Call>();
    call->work = std::move(work);
    Post(receiver_, std::make_unique<CallEvent>(channel_, call));
    return channel_->WaitFor(*call);
}

void TRunnerThread::PostToUi(std::function<void()> work)
{
    auto call = std::make_shared<THandOffChannel::Call>();
    call->work = std::move(work);
    Post(receiver_, std::make_unique<CallEvent>(channel_, call));
}

void TRunnerThread::Run()
{
    std::string failure;
    try {
        RunChild();
    } catch (const TCreatePipeError& e) {
        failure = e.what();
    } catch (const TCreateProcessError& e) {
        failure = e.what();
    } catch (const std::bad_alloc&) {
        lastError_ = ENOMEM;
        failure = settings_.commandLine + " failed: not enough memory.";
    } catch (const std::exception& e) {
        failure = settings_.commandLine + " failed: " + e.what();
    } catch (...) {
        failure = settings_.commandLine + " failed for an unknown reason.";
    }
    try {
        CleanUp();
    } catch (...) {
    }
    Finish(failure);
}

void TRunnerThread::RunChild()
{
    SetEndStatus(TEndStatus::Started);
    if (StopRequested()) {
        // Stopped before it began: no pipes, no child, but still one OnTerminated.
        SetEndStatus(TEndStatus::Stopped);
        return;
    }
    buffer_.resize(1024);

    SetEndStatus(TEndStatus::CreatingPipes);
    if (int error = platform::CreatePipe(input_); error != 0) {
        lastError_ = static_cast<uint32_t>(error);
        throw TCreatePipeError("Cannot create a pipe: " + std::string(std::strerror(error)));
    }
    if (int error = platform::CreatePipe(output_); error != 0) {
        lastError_ = static_cast<uint32_t>(error);
        input_ = {};
        throw TCreatePipeError("Cannot create a pipe: " + std::string(std::strerror(error)));
    }
    platform::SetNonBlocking(input_.writeEnd.Get());
    platform::SetNonBlocking(output_.readEnd.Get());

    SetEndStatus(TEndStatus::CreatingChild);
    const int error = child_.Start(
        settings_.commandLine, input_.readEnd.Get(), output_.writeEnd.Get(), output_.writeEnd.Get());
    if (error != 0) {
        lastError_ = static_cast<uint32_t>(error);
        throw TCreateProcessError(settings_.commandLine + " doesn't exist.");
    }
    // The child holds its own copies; without ours, its end of output is seen as end of file
    // and a write to an input it closed fails instead of filling the pipe.
    shared_->childPid.store(child_.Pid());
    input_.readEnd.Reset();
    output_.writeEnd.Reset();
    outputOpen_ = true;

    settings_.timer->SetSecondsSinceStart(0);
    settings_.timer->SetSecondsSinceOutput(0);
    PostToUi([host = host_, self = this] { host->ChildStarted(self); });
    timerStarted_ = true;
    exitCode_ = kStillActive;
    SetEndStatus(TEndStatus::ChildRunning);
    pending_.clear();
    prevPartial_ = false;
    lastReadEndedCR_ = false;

    PollLoop();

    if (!pending_.empty()) {
        Deliver({ { { pending_, otBeginningOfLine, shared_->outputReturnCode.load() } }, settings_.onNewLine,
            false });
    }
}

void TRunnerThread::PollLoop()
{
    for (;;) {
        // The exit code comes first: the pass that sees the end still reads what was left.
        exitCode_ = child_.ExitCode();
        const long waiting = outputOpen_ ? platform::PeekPipe(output_.readEnd.Get()) : 0;
        if (waiting > 0 || outputSignalled_)
            ReadOutput(waiting);
        else
            WriteQueuedInput();
        const bool outputWaited = waiting > 0;
        if (exitCode_ != kStillActive) {
            SetEndStatus(TEndStatus::Exited);
            shared_->resultCode.store(exitCode_);
            return;
        }
        WaitForWork(outputWaited);
        if (StopRequested()) {
            SetEndStatus(TEndStatus::Stopped);
            return;
        }
        if (TimedOut()) {
            SetEndStatus(TEndStatus::TimedOut);
            return;
        }
    }
}

bool TRunnerThread::TimedOut() const
{
    const Settings& s = settings_;
    return (s.maxTimeAfterBeginning > 0 && s.timer->SecondsSinceStart() > s.maxTimeAfterBeginning)
        || (s.maxTimeAfterLastOutput > 0 && s.timer->SecondsSinceOutput() > s.maxTimeAfterLastOutput);
}

// In place of a fixed pause: sleeps until output, the child's end, room for queued input, or a
// wake-up (stop request, new input, timer tick) arrives.
void TRunnerThread::WaitForWork(bool outputWaited)
{
    std::vector<platform::WaitItem> items {
        { outputOpen_ ? output_.readEnd.Get() : -1, false, false },
        { wake_.Fd(), false, false },
        { child_.ExitFd(), false, false },
        { unsentInput_.empty() || inputBroken_ ? -1 : input_.writeEnd.Get(), true, false },
    };
    // Without a process descriptor the child's end is found by polling.
    int timeout = child_.ExitFd() < 0 ? 10 : -1;
    if (outputWaited)
        timeout = 0; // queued input waits for a pass without output: check again at once
    platform::WaitForAny(items, timeout);
    outputSignalled_ = items[0].ready;
    if (items[1].ready)
        wake_.Clear();
}

void TRunnerThread::ReadOutput(long waiting)
{
    if (waiting > 0 && static_cast<size_t>(waiting) > buffer_.size())
        buffer_.resize(static_cast<size_t>(waiting)); // grows to the most seen waiting; never shrinks
    const long n = platform::ReadPipe(output_.readEnd.Get(), buffer_.data(), buffer_.size());
    if (n > 0)
        CutIntoLines(buffer_.data(), static_cast<size_t>(n));
    else if (n == 0 || errno != EAGAIN)
        outputOpen_ = false; // every writer has gone
    outputSignalled_ = false;
}

namespace {
bool EndsNothing(char c)
{
    return c != '\r' && c != '\n' && c != '\0';
}
} // namespace

// A line that reached the length cap goes out as a complete piece; the rest starts a new one.
void TRunnerThread::AddPiece(LineBatch& batch, std::string& line, TReturnCode returnCode)
{
    batch.lines.push_back({ std::move(line), otEntireLine, returnCode });
    line.clear();
}

void TRunnerThread::CutIntoLines(const char* bytes, size_t count)
{
    constexpr size_t cap = TProcessRunner::kMaxLineLength;
    LineBatch batch;
    batch.onNewLine = settings_.onNewLine;
    std::string line = std::move(pending_);
    TReturnCode returnCode = shared_->outputReturnCode.load();
    bool lastWasCR = false;
    size_t i = 0;
    if (lastReadEndedCR_ && bytes[0] == '\n')
        i = 1; // second half of a CR LF split across two reads
    while (i < count && !StopRequested()) {
        if (line.size() >= cap && EndsNothing(bytes[i]))
            AddPiece(batch, line, returnCode);
        const size_t room = line.size() < cap ? cap - line.size() : 0; // echoed input may exceed it
        const size_t limit = std::min(count, i + room);
        size_t end = i;
        while (end < limit && EndsNothing(bytes[end]))
            ++end;
        line.append(bytes + i, end - i);
        lastWasCR = false;
        i = end;
        if (end == count || EndsNothing(bytes[end]))
            continue; // all read, or the line is full: the next pass cuts it
        const char c = bytes[end];
        i = end + 1;
        lastWasCR = c == '\r';
        if (c == '\0')
            continue;
        if (c == '\r' && i < count && bytes[i] == '\n') {
            ++i;
            lastWasCR = false;
            returnCode = rcCRLF;
        } else {
            returnCode = rcLF;
        }
        batch.lines.push_back({ std::move(line), otEntireLine, returnCode });
        line.clear();
    }
    lastReadEndedCR_ = lastWasCR;
    pending_ = std::move(line);
    if (!pending_.empty())
        batch.lines.push_back({ pending_, otBeginningOfLine, returnCode });
    const size_t deliveries = batch.lines.size();
    if (Deliver(std::move(batch)) < deliveries)
        pending_.clear(); // stopped after the last handled line: nothing of the next was looked at
}

// Hands a batch to the UI thread and waits; returns how many lines were handled. The batch is
// shared with the call: a handler that destroys the runner may still be reading its line.
// Exceptions are swallowed; the run goes on.
size_t TRunnerThread::Deliver(LineBatch batch)
{
    if (batch.lines.empty())
        return 0;
    try {
        auto shared = std::make_shared<LineBatch>(std::move(batch));
        auto channel = channel_;
        CallOnUiThread([this, shared, channel] { HandleBatch(shared, channel); });
        return shared->handled;
    } catch (...) {
        return 0;
    }
}

// On the UI thread. After each handler the channel is checked first: a handler may have
// destroyed the runner, and with it this worker.
void TRunnerThread::HandleBatch(
    const std::shared_ptr<LineBatch>& batch, const std::shared_ptr<THandOffChannel>& channel)
{
    for (const Delivery& d : batch->lines) {
        if (batch->stopAtRequest && StopRequested())
            return;
        settings_.timer->SetSecondsSinceOutput(0);
        host_->LineArrived(d.line, d.type, d.returnCode, prevPartial_);
        prevPartial_ = d.type == otBeginningOfLine;
        ++batch->handled;
        if (batch->onNewLine) {
            try {
                batch->onNewLine(static_cast<TProcessRunner*>(receiver_), d.line, d.type);
            } catch (...) {
            }
            if (channel->Closed())
                return;
        }
    }
}

void TRunnerThread::WriteQueuedInput()
{
    if (!FlushInput())
        return; // the pipe is full; the rest goes in a later pass
    std::string text;
    while (!StopRequested() && shared_->inputQueue.First(text)) {
        unsentInput_ = text;
        FlushInput();
        if (shared_->inputToOutput.load())
            Echo(text);
        shared_->inputQueue.DeleteFirst();
        if (!unsentInput_.empty())
            return;
    }
}

// Writes what the pipe takes of unsentInput_; true when nothing is left.
bool TRunnerThread::FlushInput()
{
    while (!unsentInput_.empty() && !inputBroken_) {
        const long n = platform::WritePipe(input_.writeEnd.Get(), unsentInput_.data(), unsentInput_.size());
        if (n > 0) {
            unsentInput_.erase(0, static_cast<size_t>(n));
        } else if (n < 0 && errno == EAGAIN) {
            return false;
        } else {
            inputBroken_ = true; // the child closed its input (EPIPE): later text goes nowhere
        }
    }
    unsentInput_.clear();
    return true;
}

void TRunnerThread::Echo(const std::string& text)
{
    const size_t crlf = text.find("\r\n");
    const size_t lf = text.find('\n');
    const bool terminated = (crlf != std::string::npos && crlf + 2 == text.size())
        || (lf != std::string::npos && lf + 1 == text.size());
    pending_ = prevPartial_ ? pending_ + text : text;
    LineBatch batch {
        { { pending_, terminated ? otEntireLine : otBeginningOfLine, shared_->outputReturnCode.load() } },
        settings_.onNewLine, false
    };
    if (terminated)
        pending_.clear();
    Deliver(std::move(batch));
}

void TRunnerThread::CleanUp()
{
    if (child_.Started()) {
        // Also after a normal end: whatever the child left running in its group goes with it.
        pid_t own = child_.Pid();
        shared_->childPid.compare_exchange_strong(own, 0); // a later run may have its own by now
        child_.Terminate();
    }
    if (timerStarted_)
        PostToUi([host = host_, self = this] { host->ChildGone(self); });
    input_.readEnd.Reset();
    output_.writeEnd.Reset();
    output_.readEnd.Reset();
    input_.writeEnd.Reset();
    std::vector<char>().swap(buffer_);
}

void TRunnerThread::Finish(const std::string& failure)
{
    const TEndStatus status = shared_->endStatus.load();
    if (status < TEndStatus::Exited && static_cast<uint8_t>(status) % 2 == 0) {
        SetEndStatus(static_cast<TEndStatus>(static_cast<uint8_t>(status) + 1));
        shared_->resultCode.store(lastError_);
    }
    auto* sender = static_cast<TProcessRunner*>(receiver_);
    try {
        CallOnUiThread([host = host_, sender, self = this, exitCode = exitCode_,
                           onTerminated = settings_.onTerminated, channel = channel_, failure,
                           report = settings_.reportFailures] {
            host->RunEnding(self, failure);
            if (onTerminated) {
                try {
                    onTerminated(sender, exitCode);
                } catch (...) {
                }
            }
            // In the same hand-off, so that no caller can tear the runner down before the report
            // is made; a handler that destroyed the runner does not stop it.
            if (!channel->Closed())
                host->RunEnded(self);
            if (report && !failure.empty())
                ReportError(failure);
        });
        PostToUi([host = host_, self = this] { host->ReapWorker(self); });
    } catch (...) {
        // Without memory for the hand-off the worker stays listed until the runner goes.
    }
}

// ---------------------------------------------------------------------------------------------
// TProcessRunner

TProcessRunner::TProcessRunner(QObject* owner)
    : QObject(owner)
    , shared_(std::make_shared<TRunnerShared>([this] { WakeCurrentWorker(); }))
    , handOff_(std::make_shared<THandOffChannel>())
{
    platform::IgnoreSigpipe();
}

TProcessRunner::~TProcessRunner()
{
    Stop();
    for (auto& worker : workers_)
        worker->RequestStop();
    handOff_->Close();
    // Bounded: a stopped worker only kills and reaps its child and closes its pipes.
    for (auto& worker : workers_)
        worker->Join();
    workers_.clear();
    delete timer_;
    timer_ = nullptr;
}

void TProcessRunner::Execute()
{
    if (commandLine_.empty())
        return;
    Stop();
    if (!timer_) {
        timer_ = new TProcessTimer(this);
        connect(timer_, &QTimer::timeout, this, [this] { OnTimerTick(); });
    }
    shared_->receivedLines.Clear();
    failureMessage_.clear();
    auto worker = std::make_unique<TRunnerThread>(this, static_cast<TRunnerHost*>(this), handOff_, shared_,
        TRunnerThread::Settings { commandLine_, OnNewLine, OnTerminated, timer_, maxTimeAfterBeginning_,
            maxTimeAfterLastOutput_, PriorityClass(), showWindow_, creationFlag_, reportFailures_ });
    shared_->inputQueue.Clear();
    TRunnerThread* started = worker.get();
    workers_.push_back(std::move(worker));
    try {
        started->Start();
    } catch (...) {
        workers_.pop_back();
        throw;
    }
    current_ = started;
}

void TProcessRunner::Stop()
{
    if (!current_)
        return;
    current_->RequestStop();
    current_ = nullptr;
}

void TProcessRunner::OnTimerTick()
{
    timer_->CountSecond();
    WakeCurrentWorker(); // the time-outs are checked by the worker
}

void TProcessRunner::WakeCurrentWorker()
{
    if (current_)
        current_->Wake();
}

void TProcessRunner::ChildStarted(TRunnerThread* worker)
{
    // A worker stopped before its child came up must not take the timer from its successor.
    if (current_ != worker)
        return;
    timer_->start(1000);
    timerOwner_ = worker;
}

void TProcessRunner::ChildGone(TRunnerThread* worker)
{
    if (timerOwner_ != worker)
        return;
    timer_->stop();
    timerOwner_ = nullptr;
}

void TProcessRunner::LineArrived(
    const std::string& line, TOutputType type, TReturnCode returnCode, bool continuesPartial)
{
    if (continuesPartial && type == otBeginningOfLine)
        shared_->receivedLines.ReplaceLast(line);
    else
        shared_->receivedLines.Add(line);
    shared_->outputReturnCode.store(returnCode);
    if (mirrorLines_) {
        if (mirrorLines_->empty() || !continuesPartial)
            mirrorLines_->push_back(line);
        else
            mirrorLines_->back() = line;
    }
}

void TProcessRunner::RunEnding(TRunnerThread*, const std::string& failure)
{
    failureMessage_ = failure;
}

void TProcessRunner::RunEnded(TRunnerThread* worker)
{
    if (current_ == worker)
        current_ = nullptr;
}

void TProcessRunner::ReapWorker(TRunnerThread* worker)
{
    for (auto it = workers_.begin(); it != workers_.end(); ++it) {
        if (it->get() == worker) {
            (*it)->Join(); // it has returned from its last hand-off; this waits for its exit only
            if (timerOwner_ == worker)
                timerOwner_ = nullptr;
            if (current_ == worker)
                current_ = nullptr;
            workers_.erase(it);
            return;
        }
    }
}
