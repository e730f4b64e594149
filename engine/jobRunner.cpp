#include "engine/jobRunner.h"

#include "platform/fileSystem.h"
#include "platform/process.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>

namespace {

// ffmpeg's own words when a subtitle stream cannot go into the chosen container or codec (a
// bitmap subtitle into MP4's text track, an MP4 text track into Matroska, ...). ffmpeg cannot
// pick per stream, so such a row is converted again without subtitles.
bool RefusesSubtitle(const std::string& line)
{
    return line.find("Subtitle encoding currently only possible") != std::string::npos
        || (line.find("Subtitle codec") != std::string::npos
            && line.find("is not supported") != std::string::npos)
        || (line.find("Could not find tag for codec") != std::string::npos
            && line.find("subtitle") != std::string::npos);
}

// ffmpeg's own words when it gives up on the run: it ends next, or hangs.
bool SaysItGivesUp(const std::string& line)
{
    return line.find("Could not write header for output file") != std::string::npos
        || line.rfind("Error initializing output stream", 0) == 0
        || line.rfind("Error while opening encoder", 0) == 0 || line == "Conversion failed!";
}

constexpr int kPlanPollMs = 10; // how often a row being planned is looked at

} // namespace

TJobRunner::TJobRunner(TFileList& list, const TProfileList& profiles, QObject* parent)
    : QObject(parent)
    , list_(list)
    , profiles_(profiles)
    , runner_(std::make_unique<TProcessRunner>())
{
    timer_.setInterval(1000);
    connect(&timer_, &QTimer::timeout, this, [this] { TimerTick(); });
    hungTimer_.setSingleShot(true);
    hungTimer_.setInterval(kHangAfterFailureMs);
    connect(&hungTimer_, &QTimer::timeout, this, [this] {
        endedHung_ = true;
        runner_->Stop(); // kills the converter's whole process group
    });
    planTimer_.setInterval(kPlanPollMs);
    connect(&planTimer_, &QTimer::timeout, this, [this] {
        if (!planMade_)
            return;
        EndPlanning();
        PlanMade(std::move(madePlan_));
    });
    deferTimer_.setSingleShot(true);
    deferTimer_.setInterval(0);
    connect(&deferTimer_, &QTimer::timeout, this, [this] {
        auto work = std::move(deferred_);
        deferred_ = nullptr;
        if (work)
            work();
    });
    runner_->OnNewLine
        = [this](TProcessRunner*, const std::string& line, TOutputType type) { OutputLine(line, type); };
    runner_->OnTerminated = [this](TProcessRunner*, uint32_t exitCode) { ConverterEnded(exitCode); };
    runner_->SetReportFailures(false); // a start failure is the row's problem, told in its end
    freeListener_ = list_.AddFreeListener([this](PVirtualNode node) { NodeFreed(node); });
    converterPath_ = platform::ConverterPath();
    globalOutputFolder_ = platform::GlobalOutputFolder();
}

TJobRunner::~TJobRunner()
{
    EndPlanning();
    list_.RemoveFreeListener(freeListener_);
    if (!stopRequested_)
        NoteConvertersOutput(); // before the kill: which file the converter holds open
    // The runner kills a converter that still runs; no event reaches this object any more.
    runner_->OnTerminated = nullptr;
    runner_->OnNewLine = nullptr;
    runner_.reset();
    RemovePartialOutput();
    RemovePassLogs();
}

void TJobRunner::SetProgramFolder(const std::string& folder)
{
    const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + '/';
    converterPath_ = base + "ffmpeg";
    globalOutputFolder_ = base + "convert/";
}

void TJobRunner::Start()
{
    currentNode_ = list_.GetFirst();
    if (!currentNode_)
        return;
    currentEntry_ = TFileList::GetNodeData(currentNode_);
    currentIndex_ = TFileList::AbsoluteIndex(currentNode_);
    stopRequested_ = false;
    elapsedSeconds_ = 0;
    timer_.start();
    idle_ = false;
    probePath_ = ProbePath(converterPath_);
    StartEntry();
}

void TJobRunner::Stop()
{
    if (idle_)
        return; // no batch: nothing changes, no event
    idle_ = true;
    stopRequested_ = true;
    cancelPlan_ = true; // a row being planned ends as stopped once its plan arrives
    prefetch_.Cancel();
    NoteConvertersOutput();
    runner_->Stop();
}

void TJobRunner::NoteConvertersOutput()
{
    // Asked of the converter itself while it runs: a file that bears the name but that it does
    // not hold open is someone else's. Once seen, the answer stands for the row.
    if (ownOutput_)
        return;
    const pid_t converter = runner_->ChildPid();
    if (!entryRunning_ || converter <= 0 || plan_.outputPath.empty())
        return;
    const std::optional<platform::TFileId> id = platform::RegularFileId(plan_.outputPath);
    if (id && platform::ProcessHasFileOpen(converter, id->device, id->inode)) {
        ownOutput_ = id;
        if (OnOwnOutput)
            OnOwnOutput();
    }
}

