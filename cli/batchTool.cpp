#include "cli/batchTool.h"

#include "cli/jobCount.h"
#include "engine/entryPlan.h"
#include "engine/reporter.h"
#include "platform/fileSystem.h"

#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <unistd.h>

namespace {

using TClock = std::chrono::steady_clock;

} // namespace

// A job converts one group after another with its own runner and list.
struct TBatchTool::TJob {
    TFileList list;
    std::unique_ptr<TJobRunner> command;
    std::vector<unsigned> rows; // the list row of each of this job's rows
    TFileProgress progress;
    TClock::time_point entryStarted;
    std::string source; // the current entry's file name
    QTimer restart; // starts the next group
    bool busy = false;
};

TBatchTool::TBatchTool(const TProfileList& profiles, std::FILE* out, std::FILE* err)
    : profiles_(profiles)
    , out_(out)
    , err_(err)
    , inputs_(options_, profiles, err, [this](const std::string& input) { report_.InputMissing(input); })
    , report_(options_, out, err)
    , liveLine_(out)
{
}

TBatchTool::~TBatchTool() = default;

bool TBatchTool::ParseArguments(const QStringList& arguments, TBatchOptions& options)
{
    return ParseBatchArguments(arguments, options, err_);
}

int TBatchTool::Run(const TBatchOptions& options)
{
    options_ = options;
    if (options_.help) {
        PrintBatchUsage(out_);
        return beAllConverted;
    }
    if (options_.version) {
        PrintBatchVersion(out_);
        return beAllConverted;
    }
    // Everything else needs the profiles, and a file that cannot be used gives none.
    if (!profiles_.LoadError().empty()) {
        BatchFail(err_, profiles_.LoadError());
        return beBadInput;
    }
    if (options_.listProfiles)
        return ListProfiles();
    return RunOnInputs();
}

int TBatchTool::RunOnInputs()
{
    switch (inputs_.Read()) {
    case TInputsRead::Listed:
        break;
    case TInputsRead::AllMissing:
        return beSomeFailed; // said above
    case TInputsRead::Unusable:
        return beBadInput;
    }
    if (!options_.saveList.empty())
        return SaveList();
    if (!OverridesFitProfiles())
        return beBadInput;
    report_.SetListChecksum(inputs_.ListSha256());
    if (options_.jobsAuto)
        ChooseJobCount();
    defaultOutputFolder_ = platform::GlobalOutputFolder();
    plan_ = PlanJobGroups(inputs_.Rows(), profiles_, defaultOutputFolder_, options_);
    const std::string converter = FindConverter();
    if (converter.empty())
        return beBadInput;
    return options_.dryRun ? DryRun(converter) : Convert(converter);
}

// The encoding options against each profile the entries use, before anything runs.
bool TBatchTool::OverridesFitProfiles()
{
    if (options_.encoding.Empty())
        return true;
    std::set<int32_t> checked;
    for (PVirtualNode row : inputs_.Rows()) {
        const int32_t index = TFileList::GetNodeData(row)->ItemData.ProfileIndex;
        if (!checked.insert(index).second || index < 0
            || static_cast<size_t>(index) >= profiles_.FormatNames().size())
            continue; // an entry without its profile fails on its own
        const std::string problem = OverridesProblem(profiles_.GetParams(index), options_.encoding);
        if (!problem.empty())
            return BatchFail(err_,
                "profile " + std::to_string(index) + " (" + profiles_.FormatNames()[index] + "): " + problem);
    }
    return true;
}

void TBatchTool::ChooseJobCount()
{
    const int cores = UsableCores();
    const bool video = AnyEncodesVideo(inputs_.Rows(), profiles_);
    options_.jobs = AutoJobCount(cores, video);
    if (options_.verbose)
        std::fprintf(err_, "vidmorph-batch: -j auto: %d job%s (%d usable core%s; %s)\n", options_.jobs,
            options_.jobs == 1 ? "" : "s", cores, cores == 1 ? "" : "s",
            video ? "a profile encodes video" : "the profiles copy streams or make audio");
}

int TBatchTool::ListProfiles()
{
    const auto& names = profiles_.FormatNames();
    for (size_t i = 0; i < names.size(); ++i)
        std::fprintf(out_, "%3zu  %s\n", i, names[i].c_str());
    return beAllConverted;
}

int TBatchTool::SaveList()
{
    if (platform::FileExists(options_.saveList) && !options_.force) {
        BatchFail(err_, "the list file " + options_.saveList + " exists; give --force to replace it");
        return beBadInput;
    }
    try {
        ExportList(inputs_.List(), options_.saveList);
    } catch (const std::exception& e) {
        BatchFail(err_, e.what());
        return beBadInput;
    }
    std::fprintf(out_, "wrote %u entries to %s\n", inputs_.List().TotalCount(), options_.saveList.c_str());
    return inputs_.Missing() > 0 ? beSomeFailed : beAllConverted;
}

// The converter beside the program, else ffmpeg on PATH; empty (after saying how to install
// one) when there is neither.
std::string TBatchTool::FindConverter()
{
    const std::string converter = platform::ConverterPath();
    if (access(converter.c_str(), F_OK) == 0)
        return converter; // one that exists but cannot start is explained beside its row
    BatchFail(err_,
        "ffmpeg was not found beside the program (" + converter
            + ") nor on PATH; install it (Debian/Ubuntu: sudo apt install ffmpeg) or put a link to it beside "
              "the program");
    return {};
}

