#include "cli/batchTool.h"

#include "cli/liveLine.h"
#include "engine/entryPlan.h"
#include "engine/reporter.h"
#include "engine/videoFormats.h"
#include "formats/listFile.h"
#include "platform/convert.h"
#include "platform/fileSystem.h"

#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <map>
#include <set>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// The extensions a folder given as input contributes, compared without letter case: the supported
// formats and newer containers the converter reads as well.
const std::set<std::string> kVideoExtensions = [] {
    std::set<std::string> extensions(kSupportedVideoExtensions.begin(), kSupportedVideoExtensions.end());
    extensions.insert({ ".mkv", ".webm", ".m4v", ".ts", ".mts", ".m2ts", ".3gp", ".ogv" });
    return extensions;
}();

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool IsVideoFile(const std::filesystem::directory_entry& entry)
{
    std::error_code error;
    return entry.is_regular_file(error)
        && kVideoExtensions.count(Lower(platform::ExtractFileExt(entry.path().string()))) > 0;
}

// Appends the video files the iterator walks to; stops at the first error.
template <class Iterator>
void CollectVideos(Iterator it, std::error_code& error, std::vector<std::string>& files)
{
    for (const Iterator end; !error && it != end; it.increment(error))
        if (IsVideoFile(*it))
            files.push_back(it->path().string());
}

// The video files in a folder (and its subfolders when recursive), sorted by path.
std::vector<std::string> VideosIn(const std::string& folder, bool recursive)
{
    namespace fs = std::filesystem;
    std::vector<std::string> files;
    std::error_code error;
    const auto options = fs::directory_options::skip_permission_denied;
    if (recursive)
        CollectVideos(fs::recursive_directory_iterator(folder, options, error), error, files);
    else
        CollectVideos(fs::directory_iterator(folder, options, error), error, files);
    std::sort(files.begin(), files.end());
    return files;
}

// A JSON string; bytes that are not UTF-8 (held as U+DC80..U+DCFF) are written as those escapes.
std::string JsonString(const std::string& bytes)
{
    const QString text = platform::FromAnsi(bytes);
    std::string out = "\"";
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '"' || u == '\\') {
            out += '\\';
            out += static_cast<char>(u);
        } else if (u < 0x20 || (u >= 0xD800 && u <= 0xDFFF)) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(u));
            out += escape;
        } else {
            out += QString(c).toStdString();
        }
    }
    return out + "\"";
}

int TerminalWidth(std::FILE* out)
{
    winsize size {};
    return ioctl(fileno(out), TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
}

} // namespace

struct TBatchTool::Job {
    TFileList list;
    std::unique_ptr<TJobRunner> command;
    std::vector<unsigned> rows; // the list row of each of this job's rows
    TFileProgress progress;
    Clock::time_point entryStarted;
    std::string source; // the current entry's file name
    QTimer restart; // starts the next group
    bool busy = false;
};

TBatchTool::TBatchTool(const TProfileList& profiles, std::FILE* out, std::FILE* err)
    : profiles_(profiles)
    , out_(out)
    , err_(err)
{
}

TBatchTool::~TBatchTool() = default;

bool TBatchTool::ParseArguments(const QStringList& arguments, TBatchOptions& options)
{
    return ParseBatchArguments(arguments, options, err_);
}

int TBatchTool::ListProfiles()
{
    const auto& names = profiles_.FormatNames();
    for (size_t i = 0; i < names.size(); ++i)
        std::fprintf(out_, "%3zu  %s\n", i, names[i].c_str());
    return beAllConverted;
}

// One input: a file becomes an entry, a folder its video files; a missing or empty file is
// reported and skipped (the batch goes on and ends with status 1).
void TBatchTool::AddInput(const std::string& input)
{
    const QString folder = platform::FromAnsi(options_.outputFolder);
    if (platform::DirectoryExists(input)) {
        const std::vector<std::string> files = VideosIn(input, options_.recursive);
        if (files.empty())
            BatchFail(err_,
                "no video files in the folder " + input
                    + (options_.recursive ? "" : " (-r includes its subfolders)"));
        for (const std::string& file : files)
            AppendFileRow(list_, platform::FromAnsi(file), options_.profile, folder);
        return;
    }
    if (!platform::FileExists(input)) {
        BatchFail(err_, "no such file: " + input + " (skipped)");
    } else if (platform::FileSize(input) == 0) {
        BatchFail(err_, input + " is empty (0 bytes); skipped: give the complete file");
    } else {
        AppendFileRow(list_, platform::FromAnsi(input), options_.profile, folder);
        return;
    }
    ++missing_;
    if (options_.json)
        PrintJson(input, "", "missing", nullptr, 0);
}

