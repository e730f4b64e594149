#pragma once
// vidmorph-batch: converts a list file, or files and folders given on the command line, with the
// profile file beside the program, printing one line (or JSON object) per finished entry. Several
// conversions may run at once (-j), each job with its own job runner and list.
#include "cli/options.h"
#include "engine/fileList.h"
#include "engine/jobRunner.h"
#include "formats/profileList.h"

#include <QStringList>

#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <vector>

class TBatchTool {
public:
    TBatchTool(const TProfileList& profiles, std::FILE* out, std::FILE* err);
    ~TBatchTool();

    // Reads the arguments (without the program name). Returns false after printing the problem.
    bool ParseArguments(const QStringList& arguments, TBatchOptions& options);
    // Carries out the options; returns the exit status.
    int Run(const TBatchOptions& options);
    // Asks a running batch to stop as the Stop button does (from the event loop only); the tool
    // then exits with beInterrupted.
    void Stop();

private:
    struct Job;
    using Clock = std::chrono::steady_clock;

    int ListProfiles();
    bool FillList();
    void AddInput(const std::string& input);
    bool CheckProfiles();
    int SaveList();
    void PlanGroups();
    std::string FindConverter();
    int DryRun(const std::string& converter);
    bool PrintDryRunEntry(unsigned row, const std::string& converter, std::set<std::string>& taken);
    int Convert(const std::string& converter);
    void StartNextGroup(Job& job);
    void OutputLine(Job& job, const std::string& line);
    void EntryEnded(Job& job, const TEntryEnd& end);
    void PrintEntry(Job& job, const TEntryEnd& end, const std::string& source, unsigned row);
    void PrintJson(const std::string& source, const std::string& output, const char* status,
        const TEntryEnd* end, double seconds);
    void ExplainMissingConverter(Job& job);
    int Finish();
    void ShowProgress();
    void ClearProgress();

    const TProfileList& profiles_;
    std::FILE* out_;
    std::FILE* err_;
    TBatchOptions options_;
    TFileList list_; // every entry, in list order
    std::vector<PVirtualNode> rows_; // list_'s rows by index
    // Entries whose output names could collide go into one group and run one after another in
    // one job, so unique names stay race-free between jobs.
    std::vector<std::vector<unsigned>> groups_;
    size_t nextGroup_ = 0;
    unsigned planned_ = 0; // entries in this run's groups (this shard)
    std::vector<std::unique_ptr<Job>> jobs_;
    std::string defaultOutputFolder_; // for entries without an output folder, as the job runner uses it
    Clock::time_point started_;
    Clock::time_point lastDrawn_; // of the live line
    int finished_ = 0;
    int failed_ = 0; // not started or failed
    int stopped_ = 0;
    int missing_ = 0; // inputs that were missing or empty
    bool stopping_ = false;
    bool interrupted_ = false;
    bool live_ = false; // a progress line is kept on a terminal
    bool converterExplained_ = false; // the advice on a converter that cannot start was given
};
