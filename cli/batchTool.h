#pragma once
// vidmorph-batch: converts a list file, or files and folders given on the command line, with the
// profile file beside the program, printing one line (or JSON object) per finished entry. Several
// conversions may run at once (-j), each job with its own job runner and list.
#include "cli/batchReport.h"
#include "cli/inputList.h"
#include "cli/jobGroups.h"
#include "cli/liveLine.h"
#include "cli/options.h"
#include "engine/jobRunner.h"
#include "formats/profileList.h"

#include <QStringList>

#include <cstdio>
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
    struct TJob;

    int RunOnInputs();
    bool OverridesFitProfiles();
    void ChooseJobCount();
    int ListProfiles();
    int SaveList();
    std::string FindConverter();
    int DryRun(const std::string& converter);
    bool PrintDryRunEntry(unsigned row, const TPlanSettings& settings);
    int Convert(const std::string& converter);
    void AddJob(const std::string& converter);
    void StartNextGroup(TJob& job);
    void OutputLine(TJob& job, const std::string& line);
    void EntryEnded(TJob& job, const TEntryEnd& end);
    void ShowProgress();

    const TProfileList& profiles_;
    std::FILE* out_;
    std::FILE* err_;
    TBatchOptions options_; // read by the units below
    TInputList inputs_;
    TBatchReport report_;
    TLiveLine liveLine_;
    std::string defaultOutputFolder_; // for entries without an output folder, as the job runner uses it
    TJobGroups plan_; // this run's entries
    size_t nextGroup_ = 0; // of plan_, for the next job that is free
    std::vector<std::unique_ptr<TJob>> jobs_;
    bool stopping_ = false; // Stop was called: no further group starts, the exit is beInterrupted
};
