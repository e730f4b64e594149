#include "cli/batchReport.h"

#include "platform/fileSystem.h"

#include <cerrno>

namespace {

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

} // namespace

TBatchReport::TBatchReport(const TBatchOptions& options, std::FILE* out, std::FILE* err)
    : options_(options)
    , out_(out)
    , err_(err)
{
}

void TBatchReport::InputMissing(const std::string& input)
{
    if (options_.json)
        PrintJson(input, "", "missing", nullptr, 0);
}

// What fitting the profile to the entry's source changed, kept in the row's outcome.
const std::vector<std::string>& TBatchReport::Notes(const TEntryEnd& end)
{
    static const std::vector<std::string> kNone;
    const TItemNodeData* row = end.node ? TFileList::GetNodeData(end.node) : nullptr;
    return row && row->Outcome ? row->Outcome->Notes : kNone;
}

void TBatchReport::EntryEnded(
    const TEntryEnd& end, TJobRunner& command, unsigned row, unsigned total, double seconds)
{
    ++finished_;
    if (end.result == TEntryResult::Stopped)
        ++stopped_;
    else if (end.result != TEntryResult::Converted)
        ++failed_;
    const std::string source = platform::ToAnsi(TFileList::GetNodeData(end.node)->ItemData.FileName);
    if (options_.json) {
        static const char* const kStatus[] = { "converted", "failed", "stopped", "not started" };
        const bool ran = end.result != TEntryResult::NotStarted;
        PrintJson(source, ran ? command.CurrentOutputPath() : "", kStatus[static_cast<int>(end.result)], &end,
            seconds);
    } else {
        PrintEntry(end, command, source, row, total);
    }
}

void TBatchReport::PrintEntry(
    const TEntryEnd& end, TJobRunner& command, const std::string& source, unsigned row, unsigned total)
{
    const bool ran = end.result != TEntryResult::NotStarted;
    const std::string output = ran ? command.CurrentOutputPath() : std::string("-");
    const std::vector<std::string>& notes = Notes(end);
    if (end.result == TEntryResult::Converted) {
        if (!options_.quiet)
            std::fprintf(out_, "[%u/%u] converted  %s -> %s\n", row, total, source.c_str(), output.c_str());
        for (size_t i = 0; i < notes.size() && !options_.quiet; ++i)
            std::fprintf(out_, "    note: %s\n", notes[i].c_str());
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
        && command.Runner().EndStatus() == TEndStatus::ChildFailed)
        ExplainMissingConverter(command);
}

void TBatchReport::PrintJson(const std::string& source, const std::string& output, const char* status,
    const TEntryEnd* end, double seconds)
{
    const bool exited = end && end->exitCode != kStillActive;
    std::fprintf(out_, "{\"source\":%s,\"output\":%s,\"status\":\"%s\",\"exit_code\":%s,\"seconds\":%.3f",
        JsonString(source).c_str(), output.empty() ? "null" : JsonString(output).c_str(), status,
        exited ? std::to_string(end->exitCode).c_str() : "null", seconds);
    if (end && !end->problem.empty())
        std::fprintf(out_, ",\"problem\":%s", JsonString(end->problem).c_str());
    if (end && !Notes(*end).empty()) {
        std::string notes;
        for (const std::string& note : Notes(*end))
            notes += (notes.empty() ? "" : ",") + JsonString(note);
        std::fprintf(out_, ",\"notes\":[%s]", notes.c_str());
    }
    if (!listSha256_.empty())
        std::fprintf(out_, ",\"list_sha256\":\"%s\"", listSha256_.c_str());
    std::fputs("}\n", out_);
    std::fflush(out_);
}

// The converter could not be started: say what is missing and what to do, once per batch.
void TBatchReport::ExplainMissingConverter(TJobRunner& command)
{
    const std::string& converter = command.ConverterPath();
    const uint32_t error = command.Runner().ResultCode();
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

// "N of M converted, F failed[, S stopped][, K missing][, R not started]; default output folder D"
// [; shard K/N][; list SHA-256 HEX]
std::string TBatchReport::Summary(
    unsigned planned, int missing, bool interrupted, const std::string& defaultOutputFolder) const
{
    const int notRun = static_cast<int>(planned) - finished_;
    std::string summary = std::to_string(finished_ - failed_ - stopped_) + " of " + std::to_string(planned)
        + " converted, " + std::to_string(failed_) + " failed";
    if (stopped_ > 0 || interrupted)
        summary += ", " + std::to_string(stopped_) + " stopped";
    if (missing > 0)
        summary += ", " + std::to_string(missing) + " missing";
    if (interrupted)
        summary += ", " + std::to_string(notRun) + " not started";
    // Users must be able to find files converted without an output folder.
    summary += "; default output folder " + defaultOutputFolder;
    if (options_.shardCount > 1)
        summary += "; shard " + std::to_string(options_.shardIndex + 1) + "/"
            + std::to_string(options_.shardCount);
    // Tasks sharing a list show whether they all sliced the same one.
    if (!listSha256_.empty())
        summary += "; list SHA-256 " + listSha256_;
    return summary;
}

int TBatchReport::Finish(
    unsigned planned, int missing, bool interrupted, const std::string& defaultOutputFolder)
{
    const std::string summary = Summary(planned, missing, interrupted, defaultOutputFolder);
    const bool trouble = failed_ > 0 || stopped_ > 0 || missing > 0 || interrupted;
    if (options_.json)
        std::fprintf(err_, "%s\n", summary.c_str());
    else if (!options_.quiet || trouble)
        std::fprintf(out_, "%s\n", summary.c_str());
    if (interrupted)
        return beInterrupted;
    return trouble ? beSomeFailed : beAllConverted;
}