bool TBatchTool::FillList()
{
    if (!options_.listFile.empty()) {
        const std::string& file = options_.listFile;
        if (!platform::FileExists(file))
            return BatchFail(err_, "no such list file: " + file);
        try {
            ImportList(list_, file);
        } catch (const std::exception& e) {
            list_.Clear();
            return BatchFail(err_, "cannot read the list file " + file + ": " + e.what());
        }
        if (list_.TotalCount() == 0)
            return BatchFail(err_, "the list file " + file + " has no entries");
        return true;
    }
    if (!profiles_.IsProfile(options_.profile))
        return BatchFail(
            err_, "there is no profile " + std::to_string(options_.profile) + " (see --profiles)");
    for (const std::string& input : options_.inputs)
        AddInput(input);
    if (list_.TotalCount() == 0)
        return BatchFail(err_, "nothing to convert");
    return true;
}

bool TBatchTool::CheckProfiles()
{
    for (PVirtualNode n = list_.GetFirst(); n; n = list_.GetNext(n)) {
        rows_.push_back(n);
        const TItemData& item = TFileList::GetNodeData(n)->ItemData;
        if (!profiles_.IsProfile(item.ProfileIndex))
            return BatchFail(err_,
                "entry " + std::to_string(TFileList::AbsoluteIndex(n) + 1) + " ("
                    + platform::ToAnsi(item.FileName) + ") names profile " + std::to_string(item.ProfileIndex)
                    + ", which does not exist (see --profiles)");
    }
    return true;
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
    const bool listed = FillList();
    if (!listed && missing_ > 0 && list_.TotalCount() == 0 && options_.listFile.empty())
        return beSomeFailed; // every file given was missing: said above
    if (!listed || !CheckProfiles())
        return beBadInput;
    if (!options_.saveList.empty())
        return SaveList();
    defaultOutputFolder_ = platform::GlobalOutputFolder();
    PlanGroups();
    const std::string converter = FindConverter();
    if (converter.empty())
        return beBadInput;
    return options_.dryRun ? DryRun(converter) : Convert(converter);
}

int TBatchTool::SaveList()
{
    if (platform::FileExists(options_.saveList) && !options_.force) {
        BatchFail(err_, "the list file " + options_.saveList + " exists; give --force to replace it");
        return beBadInput;
    }
    try {
        ExportList(list_, options_.saveList);
    } catch (const std::exception& e) {
        BatchFail(err_, e.what());
        return beBadInput;
    }
    std::fprintf(out_, "wrote %u entries to %s\n", list_.TotalCount(), options_.saveList.c_str());
    return missing_ > 0 ? beSomeFailed : beAllConverted;
}

// Groups by output key, in list order; with one job the whole list is one group. A shard keeps
// every N-th group, so entries that could take each other's names stay on one machine.
void TBatchTool::PlanGroups()
{
    std::vector<std::vector<unsigned>> all;
    if (options_.jobs == 1 && options_.shardCount == 1) {
        all.emplace_back();
        for (unsigned i = 0; i < rows_.size(); ++i)
            all.back().push_back(i);
    } else {
        std::map<std::string, size_t> byKey;
        for (unsigned i = 0; i < rows_.size(); ++i) {
            const auto [it, added]
                = byKey.emplace(OutputNameKey(TFileList::GetNodeData(rows_[i])->ItemData, profiles_,
                                    defaultOutputFolder_),
                    all.size());
            if (added)
                all.emplace_back();
            all[it->second].push_back(i);
        }
    }
    for (size_t g = 0; g < all.size(); ++g)
        if (static_cast<int>(g % options_.shardCount) == options_.shardIndex) {
            planned_ += static_cast<unsigned>(all[g].size());
            groups_.push_back(std::move(all[g]));
        }
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
    bool allWouldRun = true;
    for (const auto& group : groups_)
        for (unsigned row : group)
            allWouldRun = PrintDryRunEntry(row, converter, taken) && allWouldRun;
    return missing_ > 0 || !allWouldRun ? beSomeFailed : beAllConverted;
}

