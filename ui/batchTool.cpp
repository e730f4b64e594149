#include "ui/batchTool.h"

#include "engine/reporter.h"
#include "platform/convert.h"
#include "platform/fileSystem.h"
#include "settings/saveManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>

#include <cerrno>
#include <unistd.h>

namespace {

constexpr size_t kKeptLines = 8;

std::string Absolute(const QString& path)
{
    return platform::ToAnsi(QDir::cleanPath(QDir::current().absoluteFilePath(path)));
}

std::string Clock(int64_t seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
        static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return text;
}

} // namespace

TBatchTool::TBatchTool(const TCommandManager& profiles, std::FILE* out, std::FILE* err)
    : profiles_(profiles)
    , out_(out)
    , err_(err)
{
}

void TBatchTool::PrintUsage(std::FILE* out)
{
    std::fputs("Usage:\n"
               "  vidmorph-batch LIST.zfl\n"
               "      convert every entry of a list file\n"
               "  vidmorph-batch --profile N [--output DIR] FILE...\n"
               "      convert the files with profile N (into DIR, or the convert folder beside the program)\n"
               "  vidmorph-batch --profile N [--output DIR] --save LIST.zfl FILE...\n"
               "      write the files as a list file instead of converting them\n"
               "  vidmorph-batch --profiles\n"
               "      list the profile indexes and names\n"
               "  vidmorph-batch --help\n"
               "\n"
               "Existing files are never overwritten: a taken output name gets \"_2\" before its extension.\n"
               "Exit status: 0 all converted, 1 some failed or the batch was stopped, 2 bad input.\n",
        out);
}

bool TBatchTool::Fail(const std::string& message)
{
    std::fprintf(err_, "vidmorph-batch: %s\n", message.c_str());
    return false;
}

bool TBatchTool::ParseArguments(const QStringList& arguments, TBatchOptions& options)
{
    bool profileGiven = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        const bool takesValue = a == "--profile" || a == "--output" || a == "--save";
        if (takesValue && (i + 1 >= arguments.size() || arguments[i + 1].isEmpty()))
            return Fail(platform::ToAnsi(a) + " needs a value (see --help)");
        if (a == "--help" || a == "-h") {
            options.help = true;
        } else if (a == "--profiles") {
            options.listProfiles = true;
        } else if (a == "--profile") {
            const std::string v = platform::ToAnsi(arguments[++i]);
            try {
                options.profile = platform::StrToInt(v);
            } catch (const EConvertError&) {
                return Fail("--profile needs a profile index (a whole number), not \"" + v + "\"");
            }
            profileGiven = true;
        } else if (a == "--output") {
            options.outputFolder = platform::JoinPath(Absolute(arguments[++i]), "");
        } else if (a == "--save") {
            options.saveList = Absolute(arguments[++i]);
        } else if (a == "--") {
            for (++i; i < arguments.size(); ++i)
                options.files.push_back(Absolute(arguments[i]));
        } else if (a.startsWith("-") && a.size() > 1) {
            return Fail("unknown option " + platform::ToAnsi(a) + " (see --help)");
        } else {
            options.files.push_back(Absolute(a));
        }
    }
    if (options.help || options.listProfiles)
        return true;
    if (options.files.empty())
        return Fail("no files given (see --help)");
    if (!profileGiven) {
        if (options.files.size() != 1 || !options.outputFolder.empty() || !options.saveList.empty())
            return Fail("--profile N is needed to convert files (see --profiles)");
        options.listFile = options.files.front();
        options.files.clear();
    }
    return true;
}

int TBatchTool::ListProfiles()
{
    const auto& names = profiles_.FormatNames();
    if (names.empty()) {
        Fail("no profiles: the profile file " + TCommandManager::ProfileFilePath() + " is missing or empty");
        return beBadInput;
    }
    for (size_t i = 0; i < names.size(); ++i)
        std::fprintf(out_, "%3zu  %s\n", i, names[i].c_str());
    return beAllConverted;
}

bool TBatchTool::FillList(const TBatchOptions& options)
{
    if (!options.listFile.empty()) {
        if (!platform::FileExists(options.listFile))
            return Fail("no such list file: " + options.listFile);
        TSaveManager files(list_);
        try {
            files.ImportList(options.listFile);
        } catch (const std::exception& e) {
            list_.Clear();
            return Fail("cannot read the list file " + options.listFile + ": " + e.what());
        }
        if (list_.TotalCount() == 0)
            return Fail("the list file " + options.listFile + " has no entries");
        return true;
    }
    if (!profiles_.IsProfile(options.profile))
        return Fail("there is no profile " + std::to_string(options.profile) + " (see --profiles)");
    for (const std::string& file : options.files)
        if (!platform::FileExists(file))
            return Fail("no such file: " + file);
    for (const std::string& file : options.files)
        AppendFileRow(
            list_, platform::FromAnsi(file), options.profile, platform::FromAnsi(options.outputFolder));
    return true;
}

