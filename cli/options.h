#pragma once
// vidmorph-batch's command line: what the user asked for, read and checked before anything runs.
#include "engine/encodingOverrides.h"

#include <QStringList>

#include <cstdio>
#include <string>
#include <vector>

// Exit statuses of the tool.
enum TBatchExit { beAllConverted = 0, beSomeFailed = 1, beBadInput = 2, beInterrupted = 130 };

struct TBatchOptions {
    bool help = false;
    bool version = false;
    bool listProfiles = false;
    bool dryRun = false; // print each converter command line, create nothing
    bool quiet = false; // only failures and problems
    bool verbose = false; // the converter's own lines too
    bool json = false; // one JSON object per finished entry on standard output
    bool recursive = false; // -r: folders given as input include their subfolders
    bool force = false; // --save may replace an existing list file
    int profile = -1; // --profile N; -1 when not given
    int jobs = 1; // -j N: conversions at once
    bool jobsAuto = false; // -j auto: jobs chosen from the cores and the profiles (cli/jobCount.h)
    std::string expectSha256; // --expect-sha256 HEX, in lower case: the list file must have this checksum
    int shardIndex = 0; // --shard K/N: 0-based K-1
    int shardCount = 1;
    std::string outputFolder; // --output DIR (absolute, with a trailing '/'), or empty
    std::string saveList; // --save LIST.zfl
    std::string listFile; // the list file to convert
    std::vector<std::string> inputs; // FILE or FOLDER... (absolute)
    TEncodingOverrides encoding; // --quality, --size, --start, ...: over every entry's profile
};

// Reads the arguments (without the program name) into options. Returns false after printing
// the problem and what to do about it to err.
bool ParseBatchArguments(const QStringList& arguments, TBatchOptions& options, std::FILE* err);

void PrintBatchUsage(std::FILE* out);
void PrintBatchVersion(std::FILE* out);

// Prints "vidmorph-batch: message" to err; returns false.
bool BatchFail(std::FILE* err, const std::string& message);