// The command line the job runner would give the converter for one entry, or why it would fail.
bool TBatchTool::PrintDryRunEntry(unsigned row, const std::string& converter, std::set<std::string>& taken)
{
    const TEntryPlan plan = PlanEntry(
        TFileList::GetNodeData(rows_[row])->ItemData, profiles_, { converter, defaultOutputFolder_, false, &taken });
    if (!plan.problem.empty()) {
        std::fprintf(out_, "# entry %u would fail: %s\n", row + 1, plan.problem.c_str());
        return false;
    }
    std::fprintf(out_, "%s\n", plan.commandLine.c_str());
    return true;
}

int TBatchTool::Convert(const std::string& converter)
{
    live_ = isatty(fileno(out_)) == 1 && !options_.quiet && !options_.json;
    started_ = Clock::now();
    // Every failure reaches its row's lines, so the reporter has nothing more to say.
    SetErrorReporter([](const std::string&) {});
    const size_t jobCount = std::min(static_cast<size_t>(options_.jobs), groups_.size());
    for (size_t i = 0; i < jobCount; ++i) {
        auto job = std::make_unique<Job>();
        Job* j = job.get();
        job->command = std::make_unique<TJobRunner>(job->list, profiles_);
        job->command->SetConverterPath(converter);
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
    for (auto& job : jobs_)
        StartNextGroup(*job);
    ShowProgress();
    QEventLoop loop;
    const auto busy
        = [this] { return std::any_of(jobs_.begin(), jobs_.end(), [](const auto& j) { return j->busy; }); };
    while (busy())
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    SetErrorReporter({});
    ClearProgress();
    return Finish();
}

void TBatchTool::StartNextGroup(Job& job)
{
    job.busy = false;
    if (stopping_ || nextGroup_ >= groups_.size())
        return;
    job.rows = groups_[nextGroup_++];
    job.list.Clear();
    for (unsigned row : job.rows) {
        const TItemData& item = TFileList::GetNodeData(rows_[row])->ItemData;
        AppendFileRow(job.list, item.FileName, item.ProfileIndex, item.OutputFolder);
    }
    job.busy = true;
    job.entryStarted = Clock::now();
    job.progress.Reset();
    job.source = platform::ToAnsi(TFileList::GetNodeData(job.list.GetFirst())->ItemData.FileName);
    job.command->Start();
}

void TBatchTool::Stop()
{
    stopping_ = true;
    interrupted_ = true;
    for (auto& job : jobs_)
        if (job->busy)
            job->command->Stop();
}

void TBatchTool::OutputLine(Job& job, const std::string& line)
{
    if (job.progress.Read(line)) { // statistics lines feed the live line only
        if (Clock::now() - lastDrawn_ >= std::chrono::milliseconds(250))
            ShowProgress();
        return;
    }
    if (options_.verbose) {
        ClearProgress();
        std::fprintf(options_.json ? err_ : out_, "    | %s\n", line.c_str());
        ShowProgress();
    }
}

void TBatchTool::EntryEnded(Job& job, const TEntryEnd& end)
{
    ClearProgress();
    ++finished_;
    const unsigned row = job.rows[TFileList::AbsoluteIndex(end.node)];
    const std::string source = platform::ToAnsi(TFileList::GetNodeData(end.node)->ItemData.FileName);
    const double seconds = std::chrono::duration<double>(Clock::now() - job.entryStarted).count();
    if (end.result == TEntryResult::Stopped)
        ++stopped_;
    else if (end.result != TEntryResult::Converted)
        ++failed_;
    if (options_.json) {
        static const char* const kStatus[] = { "converted", "failed", "stopped", "not started" };
        const bool ran = end.result != TEntryResult::NotStarted;
        PrintJson(source, ran ? job.command->CurrentOutputPath() : "", kStatus[static_cast<int>(end.result)],
            &end, seconds);
    } else {
        PrintEntry(job, end, source, row + 1);
    }
    job.progress.Reset();
    job.entryStarted = Clock::now();
    if (PVirtualNode next = job.list.GetNext(end.node))
        job.source = platform::ToAnsi(TFileList::GetNodeData(next)->ItemData.FileName);
    std::fflush(out_);
    ShowProgress();
}

void TBatchTool::PrintEntry(Job& job, const TEntryEnd& end, const std::string& source, unsigned row)
{
    const bool ran = end.result != TEntryResult::NotStarted;
    const std::string output = ran ? job.command->CurrentOutputPath() : std::string("-");
    const unsigned total = list_.TotalCount();
    if (end.result == TEntryResult::Converted) {
        if (!options_.quiet)
            std::fprintf(out_, "[%u/%u] converted  %s -> %s\n", row, total, source.c_str(), output.c_str());
        return;
    }
    std::fprintf(out_, "[%u/%u] %s %s -> %s\n", row, total,
        end.result == TEntryResult::Stopped ? "STOPPED   " : "FAILED    ", source.c_str(), output.c_str());
    if (!end.problem.empty())
        std::fprintf(out_, "    %s\n", end.problem.c_str());
    if (end.result == TEntryResult::Stopped)
        std::fprintf(out_, "    stopped: the converter was ended before it finished\n");
    else if (end.result == TEntryResult::Failed && end.exitCode != 0 && end.exitCode != kStillActive)
        std::fprintf(out_, "    ffmpeg exit code %u\n", end.exitCode);
    else if (end.result == TEntryResult::NotStarted
        && job.command->Runner().EndStatus() == TEndStatus::ChildFailed)
        ExplainMissingConverter(job);
}

void TBatchTool::PrintJson(const std::string& source, const std::string& output, const char* status,
    const TEntryEnd* end, double seconds)
{
    const bool exited = end && end->exitCode != kStillActive;
    std::fprintf(out_, "{\"source\":%s,\"output\":%s,\"status\":\"%s\",\"exit_code\":%s,\"seconds\":%.3f",
        JsonString(source).c_str(), output.empty() ? "null" : JsonString(output).c_str(), status,
        exited ? std::to_string(end->exitCode).c_str() : "null", seconds);
    if (end && !end->problem.empty())
        std::fprintf(out_, ",\"problem\":%s", JsonString(end->problem).c_str());
    std::fputs("}\n", out_);
    std::fflush(out_);
}

// The converter could not be started: say what is missing and what to do, once per batch.
void TBatchTool::ExplainMissingConverter(Job& job)
{
    const std::string& converter = job.command->ConverterPath();
    const uint32_t error = job.command->Runner().ResultCode();
    if (error == ENOENT)
        std::fprintf(out_, "    ffmpeg was not found: %s does not exist\n", converter.c_str());
    else
        std::fprintf(out_, "    ffmpeg could not be started from %s: %s\n", converter.c_str(),
            platform::SystemErrorText(static_cast<int>(error)).c_str());
    if (!converterExplained_)
        std::fprintf(out_, "    install ffmpeg, or put it or a link to it beside the program (%s)\n",
            platform::ExtractFilePath(converter).c_str());
    converterExplained_ = true;
}

int TBatchTool::Finish()
{
    const int notRun = static_cast<int>(planned_) - finished_;
    std::string summary = std::to_string(finished_ - failed_ - stopped_) + " of " + std::to_string(planned_)
        + " converted, " + std::to_string(failed_) + " failed";
    if (stopped_ > 0 || stopping_)
        summary += ", " + std::to_string(stopped_) + " stopped";
    if (missing_ > 0)
        summary += ", " + std::to_string(missing_) + " missing";
    if (stopping_)
        summary += ", " + std::to_string(notRun) + " not started";
    // Users must be able to find files converted without an output folder.
    summary += "; default output folder " + defaultOutputFolder_;
    const bool trouble = failed_ > 0 || stopped_ > 0 || missing_ > 0 || stopping_;
    if (options_.json)
        std::fprintf(err_, "%s\n", summary.c_str());
    else if (!options_.quiet || trouble)
        std::fprintf(out_, "%s\n", summary.c_str());
    if (interrupted_)
        return beInterrupted;
    return trouble ? beSomeFailed : beAllConverted;
}

void TBatchTool::ShowProgress()
{
    if (!live_)
        return;
    const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - started_).count();
    std::string line = "finished " + std::to_string(finished_) + " of " + std::to_string(planned_)
        + ", elapsed " + ClockText(static_cast<double>(elapsed));
    for (const auto& job : jobs_) {
        const std::string state = job->progress.Describe();
        if (job->busy && !state.empty())
            line += " | " + platform::ExtractFileName(job->source) + " " + state;
    }
    const size_t width = static_cast<size_t>(std::max(20, TerminalWidth(out_) - 1));
    if (line.size() > width) // a wrapped line could not be redrawn in place
        line.resize(width);
    std::fprintf(out_, "\r\033[K%s", line.c_str());
    std::fflush(out_);
    lastDrawn_ = Clock::now();
}

void TBatchTool::ClearProgress()
{
    if (live_)
        std::fputs("\r\033[K", out_);
}
