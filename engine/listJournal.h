#pragma once
// The list's journal: while the window runs, a copy of its rows (source, profile, output folder,
// status, and the converting row's output file once its converter holds it open) in the user's
// state folder, so that the list survives a crash. Each running program keeps a journal of its
// own, "list-<id>.zfl", guarded by a lock (flock) on "list-<id>.lock" beside it; the kernel drops
// the lock when the program dies however it dies. A normal end removes both files.
//
// The journal is a list file whose entries carry two more elements, which list-file readers pass
// over: <status> (waiting, converting, converted, failed) and, on the converting row,
// <output device=".." inode=".." birth="..">path</output> (birth: ns, where the file system keeps it).
#include "engine/fileList.h"

#include <QElapsedTimer>
#include <QTimer>

#include <functional>
#include <optional>
#include <string>

class TListJournal {
public:
    // Writes are at least this far apart, and ten times as far as the last one took (ms).
    static constexpr int kMinGapMs = 250;
    static constexpr int kGapPerWriteTime = 10;

    // Follows list from now on, keeping the journal in folder (created when missing). Where no
    // journal can be kept there (no folder, a read-only one), Active() is false and Problem() says
    // why; the list works as before. The list must outlive this object.
    TListJournal(TFileList& list, const std::string& folder);
    // Removes the journal and its lock: a normal end leaves nothing to restore.
    ~TListJournal();
    TListJournal(const TListJournal&) = delete;
    TListJournal& operator=(const TListJournal&) = delete;

    // The converting row's output file as its converter was seen holding it; asked at each write.
    std::function<std::optional<TOwnOutput>()> ConvertingOutput;

    // Something outside the list's rows changed (the converting row's output became known). Row
    // changes are followed without being told.
    void Changed();
    // Writes at once when a write is due (tests, measurements).
    void Flush();

    bool Active() const { return lockFd_ >= 0; }
    const std::string& Path() const { return path_; }
    // Why no journal is kept, or why the last write failed; empty when all is well.
    const std::string& Problem() const { return problem_; }
    // Journal files written so far.
    int Writes() const { return writes_; }

private:
    bool Open(const std::string& folder);
    void Write();

    TFileList& list_;
    int changeListener_ = 0;
    std::string path_; // the journal; empty while none is kept
    std::string lockPath_;
    int lockFd_ = -1;
    std::string problem_;
    QTimer timer_; // the coalesced write
    QElapsedTimer sinceWrite_;
    int gapMs_ = 0; // from the last write to the earliest next one
    int writes_ = 0;
};

// What taking over a crashed session's journal gave.
struct TRestoredList {
    bool found = false; // a journal no running program holds was there
    int rows = 0;
    int converted = 0;
    std::string error; // the journal could not be read (it is removed all the same)
};

// Takes the newest journal in folder that no running program holds and appends its rows to list:
// converted and failed rows as they were, the converting row waiting, its unfinished output
// removed when that name still stands for the file the converter held. The journal and its lock
// are removed once its rows are in. One that cannot be read adds no row and is removed.
// The converter may have finished the row just before the end that the journal did not see: an
// output that ffprobe (probe; empty: none) reads as long as the source is kept and the row
// restored as converted.
TRestoredList RestoreLastSession(TFileList& list, const std::string& folder, const std::string& probe = {});