int TBatchTool::DryRun(const std::string& converter)
{
    std::set<std::string> taken; // names earlier entries of this run would take
    const TPlanSettings settings { converter, defaultOutputFolder_, ProbePath(converter), false, &taken,
        &options_.encoding, {} };
    bool allWouldRun = true;
    for (const auto& group : plan_.groups)
        for (unsigned row : group)
            allWouldRun = PrintDryRunEntry(row, settings) && allWouldRun;
    return inputs_.Missing() > 0 || !allWouldRun ? beSomeFailed : beAllConverted;
}

// The command line the job runner would give the converter for one entry, or why it would fail.
bool TBatchTool::PrintDryRunEntry(unsigned row, const TPlanSettings& settings)
{
    const TEntryPlan plan = PlanEntry(TFileList::GetNodeData(inputs_.Rows()[row])->ItemData, profiles_, settings);
    if (!plan.problem.empty()) {
        std::fprintf(out_, "# entry %u would fail: %s\n", row + 1, plan.problem.c_str());
        return false;
    }
    for (const std::string& note : plan.notes)
        std::fprintf(out_, "# entry %u: %s\n", row + 1, note.c_str());
    if (!plan.firstPassCommandLine.empty())
        std::fprintf(out_, "%s\n", plan.firstPassCommandLine.c_str());
    std::fprintf(out_, "%s\n", plan.commandLine.c_str());
    return true;
}

int TBatchTool::Convert(const std::string& converter)
{
    liveLine_.Start(!options_.quiet && !options_.json);
    // Every failure reaches its row's lines, so the reporter has nothing more to say.
    SetErrorReporter([](const std::string&) {});
    const size_t jobCount = std::min(static_cast<size_t>(options_.jobs), plan_.groups.size());
    for (size_t i = 0; i < jobCount; ++i)
        AddJob(converter);
    for (auto& job : jobs_)
        StartNextGroup(*job);
    ShowProgress();
    QEventLoop loop;
    const auto busy
        = [this] { return std::any_of(jobs_.begin(), jobs_.end(), [](const auto& j) { return j->busy; }); };
    while (busy())
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    SetErrorReporter({});
    liveLine_.Clear();
    return report_.Finish(plan_.planned, inputs_.Missing(), stopping_, defaultOutputFolder_);
}

void TBatchTool::AddJob(const std::string& converter)
{
    auto job = std::make_unique<TJob>();
    TJob* j = job.get();
    job->command = std::make_unique<TJobRunner>(job->list, profiles_);
    job->command->SetConverterPath(converter);
    job->command->SetEncodingOverrides(&options_.encoding);
    job->command->OnOutputLine = [this, j](const std::string& line) { OutputLine(*j, line); };
    job->command->OnEntryEnded = [this, j](const TEntryEnd& end) { EntryEnded(*j, end); };
    job->command->OnTimer = [this](QObject*) { ShowProgress(); };
    // Started again from the event loop, once this batch has fully ended (a timer, not a
    // posted event: see TJobRunner::Defer).
    job->restart.setSingleShot(true);
    job->restart.setInterval(0);
    QObject::connect(&job->restart, &QTimer::timeout, [this, j] { StartNextGroup(*j); });
    job->command->OnFinish = [j](QObject*, bool) { j->restart.start(); };
    jobs_.push_back(std::move(job));
}

void TBatchTool::StartNextGroup(TJob& job)
{
    job.busy = false;
    if (stopping_ || nextGroup_ >= plan_.groups.size())
        return;
    job.rows = plan_.groups[nextGroup_++];
    job.list.Clear();
    for (unsigned row : job.rows) {
        const TItemData& item = TFileList::GetNodeData(inputs_.Rows()[row])->ItemData;
        AppendFileRow(job.list, item.FileName, item.ProfileIndex, item.OutputFolder);
    }
    job.busy = true;
    job.entryStarted = TClock::now();
    job.progress.Reset();
    job.source = platform::ToAnsi(TFileList::GetNodeData(job.list.GetFirst())->ItemData.FileName);
    job.command->Start();
}

void TBatchTool::Stop()
{
    stopping_ = true;
    for (auto& job : jobs_)
        if (job->busy)
            job->command->Stop();
}

void TBatchTool::OutputLine(TJob& job, const std::string& line)
{
    const TEncodingOverrides& encoding = options_.encoding;
    job.progress.Covers(encoding.start.value_or(0), encoding.end.value_or(-1), job.command->CurrentPass());
    if (job.progress.Read(line)) { // statistics lines feed the live line only
        if (liveLine_.Due())
            ShowProgress();
        return;
    }
    if (options_.verbose) {
        liveLine_.Clear();
        std::fprintf(options_.json ? err_ : out_, "    | %s\n", line.c_str());
        ShowProgress();
    }
}

void TBatchTool::EntryEnded(TJob& job, const TEntryEnd& end)
{
    liveLine_.Clear();
    const unsigned row = job.rows[TFileList::AbsoluteIndex(end.node)];
    const double seconds = std::chrono::duration<double>(TClock::now() - job.entryStarted).count();
    report_.EntryEnded(end, *job.command, row + 1, inputs_.List().TotalCount(), seconds);
    job.progress.Reset();
    job.entryStarted = TClock::now();
    if (PVirtualNode next = job.list.GetNext(end.node))
        job.source = platform::ToAnsi(TFileList::GetNodeData(next)->ItemData.FileName);
    std::fflush(out_);
    ShowProgress();
}

// The live line, with the state of each file being converted.
void TBatchTool::ShowProgress()
{
    if (!liveLine_.Shown())
        return;
    std::vector<std::string> files;
    for (const auto& job : jobs_) {
        const std::string state = job->progress.Describe();
        if (job->busy && !state.empty())
            files.push_back(platform::ExtractFileName(job->source) + " " + state);
    }
    liveLine_.Draw(report_.Finished(), plan_.planned, files);
}
