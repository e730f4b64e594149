#include "engine/outputCheck.h"

#include "engine/sourceProbe.h"
#include "platform/fileSystem.h"
#include "platform/process.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace {

// ffmpeg's words when it could not write its output, and the cause they are told as.
struct TWriteFailureText {
    const char* says;
    const char* cause;
};
constexpr std::array<TWriteFailureText, 5> kWriteFailures { {
    { "No space left on device", "disk full" },
    { "Disk quota exceeded", "disk quota exceeded" },
    { "File too large", "file too large" },
    { "Read-only file system", "read-only file system" },
    { "Input/output error", "input/output error" },
} };

// Words that only ffmpeg's error lines hold (compared in lower case); the stream listing and the
// statistics never do.
constexpr std::array<const char*, 18> kErrorWords { "error", "failed", "invalid", "denied", "no such file",
    "not found", "cannot", "could not", "couldn't", "unable", "unknown", "unrecognized", "not supported",
    "already exists", "no space left", "file too large", "quota exceeded", "does not contain" };

constexpr const char* kConversionFailed = "Conversion failed!";

bool StartsWith(const std::string& text, const char* prefix)
{
    return text.rfind(prefix, 0) == 0;
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// A statistics line ("frame= ... speed=1.2x") may carry a message after it when the message
// followed it without a line end: that message, else empty.
std::string AfterStatistics(const std::string& line)
{
    if (!StartsWith(line, "frame=") && !StartsWith(line, "size="))
        return line;
    size_t at = line.find("speed=");
    if (at == std::string::npos)
        return {};
    at = line.find(' ', at);
    at = at == std::string::npos ? line.size() : line.find_first_not_of(' ', at);
    return at == std::string::npos ? std::string() : line.substr(at);
}

// ffmpeg's context tag ("[mov,mp4 @ 0x5608...] ") and the "file:" our command line gives every
// path say nothing to a user: a line without them.
std::string Plain(std::string line)
{
    if (line.size() > 1 && line[0] == '[') {
        const size_t close = line.find("] ");
        if (close != std::string::npos && line.rfind(" @ 0x", close) != std::string::npos)
            line.erase(0, close + 2);
    }
    if (StartsWith(line, "file:"))
        line.erase(0, 5);
    return line;
}

bool IsErrorLine(const std::string& line)
{
    if (line.empty() || std::isspace(static_cast<unsigned char>(line[0])))
        return false; // the indented stream listing and metadata
    const std::string lower = Lower(line);
    return std::any_of(kErrorWords.begin(), kErrorWords.end(),
        [&](const char* word) { return lower.find(word) != std::string::npos; });
}

// The value after `key` up to the next ',' or space: "00:00:10.00" from "Duration: 00:00:10.00, ...".
std::string ValueAfter(const std::string& line, const char* key)
{
    const size_t at = line.find(key);
    if (at == std::string::npos)
        return {};
    const size_t start = at + std::strlen(key);
    const size_t end = line.find_first_of(", ", start);
    return line.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string Seconds(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", seconds);
    return text;
}

} // namespace

std::optional<double> ParseClockSeconds(const std::string& text)
{
    unsigned hours = 0, minutes = 0;
    double seconds = 0;
    int used = 0;
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0]))
        || std::sscanf(text.c_str(), "%u:%2u:%lf%n", &hours, &minutes, &seconds, &used) != 3
        || used != static_cast<int>(text.size()) || minutes > 59 || seconds < 0 || seconds >= 61)
        return std::nullopt;
    return hours * 3600.0 + minutes * 60.0 + seconds;
}

void TConverterLog::Read(const std::string& received)
{
    const std::string line = AfterStatistics(received);
    if (const std::string reached = ValueAfter(received, "time="); !reached.empty())
        if (const auto seconds = ParseClockSeconds(reached))
            reachedSeconds_ = seconds;
    if (StartsWith(line, "Input #"))
        inFirstInput_ = StartsWith(line, "Input #0,") && !sourceSeconds_;
    else if (StartsWith(line, "Output #"))
        inFirstInput_ = false;
    else if (inFirstInput_ && line.find("Duration: ") != std::string::npos) {
        sourceSeconds_ = ParseClockSeconds(ValueAfter(line, "Duration: "));
        inFirstInput_ = false;
    }
    if (!IsErrorLine(line))
        return;
    for (const TWriteFailureText& failure : kWriteFailures)
        if (writeFailure_.empty() && line.find(failure.says) != std::string::npos)
            writeFailure_ = std::string(failure.cause) + ": " + failure.says;
    foundExisting_ = foundExisting_ || line.find("already exists") != std::string::npos;
    errors_.push_back(Plain(line));
    if (errors_.size() > kKeptErrors)
        errors_.pop_front();
}

std::string TConverterLog::Errors() const
{
    std::string joined;
    for (const std::string& line : errors_) {
        if (line == kConversionFailed && errors_.size() > 1)
            continue; // says nothing the other lines do not
        joined += (joined.empty() ? "" : "; ") + line;
    }
    return joined;
}

bool TrimsOutput(const std::string& params)
{
    for (const std::string& argument : platform::SplitCommandLine(params))
        for (const char* option : { "-t", "-to", "-ss", "-sseof", "-fs", "-frames", "-vframes", "-aframes" })
            if (argument == option || StartsWith(argument, (std::string(option) + ":").c_str()))
                return true;
    return false;
}

bool CoversSource(double writtenSeconds, double sourceSeconds)
{
    return writtenSeconds >= sourceSeconds - std::max(1.0, sourceSeconds * 0.02);
}

std::string CheckOutput(const TRunFacts& run, const TConverterLog& log)
{
    if (!log.WriteFailure().empty())
        return log.WriteFailure();
    struct stat info { };
    if (lstat(run.output.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size == 0)
        return "no output written";
    // The converter's own lines first: they cost nothing. ffprobe reads what they do not tell
    // (a profile that keeps the converter quiet with -v error).
    std::optional<double> expected = log.SourceSeconds() ? log.SourceSeconds() : run.sourceSeconds;
    std::optional<double> written = log.ReachedSeconds();
    if (!written && !run.probe.empty()) {
        const TSourceInfo output = ProbeSource(run.probe, run.output);
        if (output.ran && !output.read)
            return "the output cannot be read: " + output.error;
        written = output.seconds;
    }
    if (run.trimmedSeconds)
        expected = run.trimmedSeconds;
    else if (TrimsOutput(run.params))
        expected = log.ReachedSeconds(); // cut on purpose: as far as the converter got
    if (!expected || !written || *expected <= 0)
        return {}; // not a timed medium (a still image), or nothing to compare with
    if (!CoversSource(*written, *expected))
        return "output shorter than the source: " + Seconds(*written) + " of " + Seconds(*expected);
    return {};
}

std::string DescribeFailure(uint32_t exitCode, const TConverterLog& log)
{
    if (!log.WriteFailure().empty())
        return log.WriteFailure();
    if (exitCode > 128 && exitCode < 128 + 65) {
        const int signal = static_cast<int>(exitCode - 128);
        if (signal == SIGXFSZ)
            return "file too large: the output passed the size limit for files";
        return "ffmpeg was killed by signal " + std::to_string(signal) + " (" + strsignal(signal) + ")";
    }
    const std::string errors = log.Errors();
    return errors.empty() ? "ffmpeg ended with exit code " + std::to_string(exitCode) : errors;
}
