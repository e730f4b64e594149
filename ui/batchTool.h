#pragma once
// vidmorph-batch: converts a list file, or files given on the command line, with the profile file
// beside the program, printing one line per finished entry.
#include "engine/command.h"
#include "settings/commandManager.h"
#include "settings/itemNodeData.h"

#include <QStringList>

#include <deque>
#include <string>
#include <vector>

// Exit statuses of the tool.
enum TBatchExit { beAllConverted = 0, beSomeFailed = 1, beBadInput = 2 };

struct TBatchOptions {
    bool help = false;
    bool listProfiles = false;
    int profile = -1; // --profile N; -1 when not given
    std::string outputFolder; // --output DIR (absolute, with a trailing '/'), or empty
    std::string saveList; // --save LIST.zfl
    std::string listFile; // the list file to convert
    std::vector<std::string> files; // FILE... (absolute)
};

class TBatchTool {
public:
    TBatchTool(const TCommandManager& profiles, std::FILE* out, std::FILE* err);

    // Reads the arguments (without the program name). Returns false after printing the problem.
    bool ParseArguments(const QStringList& arguments, TBatchOptions& options);
    // Carries out the options; returns the exit status.
    int Run(const TBatchOptions& options);
    // Asks a running batch to stop as the Stop button does (safe from the event loop only).
    void Stop();

    static void PrintUsage(std::FILE* out);

private:
    bool Fail(const std::string& message);
    int ListProfiles();
    bool FillList(const TBatchOptions& options);
    bool CheckProfiles();
    int Convert();
    void EntryEnded(const TEntryEnd& end);
    void ExplainMissingConverter();
    void ShowProgress();
    void ClearProgress();

    const TCommandManager& profiles_;
    std::FILE* out_;
    std::FILE* err_;
    TFileList list_;
    TCommand* command_ = nullptr;
    std::deque<std::string> lastLines_; // the current entry's last output lines
    int finished_ = 0;
    int failed_ = 0;
    bool live_ = false; // a progress line is kept on a terminal
    bool converterExplained_ = false; // the advice on a missing converter was given
};