std::optional<TOwnOutput> TJobRunner::OwnOutput() const
{
    if (!ownOutput_)
        return std::nullopt;
    return TOwnOutput { plan_.outputPath, *ownOutput_ };
}

// The row is planned on a thread of its own; PlanMade goes on from the event loop. The profile is
// read here, where the profiles are kept; everything else the planner reads is its own copy or
// stays unchanged while a batch runs (the encoding overrides).
void TJobRunner::StartPlanning()
{
    EndPlanning();
    cancelPlan_ = false;
    planMade_ = false;
    madePlan_ = {};
    const TItemData item = currentEntry_->ItemData;
    const TPlanProfile profile = ReadPlanProfile(item, profiles_);
    TPlanSettings settings { converterPath_, globalOutputFolder_, probePath_, withoutSubtitles_, nullptr,
        overrides_, passLogFolder_, &cancelPlan_ };
    try {
        planner_ = std::thread([this, item, profile, settings]() mutable {
            try {
                const std::optional<TSourceInfo> read = prefetch_.Take(SourcePath(item));
                settings.probed = read ? &*read : nullptr;
                madePlan_ = PlanEntry(item, profile, settings);
            } catch (const std::exception& e) { // out of memory, no process for the probe
                madePlan_ = {};
                madePlan_.problem
                    = "Cannot plan the conversion of \"" + platform::ToAnsi(item.FileName) + "\": " + e.what();
            }
            planMade_ = true;
        });
        planTimer_.start();
    } catch (const std::system_error& e) {
        FailWithoutRun("Cannot plan the conversion of \"" + platform::ToAnsi(item.FileName) + "\": " + e.what());
    }
}

// Waits for the planner, ended early when the plan is not yet made.
void TJobRunner::EndPlanning()
{
    planTimer_.stop();
    if (!planner_.joinable())
        return;
    cancelPlan_ = true;
    planner_.join();
}

void TJobRunner::PlanMade(TEntryPlan plan)
{
    if (stopRequested_ || !currentEntry_) { // stopped, or its row freed, while it was planned
        EntryEnded(kStillActive, stopRequested_ ? TEntryResult::Stopped : TEntryResult::Failed, {});
        NextEntryOrEnd();
        return;
    }
    plan_ = std::move(plan);
    std::string problem = plan_.problem;
    if (!problem.empty() || !MakeOutputFolder(problem)) {
        FailWithoutRun(problem);
        return;
    }
    firstPass_ = !plan_.firstPassCommandLine.empty();
    StartRun(firstPass_ ? plan_.firstPassCommandLine : plan_.commandLine);
    PrefetchNextSource();
}

void TJobRunner::PrefetchNextSource()
{
    if (PVirtualNode next = currentNode_ ? list_.GetNext(currentNode_) : nullptr)
        prefetch_.Start(probePath_, SourcePath(TFileList::GetNodeData(next)->ItemData));
}

// The planned row's output folder, created when missing (nothing is created for a row that
// cannot run).
bool TJobRunner::MakeOutputFolder(std::string& problem)
{
    std::string error;
    if (!platform::DirectoryExists(plan_.outputFolder) && !platform::ForceDirectories(plan_.outputFolder, &error)) {
        problem = "Cannot create the output folder \"" + plan_.outputFolder + "\": " + error;
        plan_ = {};
        return false;
    }
    return true;
}

// A folder only this row's converter writes to (mode 0700), removed when the row ends.
bool TJobRunner::MakePassLogFolder(std::string& problem)
{
    std::string pattern = PassLogFolderPattern();
    if (!mkdtemp(pattern.data())) {
        problem = "Cannot create a temporary folder for the two passes in \""
            + platform::ExtractFilePath(pattern) + "\": " + std::strerror(errno);
        return false;
    }
    passLogFolder_ = pattern;
    return true;
}

void TJobRunner::RemovePassLogs()
{
    if (passLogFolder_.empty())
        return;
    std::error_code ignored;
    std::filesystem::remove_all(passLogFolder_, ignored);
    passLogFolder_.clear();
}

void TJobRunner::StartEntry()
{
    currentEntry_->Status = isConverting;
    currentEntry_->Outcome.reset();
    list_.RepaintNode(currentNode_);
    if (OnEntryStarted && !withoutSubtitles_) // not again when the row runs once more without subtitles
        OnEntryStarted(currentNode_);
    plan_ = {};
    partialLine_.clear();
    lastLine_.clear();
    log_.Clear();
    ownOutput_.reset();
    entryRunning_ = false;
    subtitleRefused_ = false;
    RemovePassLogs(); // of a run before a retry

    std::string problem;
    if (overrides_ && overrides_->TwoPass() && !MakePassLogFolder(problem)) {
        FailWithoutRun(problem);
        return;
    }
    StartPlanning();
}

