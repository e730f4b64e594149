// The process runner and its worker thread (about 730 lines, one unit on purpose): the worker's
// loop, its hand-offs to the user-interface thread and the runner's side of them share the
// private types of processRunner_p.h and are read together. Line cutting is TLineCutter's.
#include "engine/ProcessRunner.h"

#include "engine/processRunner_p.h"
#include "engine/reporter.h"
#include "platform/process.h"

#include <QCoreApplication>
#include <QEvent>

#include <cstring>
#include <mutex>
#include <new>

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
// TLockedStringListImpl

TLockedStringListImpl::TLockedStringListImpl(std::shared_mutex& lock, std::function<void()> onAdd)
    : lock_(lock)
    , onAdd_(std::move(onAdd))
{
}

void TLockedStringListImpl::Add(const std::string& line)
{
    {
        std::unique_lock guard(lock_);
        lines_.push_back(line);
    }
    if (onAdd_)
        onAdd_();
}

void TLockedStringListImpl::Clear()
{
    std::unique_lock guard(lock_);
    lines_.clear();
    head_ = 0;
}

int TLockedStringListImpl::Count() const
{
    std::shared_lock guard(lock_);
    return static_cast<int>(lines_.size() - head_);
}

std::string TLockedStringListImpl::Strings(int index) const
{
    std::shared_lock guard(lock_);
    if (index < 0 || static_cast<size_t>(index) >= lines_.size() - head_)
        return {};
    return lines_[head_ + static_cast<size_t>(index)];
}

std::vector<std::string> TLockedStringListImpl::Lines() const
{
    std::shared_lock guard(lock_);
    return { lines_.begin() + static_cast<std::ptrdiff_t>(head_), lines_.end() };
}

bool TLockedStringListImpl::First(std::string& line) const
{
    std::shared_lock guard(lock_);
    if (head_ >= lines_.size())
        return false;
    line = lines_[head_];
    return true;
}

void TLockedStringListImpl::ReplaceLast(const std::string& line)
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

void TLockedStringListImpl::DeleteFirst()
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

bool THandOffChannel::Closed()
{
    std::lock_guard guard(mutex_);
    return closed_;
}

void THandOffChannel::Close()
{
    {
        std::lock_guard guard(mutex_);
        closed_ = true;
    }
    finished_.notify_all();
}

void THandOffChannel::Finish(Call& call)
{
    {
        std::lock_guard guard(mutex_);
        call.done = true;
    }
    finished_.notify_all();
}

bool THandOffChannel::WaitFor(Call& call)
{
    std::unique_lock guard(mutex_);
    finished_.wait(guard, [&] { return call.done || closed_; });
    return call.done;
}

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

// One read's pieces, handed over in one call. Owned jointly by the worker and the call so that a
// runner destroyed inside a handler leaves nothing dangling.
struct TRunnerThread::LineBatch {
    std::vector<TLinePiece> pieces;
    TNewLineEvent onNewLine;
    bool stopAtRequest = true; // drop the rest once the run is asked to stop
    size_t handled = 0;
};

TRunnerThread::TRunnerThread(TProcessRunner* runner, TRunnerHost* host,
    std::shared_ptr<THandOffChannel> channel, std::shared_ptr<TRunnerShared> shared, Settings settings)
    : runner_(runner)
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
    Post(runner_, std::make_unique<CallEvent>(channel_, call));
    return channel_->WaitFor(*call);
}

