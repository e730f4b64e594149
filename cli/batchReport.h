#pragma once
// What a batch tells of its entries on standard output: a line for each finished entry (or a JSON
// object with --json), then the summary line; and the exit status that goes with it.
#include "cli/options.h"
#include "engine/jobRunner.h"

#include <cstdio>
#include <string>
#include <vector>

class TBatchReport {
public:
    // options is read at each call; it must outlive the report.
    TBatchReport(const TBatchOptions& options, std::FILE* out, std::FILE* err);

    // An input that was missing or empty (its message went to err already): with --json, an
    // object of status "missing".
    void InputMissing(const std::string& input);
    // Counts an entry the job runner has ended and tells of it. row is 1-based among total, the
    // entries of the whole list; seconds since the entry started.
    void EntryEnded(const TEntryEnd& end, TJobRunner& command, unsigned row, unsigned total, double seconds);
    // The SHA-256 of the list file the entries come from (empty: none), for the summary and --json.
    void SetListChecksum(const std::string& sha256) { listSha256_ = sha256; }
    // Entries ended so far.
    int Finished() const { return finished_; }
    // Prints the summary line (to err with --json; with --quiet only when something went wrong)
    // and returns the exit status. planned: entries of this run; missing: inputs skipped;
    // interrupted: the batch was stopped.
    int Finish(unsigned planned, int missing, bool interrupted, const std::string& defaultOutputFolder);

private:
    void PrintEntry(
        const TEntryEnd& end, TJobRunner& command, const std::string& source, unsigned row, unsigned total);
    void PrintJson(const std::string& source, const std::string& output, const char* status,
        const TEntryEnd* end, double seconds);
    void ExplainMissingConverter(TJobRunner& command);
    static const std::vector<std::string>& Notes(const TEntryEnd& end);
    std::string Summary(
        unsigned planned, int missing, bool interrupted, const std::string& defaultOutputFolder) const;

    const TBatchOptions& options_;
    std::FILE* out_;
    std::FILE* err_;
    int finished_ = 0;
    int failed_ = 0; // not started or failed
    int stopped_ = 0;
    std::string listSha256_;
    bool converterExplained_ = false; // the advice on a converter that cannot start was given
};