bool TBatchTool::CheckProfiles()
{
    for (PVirtualNode n = list_.GetFirst(); n; n = list_.GetNext(n)) {
        const TItemData& item = TFileList::GetNodeData(n)->ItemData;
        if (!profiles_.IsProfile(item.ProfileIndex))
            return Fail("entry " + std::to_string(TFileList::AbsoluteIndex(n) + 1) + " ("
                + platform::ToAnsi(item.FileName) + ") names profile " + std::to_string(item.ProfileIndex)
                + ", which does not exist (see --profiles)");
    }
    return true;
}

int TBatchTool::Run(const TBatchOptions& options)
{
    if (options.help) {
        PrintUsage(out_);
        return beAllConverted;
    }
    if (options.listProfiles)
        return ListProfiles();
    if (!FillList(options) || !CheckProfiles())
        return beBadInput;
    if (!options.saveList.empty()) {
        try {
            TSaveManager(list_).ExportList(options.saveList);
        } catch (const std::exception& e) {
            Fail(e.what());
            return beBadInput;
        }
        std::fprintf(out_, "wrote %u entries to %s\n", list_.TotalCount(), options.saveList.c_str());
        return beAllConverted;
    }
    return Convert();
}

void TBatchTool::Stop()
{
    if (command_)
        command_->Stop();
}

int TBatchTool::Convert()
{
    TCommand command(list_, profiles_);
    command_ = &command;
    live_ = isatty(fileno(out_)) == 1;
    bool done = false, stopped = false;
    command.OnOutputLine = [this](const std::string& line) {
        lastLines_.push_back(line);
        if (lastLines_.size() > kKeptLines)
            lastLines_.pop_front();
    };
    command.OnEntryEnded = [this](const TEntryEnd& end) { EntryEnded(end); };
    command.OnTimer = [this](QObject*) { ShowProgress(); };
    command.OnFinish = [&](QObject*, bool wasStopped) {
        done = true;
        stopped = wasStopped;
    };
    // Every failure reaches its row's lines below, so the reporter has nothing more to say.
    SetErrorReporter([](const std::string&) {});
    QEventLoop loop;
    command.Start();
    ShowProgress();
    while (!done)
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    SetErrorReporter({});
    ClearProgress();
    command_ = nullptr;
    const int notRun = static_cast<int>(list_.TotalCount()) - finished_;
    std::fprintf(out_, "%d of %u converted, %d failed%s; default output folder %s\n", finished_ - failed_,
        list_.TotalCount(), failed_,
        stopped ? (", stopped; " + std::to_string(notRun) + " not started").c_str() : "",
        command.GlobalOutputFolder().c_str());
    return failed_ == 0 && !stopped ? beAllConverted : beSomeFailed;
}

void TBatchTool::EntryEnded(const TEntryEnd& end)
{
    ClearProgress();
    ++finished_;
    const TItemData& item = TFileList::GetNodeData(end.node)->ItemData;
    const std::string source = platform::ToAnsi(item.FileName);
    const bool ran = end.result != TEntryResult::NotStarted;
    const std::string output = ran ? command_->CurrentOutputPath() : std::string("-");
    const unsigned row = TFileList::AbsoluteIndex(end.node) + 1;
    if (end.result == TEntryResult::Converted) {
        std::fprintf(
            out_, "[%u/%u] converted  %s -> %s\n", row, list_.TotalCount(), source.c_str(), output.c_str());
    } else {
        ++failed_;
        std::fprintf(out_, "[%u/%u] %s %s -> %s\n", row, list_.TotalCount(),
            end.result == TEntryResult::Stopped ? "STOPPED   " : "FAILED    ", source.c_str(),
            output.c_str());
        if (!end.problem.empty())
            std::fprintf(out_, "    %s\n", end.problem.c_str());
        if (end.result == TEntryResult::Stopped)
            std::fprintf(out_, "    stopped: the converter was ended before it finished\n");
        else if (end.result == TEntryResult::Failed && end.problem.empty())
            std::fprintf(out_, "    ffmpeg exit code %u\n", end.exitCode);
        else if (end.result == TEntryResult::NotStarted
            && command_->Runner().EndStatus() == TEndStatus::ChildFailed)
            ExplainMissingConverter();
        for (const std::string& line : lastLines_)
            std::fprintf(out_, "    | %s\n", line.c_str());
    }
    lastLines_.clear();
    std::fflush(out_);
    ShowProgress();
}

// The converter could not be started: say what is missing and what to do, once per batch.
void TBatchTool::ExplainMissingConverter()
{
    const std::string& converter = command_->ConverterPath();
    const uint32_t error = command_->Runner().ResultCode();
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

void TBatchTool::ShowProgress()
{
    if (!live_ || !command_)
        return;
    std::fprintf(out_, "\r\033[Kfinished %d of %u, elapsed %s", finished_, list_.TotalCount(),
        Clock(command_->ElapsedSeconds()).c_str());
    std::fflush(out_);
}

void TBatchTool::ClearProgress()
{
    if (live_)
        std::fputs("\r\033[K", out_);
}