void TRunnerThread::PostToUi(std::function<void()> work)
{
    auto call = std::make_shared<THandOffChannel::Call>();
    call->work = std::move(work);
    Post(runner_, std::make_unique<CallEvent>(channel_, call));
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
    if (HasTimeOut()) {
        PostToUi([host = host_, self = this] { host->StartTimer(self); });
        timerStarted_ = true;
    }
    exitCode_ = kStillActive;
    SetEndStatus(TEndStatus::ChildRunning);

    PollLoop();

    Deliver(cutter_.Finish(), false);
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

// Only such a run needs the one-second timer.
bool TRunnerThread::HasTimeOut() const
{
    return settings_.maxTimeAfterBeginning > 0 || settings_.maxTimeAfterLastOutput > 0;
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
    std::vector<platform::TWaitItem> items {
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
    if (n > 0) {
        std::vector<TLinePiece> pieces = cutter_.Feed({ buffer_.data(), static_cast<size_t>(n) });
        const size_t count = pieces.size();
        if (Deliver(std::move(pieces), true) < count)
            cutter_.DropPending(); // the rest of this read was dropped: its open line ends unsaid
    } else if (n == 0 || errno != EAGAIN) {
        outputOpen_ = false; // every writer has gone
    }
    outputSignalled_ = false;
}

// Hands the pieces to the UI thread and waits; returns how many were handled. The batch is
// shared with the call: a handler that destroys the runner may still be reading its line.
// stopAtRequest: the rest is dropped once the run is asked to stop. Exceptions are swallowed;
// the run goes on.
size_t TRunnerThread::Deliver(std::vector<TLinePiece> pieces, bool stopAtRequest)
{
    if (pieces.empty())
        return 0;
    try {
        auto batch = std::make_shared<LineBatch>(
            LineBatch { std::move(pieces), settings_.onNewLine, stopAtRequest });
        auto channel = channel_;
        CallOnUiThread([this, batch, channel] { HandleBatch(batch, channel); });
        return batch->handled;
    } catch (...) {
        return 0;
    }
}

// On the UI thread. After each handler the channel is checked first: a handler may have
// destroyed the runner, and with it this worker.
void TRunnerThread::HandleBatch(
    const std::shared_ptr<LineBatch>& batch, const std::shared_ptr<THandOffChannel>& channel)
{
    for (const TLinePiece& piece : batch->pieces) {
        if (batch->stopAtRequest && StopRequested())
            return;
        settings_.timer->SetSecondsSinceOutput(0);
        host_->LineArrived(piece, prevPartial_);
        prevPartial_ = piece.end == TPieceEnd::Open;
        ++batch->handled;
        if (batch->onNewLine) {
            try {
                batch->onNewLine(runner_, piece.text, OutputTypeOf(piece));
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
            Deliver({ cutter_.Echo(text, prevPartial_) }, false);
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

void TRunnerThread::CleanUp()
{
    if (child_.Started()) {
        // Also after a normal end: whatever the child left running in its group goes with it.
        pid_t own = child_.Pid();
        shared_->childPid.compare_exchange_strong(own, 0); // a later run may have its own by now
        child_.Terminate();
    }
    if (timerStarted_)
        PostToUi([host = host_, self = this] { host->StopTimer(self); });
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
    try {
        CallOnUiThread([host = host_, sender = runner_, self = this, exitCode = exitCode_,
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
// TProcessRunnerPrivate

TProcessRunnerPrivate::TProcessRunnerPrivate(TProcessRunner* runner)
    : shared(std::make_shared<TRunnerShared>([this] { WakeCurrentWorker(); }))
    , runner_(runner)
    , handOff_(std::make_shared<THandOffChannel>())
{
}

TProcessRunnerPrivate::~TProcessRunnerPrivate()
{
    Stop();
    for (auto& worker : workers_)
        worker->RequestStop();
    handOff_->Close();
    // Bounded: a stopped worker only kills and reaps its child and closes its pipes.
    for (auto& worker : workers_)
        worker->Join();
    workers_.clear();
    delete timer;
    timer = nullptr;
}

void TProcessRunnerPrivate::Start()
{
    Stop();
    if (!timer) {
        timer = new TProcessTimer(runner_);
        QObject::connect(timer, &QTimer::timeout, runner_, [this] { OnTimerTick(); });
    }
    shared->receivedLines.Clear();
    failureMessage.clear();
    auto worker = std::make_unique<TRunnerThread>(runner_, this, handOff_, shared, SettingsForRun());
    shared->inputQueue.Clear();
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

TRunnerThread::Settings TProcessRunnerPrivate::SettingsForRun() const
{
    const TProcessRunner& r = *runner_;
    return { r.CommandLine(), r.OnNewLine, r.OnTerminated, timer, r.MaxTimeAfterBeginning(),
        r.MaxTimeAfterLastOutput(), r.PriorityClass(), r.ShowWindow(), r.CreationFlag(), r.ReportFailures() };
}

void TProcessRunnerPrivate::Stop()
{
    if (!current_)
        return;
    current_->RequestStop();
    current_ = nullptr;
}

void TProcessRunnerPrivate::OnTimerTick()
{
    timer->CountSecond();
    WakeCurrentWorker(); // the time-outs are checked by the worker
}

void TProcessRunnerPrivate::WakeCurrentWorker()
{
    if (current_)
        current_->Wake();
}

void TProcessRunnerPrivate::StartTimer(TRunnerThread* worker)
{
    // A worker stopped before its child came up must not take the timer from its successor.
    if (current_ != worker)
        return;
    timer->start(1000);
    timerOwner_ = worker;
}

void TProcessRunnerPrivate::StopTimer(TRunnerThread* worker)
{
    if (timerOwner_ != worker)
        return;
    timer->stop();
    timerOwner_ = nullptr;
}

void TProcessRunnerPrivate::LineArrived(const TLinePiece& piece, bool continuesPartial)
{
    const bool open = piece.end == TPieceEnd::Open;
    if (continuesPartial && open)
        shared->receivedLines.ReplaceLast(piece.text);
    else
        shared->receivedLines.Add(piece.text);
    if (piece.end == TPieceEnd::CrLf || piece.end == TPieceEnd::Lf)
        shared->outputReturnCode.store(piece.end == TPieceEnd::CrLf ? rcCRLF : rcLF);
    if (std::vector<std::string>* mirror = runner_->MirrorLines()) {
        if (mirror->empty() || !continuesPartial)
            mirror->push_back(piece.text);
        else
            mirror->back() = piece.text;
    }
}

void TProcessRunnerPrivate::RunEnding(TRunnerThread*, const std::string& failure)
{
    failureMessage = failure;
}

void TProcessRunnerPrivate::RunEnded(TRunnerThread* worker)
{
    if (current_ == worker)
        current_ = nullptr;
}

void TProcessRunnerPrivate::ReapWorker(TRunnerThread* worker)
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

// ---------------------------------------------------------------------------------------------
// TProcessRunner

TProcessRunner::TProcessRunner(QObject* owner)
    : QObject(owner)
    , d_(std::make_unique<TProcessRunnerPrivate>(this))
{
    platform::IgnoreSigpipe();
}

TProcessRunner::~TProcessRunner() = default;

bool TProcessRunner::InputToOutput() const
{
    return d_->shared->inputToOutput.load();
}

void TProcessRunner::SetInputToOutput(bool value)
{
    d_->shared->inputToOutput.store(value);
}

TReturnCode TProcessRunner::OutputReturnCode() const
{
    return d_->shared->outputReturnCode.load();
}

TLockedStringList& TProcessRunner::ReceivedLines()
{
    return d_->shared->receivedLines;
}

const TLockedStringList& TProcessRunner::ReceivedLines() const
{
    return d_->shared->receivedLines;
}

TLockedStringList& TProcessRunner::InputQueue()
{
    return d_->shared->inputQueue;
}

const TLockedStringList& TProcessRunner::InputQueue() const
{
    return d_->shared->inputQueue;
}

TEndStatus TProcessRunner::EndStatus() const
{
    return d_->shared->endStatus.load();
}

uint32_t TProcessRunner::ResultCode() const
{
    return d_->shared->resultCode.load();
}

const std::string& TProcessRunner::FailureMessage() const
{
    return d_->failureMessage;
}

pid_t TProcessRunner::ChildPid() const
{
    return d_->shared->childPid.load();
}

TProcessTimer* TProcessRunner::Timer() const
{
    return d_->timer;
}

void TProcessRunner::Execute()
{
    if (commandLine_.empty())
        return;
    d_->Start();
}

void TProcessRunner::Stop()
{
    d_->Stop();
}
