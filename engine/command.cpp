#include "engine/command.h"

#include "engine/reporter.h"
#include "platform/fileSystem.h"
#include "platform/process.h"

#include <cstdio>

namespace {
constexpr int32_t kLastAnimationOffset = 74;
} // namespace

TCommand::TCommand(TFileList& list, const TCommandManager& profiles, QObject* parent)
    : QObject(parent), list_(list), profiles_(profiles), runner_(std::make_unique<TProcessRunner>()),
      overwrite_(std::make_unique<TOverwriteManager>())
{
    timer_.setInterval(1000);
    connect(&timer_, &QTimer::timeout, this, [this] { TimerTick(); });
    runner_->OnNewLine = [this](TProcessRunner*, const std::string& line, TOutputType type) {
        if (OnOutputLine && type == otEntireLine) // the converter's text is not interpreted
            OnOutputLine(line);
    };
    runner_->OnTerminated = [this](TProcessRunner*, uint32_t exitCode) { EntryTerminated(exitCode); };
    SetProgramFolder(platform::ProgramFolder());
}

TCommand::~TCommand()
{
    // The runner kills a converter that still runs; no event reaches this object any more.
    runner_->OnTerminated = nullptr;
    runner_->OnNewLine = nullptr;
    runner_.reset();
}

void TCommand::SetProgramFolder(const std::string& folder)
{
    const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + '/';
    converterPath_ = base + "ffmpeg";
    globalOutputFolder_ = base + "convert/";
}

std::string TCommand::FormatCommandLine(const std::string& converter, const std::string& source,
    const std::string& params, const std::string& output)
{
    // Each quoted value is escaped so that it reaches the converter as exactly one argument,
    // whatever quotes, backslashes or other bytes it holds; params stay as the profile has them.
    return "\"" + platform::EscapeQuotedArgument(converter) + "\" -i \"" + platform::EscapeQuotedArgument(source)
        + "\" " + params + " \"" + platform::EscapeQuotedArgument(output) + "\"";
}

void TCommand::Start()
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
    StartEntry();
}

void TCommand::Stop()
{
    if (idle_)
        return; // no batch: nothing changes, no event
    idle_ = true;
    stopRequested_ = true;
    runner_->Stop();
}

bool TCommand::PrepareEntry(std::string& problem)
{
    const TItemData& item = currentEntry_->ItemData;
    outputFolder_ = platform::ToAnsi(item.OutputFolder);
    if (outputFolder_.empty())
        outputFolder_ = globalOutputFolder_;
    const std::string source = platform::ToAnsi(item.FileName);
    std::string ext, params;
    try {
        ext = profiles_.GetExt(item.ProfileIndex);
        params = profiles_.GetParams(item.ProfileIndex);
    } catch (const EProfileError& e) {
        problem = "Cannot convert \"" + source + "\": " + e.what();
        return false;
    }
    outputName_ = platform::ChangeFileExt(platform::ExtractFileName(source), "." + ext);
    std::string error;
    if (!platform::DirectoryExists(outputFolder_) && !platform::ForceDirectories(outputFolder_, &error)) {
        problem = "Cannot create the output folder \"" + outputFolder_ + "\": " + error;
        return false;
    }
    outputPath_ = overwrite_->GetUniqueName(platform::JoinPath(outputFolder_, outputName_));
    if (outputPath_.front() == '-') // a relative path ffmpeg would take for an option
        outputPath_.insert(0, "./");
    commandLine_ = FormatCommandLine(converterPath_, source, params, outputPath_);
    return true;
}

void TCommand::StartEntry()
{
    currentEntry_->Status = isConverting;
    currentEntry_->ItemData.Converting = true;
    list_.RepaintNode(currentNode_);
    list_.SetFocus();
    list_.SelectOnly(currentNode_);
    outputPath_.clear();
    commandLine_.clear();
    entryRunning_ = false;

    std::string problem;
    if (!PrepareEntry(problem)) {
        FailWithoutRun(problem);
        return;
    }
    entryRunning_ = true;
    runner_->SetCommandLine(commandLine_);
    runner_->Execute();
}

void TCommand::FailWithoutRun(const std::string& problem)
{
    ReportError(problem);
    // Ended from the event loop, as a converter run would be, so a long list of such rows never
    // nests one row's end inside the previous one's.
    QMetaObject::invokeMethod(
        this, [this, problem] {
            if (OnEntryEnded)
                OnEntryEnded(currentNode_, STILL_ACTIVE, problem);
            EntryTerminated(STILL_ACTIVE);
        },
        Qt::QueuedConnection);
}

void TCommand::RemovePartialOutput()
{
    // The name was free when the run began, so a file there now is the stopped converter's own
    // unfinished output.
    if (entryRunning_ && !outputPath_.empty() && platform::FileExists(outputPath_))
        std::remove(outputPath_.c_str());
}

void TCommand::EntryTerminated(uint32_t exitCode)
{
    if (!currentEntry_)
        return;
    const uint32_t total = list_.TotalCount();
    const uint32_t percent = total ? (currentIndex_ + 1u) * 100u / total : 100u;
    if (OnProgress)
        OnProgress(runner_.get(), static_cast<int32_t>(percent));
    currentEntry_->Status = exitCode == 0 ? isConverted : isFailed;
    list_.RepaintNode(currentNode_);
    if (stopRequested_ && exitCode != 0)
        RemovePartialOutput();
    if (entryRunning_ && OnEntryEnded)
        OnEntryEnded(currentNode_, exitCode, {});
    runner_->Stop();

    PVirtualNode next = list_.GetNext(currentNode_);
    if (currentIndex_ + 1 >= total || !next) {
        EndBatch(stopRequested_);
    } else if (!idle_) {
        currentEntry_->ItemData.Converting = false;
        currentEntry_->ItemData.AnimationOffset = 0;
        currentNode_ = next;
        currentEntry_ = TFileList::GetNodeData(next);
        currentIndex_ = TFileList::AbsoluteIndex(next);
        StartEntry();
    } else {
        EndBatch(true);
    }
}

void TCommand::EndBatch(bool stopped)
{
    currentEntry_->ItemData.Converting = false;
    currentEntry_->ItemData.AnimationOffset = 0;
    currentIndex_ = 0;
    timer_.stop();
    idle_ = true;
    elapsedSeconds_ = 0;
    list_.RepaintNode(currentNode_);
    currentEntry_ = nullptr;
    currentNode_ = nullptr;
    if (OnFinish)
        OnFinish(runner_.get(), stopped);
}

void TCommand::TimerTick()
{
    if (!currentEntry_)
        return;
    int32_t& offset = currentEntry_->ItemData.AnimationOffset;
    offset = offset >= kLastAnimationOffset ? 0 : offset + 1;
    list_.RepaintNode(currentNode_);
    ++elapsedSeconds_;
    if (OnTimer)
        OnTimer(&timer_);
}