void TJobRunner::StartRun(const std::string& commandLine)
{
    entryRunning_ = true;
    endedHung_ = false;
    runStarted_ = std::time(nullptr);
    runner_->SetCommandLine(commandLine);
    try {
        runner_->Execute();
    } catch (const std::exception& e) { // no thread for the run: this row fails, the batch goes on
        entryRunning_ = false;
        FailWithoutRun("Cannot start the converter for \"" + plan_.source + "\": " + e.what());
    }
}

void TJobRunner::FailWithoutRun(const std::string& problem)
{
    // Ended from the event loop, as a converter run would be, so a long list of such rows never
    // nests one row's end inside the previous one's.
    Defer([this, problem] {
        EntryEnded(kStillActive, TEntryResult::NotStarted, problem);
        NextEntryOrEnd();
    });
}

// Runs work from the event loop through a zero-time timer of this thread rather than a posted
// event: the post queue is shared with the process runners' worker threads, whose posts are
// ordered by a lock of their own (several job runners may run at once in one program).
void TJobRunner::Defer(std::function<void()> work)
{
    deferred_ = std::move(work);
    deferTimer_.start();
}

void TJobRunner::ConverterEnded(uint32_t exitCode)
{
    hungTimer_.stop();
    if (!partialLine_.empty())
        log_.Read(partialLine_);
    if (firstPass_) {
        FirstPassEnded(exitCode);
        return;
    }
    subtitleRefused_ = subtitleRefused_ || RefusesSubtitle(partialLine_);
    std::string problem;
    const TEntryResult result = Verdict(exitCode, problem);
    if (result == TEntryResult::Failed && RetryWithoutSubtitles(exitCode))
        return;
    if (result == TEntryResult::Failed)
        RemoveRunsOutput();
    EntryEnded(exitCode, result, problem);
    NextEntryOrEnd();
}

// The first of two passes writes statistics only; the second runs once it ended well.
void TJobRunner::FirstPassEnded(uint32_t exitCode)
{
    firstPass_ = false;
    const TEndStatus status = runner_->EndStatus();
    if (status == TEndStatus::Exited && exitCode == 0) {
        Defer([this] { StartSecondPass(); });
        return;
    }
    std::string problem = runner_->FailureMessage();
    TEntryResult result = TEntryResult::Failed;
    if (StoppedByUser()) {
        problem.clear();
        result = TEntryResult::Stopped;
    } else if (IsStartFailure(status)) {
        result = TEntryResult::NotStarted;
    } else {
        problem = "the first of two passes failed: "
            + (problem.empty() ? DescribeFailure(exitCode, log_) : problem);
    }
    EntryEnded(exitCode, result, problem);
    NextEntryOrEnd();
}

bool TJobRunner::StoppedByUser() const
{
    return runner_->EndStatus() == TEndStatus::Stopped && !endedHung_;
}

// From the event loop, after the runner has ended the first pass.
void TJobRunner::StartSecondPass()
{
    if (stopRequested_ || !currentEntry_) {
        EntryEnded(kStillActive, stopRequested_ ? TEntryResult::Stopped : TEntryResult::Failed, {});
        NextEntryOrEnd();
        return;
    }
    runner_->Stop();
    partialLine_.clear();
    log_.Clear();
    StartRun(plan_.commandLine);
}

// Converted only when the converter exited 0 and its output is complete; problem says why not.
TEntryResult TJobRunner::Verdict(uint32_t exitCode, std::string& problem)
{
    problem = runner_->FailureMessage();
    if (endedHung_) {
        problem = DescribeFailure(exitCode, log_) + " (ffmpeg did not end after this and was killed)";
        return TEntryResult::Failed;
    }
    switch (runner_->EndStatus()) {
    case TEndStatus::Stopped:
        problem.clear();
        return TEntryResult::Stopped;
    case TEndStatus::Exited:
        if (exitCode == 0) {
            problem = CheckOutput({ plan_.outputPath, plan_.source, plan_.params, probePath_,
                                      plan_.probed.seconds, plan_.expectedSeconds },
                log_);
            return problem.empty() ? TEntryResult::Converted : TEntryResult::Failed;
        }
        break;
    default:
        if (IsStartFailure(runner_->EndStatus()))
            return TEntryResult::NotStarted;
    }
    if (problem.empty())
        problem = DescribeFailure(exitCode, log_);
    return TEntryResult::Failed;
}

