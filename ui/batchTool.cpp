#include "ui/batchTool.h"

#include "platform/convert.h"
#include "platform/fileSystem.h"
#include "settings/saveManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>

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
    : profiles_(profiles), out_(out), err_(err)
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
        AppendFileRow(list_, platform::FromAnsi(file), options.profile, platform::FromAnsi(options.outputFolder));
    return true;
}

bool TBatchTool::CheckProfiles()
{
    for (PVirtualNode n = list_.GetFirst(); n; n = list_.GetNext(n)) {
        const TItemData& item = TFileList::GetNodeData(n)->ItemData;
        if (!profiles_.IsProfile(item.ProfileIndex))
            return Fail("entry " + std::to_string(TFileList::AbsoluteIndex(n) + 1) + " (" + platform::ToAnsi(item.FileName)
                + ") names profile " + std::to_string(item.ProfileIndex) + ", which does not exist (see --profiles)");
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
    command.OnEntryEnded = [this](PVirtualNode n, uint32_t code, const std::string& problem) { EntryEnded(n, code, problem); };
    command.OnTimer = [this](QObject*) { ShowProgress(); };
    command.OnFinish = [&](QObject*, bool wasStopped) {
        done = true;
        stopped = wasStopped;
    };
    QEventLoop loop;
    command.Start();
    ShowProgress();
    while (!done)
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    ClearProgress();
    command_ = nullptr;
    const int notRun = static_cast<int>(list_.TotalCount()) - finished_;
    std::fprintf(out_, "%d of %u converted, %d failed%s\n", finished_ - failed_, list_.TotalCount(), failed_,
        stopped ? (", stopped; " + std::to_string(notRun) + " not started").c_str() : "");
    return failed_ == 0 && !stopped ? beAllConverted : beSomeFailed;
}

void TBatchTool::EntryEnded(PVirtualNode node, uint32_t exitCode, const std::string& problem)
{
    ClearProgress();
    ++finished_;
    const TItemData& item = TFileList::GetNodeData(node)->ItemData;
    const std::string source = platform::ToAnsi(item.FileName);
    const std::string output = problem.empty() ? command_->CurrentOutputPath() : std::string("-");
    if (exitCode == 0) {
        std::fprintf(out_, "[%u/%u] converted  %s -> %s\n", TFileList::AbsoluteIndex(node) + 1, list_.TotalCount(),
            source.c_str(), output.c_str());
    } else {
        ++failed_;
        std::fprintf(out_, "[%u/%u] FAILED     %s -> %s\n", TFileList::AbsoluteIndex(node) + 1, list_.TotalCount(),
            source.c_str(), output.c_str());
        if (!problem.empty())
            std::fprintf(out_, "    %s\n", problem.c_str());
        else if (exitCode == STILL_ACTIVE)
            std::fprintf(out_, "    stopped\n");
        else
            std::fprintf(out_, "    ffmpeg exit code %u\n", exitCode);
        for (const std::string& line : lastLines_)
            std::fprintf(out_, "    | %s\n", line.c_str());
    }
    lastLines_.clear();
    std::fflush(out_);
    ShowProgress();
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
