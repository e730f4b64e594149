#pragma once
// Reads a source with ffprobe on a thread of its own, ahead of its plan: the job runner reads the
// next row's source while the current row converts, so that the probe's cost (about 70 ms, as much
// as remuxing a short clip) is not paid between rows.
//
// Threads: Start and the destructor run on the owner's thread; Take runs on one other thread at a
// time (the planner), never while Start or the destructor runs; Cancel runs anywhere.
#include "engine/sourceProbe.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>

class TSourcePrefetch {
public:
    TSourcePrefetch() = default;
    TSourcePrefetch(const TSourcePrefetch&) = delete;
    TSourcePrefetch& operator=(const TSourcePrefetch&) = delete;
    ~TSourcePrefetch();

    // Starts reading source (absolute); an earlier reading of another file is ended first. probe
    // is ProbePath()'s answer; empty: nothing is read.
    void Start(const std::string& probe, const std::string& source);
    // What was read of source, once the reading has ended (waits for it); nothing when another
    // file was read, the reading was cancelled, or the file changed since it was read.
    std::optional<TSourceInfo> Take(const std::string& source);
    // Ends a reading still running soon (within 50 ms); what it read is then of no use.
    void Cancel() { cancel_ = true; }

private:
    // Which file, its size and modification time in ns: a file written again or replaced after its
    // reading is read again.
    struct TStamp {
        uint64_t device = 0;
        uint64_t inode = 0;
        int64_t size = -1;
        int64_t modifiedNs = 0;
        bool operator==(const TStamp&) const = default;
    };
    static std::optional<TStamp> StampOf(const std::string& path);
    void Wait();

    std::thread thread_;
    std::atomic<bool> cancel_ { false };
    std::string source_; // set by Start before the thread starts
    std::optional<TStamp> stamp_; // likewise
    TSourceInfo info_; // written by the thread; read after joining it
};