// After a subtitle refusal the row runs once more with -sn, onto the same output name (the
// failed run's file is removed first). From the event loop, after the runner has ended its run.
bool TJobRunner::RetryWithoutSubtitles(uint32_t exitCode)
{
    if (!subtitleRefused_ || withoutSubtitles_ || exitCode == 0 || stopRequested_ || !currentEntry_)
        return false;
    withoutSubtitles_ = true;
    if (OnOutputLine)
        OnOutputLine("vidmorph: the output cannot hold a subtitle stream of this source; "
                     "converting again without subtitles");
    Defer([this, exitCode] {
        if (stopRequested_ || !currentEntry_) {
            withoutSubtitles_ = false;
            EntryEnded(exitCode, stopRequested_ ? TEntryResult::Stopped : TEntryResult::Failed, {});
            NextEntryOrEnd();
            return;
        }
        runner_->Stop();
        RemoveRunsOutput();
        StartEntry();
    });
    return true;
}

// What a failed run left under its output name. The file the converter was seen holding open;
// else, as the name was free when the run started, a file written since then, unless the
// converter said it found the name taken.
void TJobRunner::RemoveRunsOutput()
{
    if (ownOutput_) {
        RemovePartialOutput();
        return;
    }
    struct stat info { };
    if (!log_.FoundExistingOutput() && lstat(plan_.outputPath.c_str(), &info) == 0 && S_ISREG(info.st_mode)
        && info.st_mtime >= runStarted_ - 1)
        std::remove(plan_.outputPath.c_str());
}

void TJobRunner::OutputLine(const std::string& line, TOutputType type)
{
    // The converter's text is not interpreted; a line still growing waits for its end.
    if (type == otBeginningOfLine) {
        partialLine_ = line;
        return;
    }
    partialLine_.clear();
    if (!line.empty())
        lastLine_ = line;
    log_.Read(line);
    if (SaysItGivesUp(line) || hungTimer_.isActive())
        hungTimer_.start();
    NoteConvertersOutput();
    subtitleRefused_ = subtitleRefused_ || RefusesSubtitle(line);
    if (OnOutputLine)
        OnOutputLine(line);
}

void TJobRunner::EntryEnded(uint32_t exitCode, TEntryResult result, const std::string& problem)
{
    if (!partialLine_.empty()) { // the converter's last words, cut off by its end
        lastLine_ = partialLine_;
        if (OnOutputLine)
            OnOutputLine(partialLine_);
    }
    partialLine_.clear();
    const uint32_t total = list_.TotalCount();
    const uint32_t percent = total ? std::min(100u, (currentIndex_ + 1u) * 100u / total) : 100u;
    if (OnProgress)
        OnProgress(runner_.get(), static_cast<int32_t>(percent));
    if (result == TEntryResult::Stopped)
        RemovePartialOutput();
    ownOutput_.reset(); // the row is over: nothing of it may be removed later
    runner_->Stop();
    RemovePassLogs();
    withoutSubtitles_ = false;
    if (!currentEntry_)
        return; // the row was freed meanwhile
    currentEntry_->Status = exitCode == 0 && result == TEntryResult::Converted ? isConverted : isFailed;
    currentEntry_->Outcome.reset(new TRowOutcome { result, exitCode, problem, plan_.outputPath, lastLine_, plan_.notes });
    list_.RepaintNode(currentNode_);
    if (OnEntryEnded)
        OnEntryEnded({ currentNode_, exitCode, result, problem });
}

void TJobRunner::NextEntryOrEnd()
{
    if (!currentEntry_) {
        EndBatch(true); // its row is gone: there is no next row to go on from
        return;
    }
    PVirtualNode next = list_.GetNext(currentNode_);
    if (!next) {
        EndBatch(stopRequested_);
    } else if (!idle_) {
        currentNode_ = next;
        currentEntry_ = TFileList::GetNodeData(next);
        currentIndex_ = TFileList::AbsoluteIndex(next);
        StartEntry();
    } else {
        EndBatch(true);
    }
}

void TJobRunner::NodeFreed(PVirtualNode node)
{
    if (node != currentNode_ || !node)
        return;
    currentNode_ = nullptr;
    currentEntry_ = nullptr;
}

void TJobRunner::RemovePartialOutput()
{
    // Only the very file the stopped converter was writing, if it is still under that name.
    if (ownOutput_)
        platform::RemoveIfSameFile(plan_.outputPath, *ownOutput_);
    ownOutput_.reset();
}

void TJobRunner::EndBatch(bool stopped)
{
    prefetch_.Cancel();
    currentIndex_ = 0;
    timer_.stop();
    idle_ = true;
    elapsedSeconds_ = 0;
    currentEntry_ = nullptr;
    currentNode_ = nullptr;
    if (OnFinish)
        OnFinish(runner_.get(), stopped);
}

void TJobRunner::TimerTick()
{
    if (entryRunning_)
        NoteConvertersOutput();
    ++elapsedSeconds_;
    if (OnTimer)
        OnTimer(&timer_);
}
