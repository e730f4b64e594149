#pragma once
// Whether a converter run really produced its output. An exit code of 0 is not enough: ffmpeg
// exits 0 when the disk fills while it writes the trailer, leaving a truncated file. A run counts
// as converted only when the output exists, is not empty, the converter reported no failure to
// write it, and it is as long as the source (within 1 s or 2%, whichever is larger). The lengths
// come from the converter's own lines (the first input's "Duration:", the last "time="), and from
// ffprobe where those lines are missing (the source was read when its entry was planned).
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

// What the converter's own lines say about a run: its error lines (the last few), a failure to
// write the output, the first input's "Duration:" and the last "time=" it reached. Fed every
// line of one run, in order.
class TConverterLog {
public:
    void Read(const std::string& line);
    void Clear() { *this = TConverterLog(); }

    // "disk full: No space left on device" and the like; empty when no write failed.
    const std::string& WriteFailure() const { return writeFailure_; }
    // The kept error lines, oldest first, joined with "; "; empty when there were none.
    std::string Errors() const;
    // The converter said the output name was taken, so the file there is not this run's.
    bool FoundExistingOutput() const { return foundExisting_; }
    std::optional<double> SourceSeconds() const { return sourceSeconds_; }
    std::optional<double> ReachedSeconds() const { return reachedSeconds_; }

    static constexpr size_t kKeptErrors = 4;

private:
    std::deque<std::string> errors_;
    std::string writeFailure_;
    std::optional<double> sourceSeconds_;
    std::optional<double> reachedSeconds_;
    bool inFirstInput_ = false;
    bool foundExisting_ = false;
};

// "HH:MM:SS.xx" (as ffmpeg writes durations and times) in seconds; nullopt for anything else.
std::optional<double> ParseClockSeconds(const std::string& text);

// Everything the verdict on one run needs.
struct TRunFacts {
    std::string output; // the run's output path
    std::string source;
    std::string params; // the profile's arguments: trimming options change what "complete" means
    std::string probe; // ProbePath(); reads the output when the converter's lines do not tell
    std::optional<double> sourceSeconds; // from the plan's probe, when the lines do not tell
    // The length the run was asked to cut the output to (the source's shorter end); unknown:
    // trimming arguments are held to the time the converter reached.
    std::optional<double> trimmedSeconds {};
};

// True when an output of writtenSeconds holds a source of sourceSeconds: at most max(1 s, 2 %)
// shorter (containers round, and audio may end a frame early).
bool CoversSource(double writtenSeconds, double sourceSeconds);

// For a run whose converter exited with code 0: empty when its output is complete, else why not
// ("no output written", "output shorter than the source: 4.1 s of 10.0 s", ...).
std::string CheckOutput(const TRunFacts& run, const TConverterLog& log);

// Why a run whose converter exited with a code other than 0 failed, in words.
std::string DescribeFailure(uint32_t exitCode, const TConverterLog& log);

// True when the arguments cut the output short on purpose (-t, -to, -ss, -frames, -fs, ...), so
// it is compared with how far the converter got rather than with the whole source.
bool TrimsOutput(const std::string& params);
