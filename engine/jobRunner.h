#pragma once
// Converts the whole file list as one batch: one converter run per row, first to last. It writes
// each row's status and outcome into the row's record and reports a row's start and end, a
// percentage per finished row and an elapsed-seconds count; selection and animation are the
// window's.
#include "engine/ProcessRunner.h"
#include "engine/entryPlan.h"
#include "engine/fileList.h"
#include "engine/outputCheck.h"
#include "engine/sourcePrefetch.h"
#include "formats/profileList.h"
#include "platform/fileSystem.h"

#include <QObject>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <thread>
#include <utility>

// One row's end, as OnEntryEnded reports it.
struct TEntryEnd {
    PVirtualNode node = nullptr;
    uint32_t exitCode = kStillActive; // the converter's own code; kStillActive when it did not end by itself
    TEntryResult result = TEntryResult::NotStarted;
    // Why the row failed, in words, for Failed and NotStarted (never empty for those); empty for
    // Converted and Stopped. This is the one place a row's problem is told: the job runner does
    // not also send it to the error reporter.
    std::string problem;
};

class TJobRunner : public QObject {
    Q_OBJECT
public:
    using TProgressEvent = std::function<void(QObject* Sender, int32_t Percent)>;
    using TFinishEvent = std::function<void(QObject* Sender, bool Stopped)>;
    using TTimerEvent = std::function<void(QObject* Sender)>;
    // Raised when a row starts converting (its status is converting), before its converter runs.
    using TEntryStartedEvent = std::function<void(PVirtualNode node)>;
    // Raised for every row that ends, after OnProgress and after the row's status is set; not for
    // a row freed from the list before its end arrived.
    using TEntryEndedEvent = std::function<void(const TEntryEnd& end)>;
    // Raised once per run when the converter is first seen holding its output file open (from
    // then on OwnOutput() names it).
    using TOwnOutputEvent = std::function<void()>;
    // Each line the converter writes (shown by tools; the batch ignores it). A last line without
    // a line end comes at the end of the row's run, before OnEntryEnded.
    using TOutputLineEvent = std::function<void(const std::string& line)>;

    // The list must outlive this object. Rows may be freed at any time, also the one being
    // converted: the job runner forgets it and ends the batch when its run ends.
    TJobRunner(TFileList& list, const TProfileList& profiles, QObject* parent = nullptr);
    ~TJobRunner() override;

    // The converter, as platform::ConverterPath() finds it (beside the program, else on PATH).
    const std::string& ConverterPath() const { return converterPath_; }
    // Folder for rows without an output folder (platform::GlobalOutputFolder()).
    const std::string& GlobalOutputFolder() const { return globalOutputFolder_; }
    // Sets both of the above to that folder's "ffmpeg" and "convert/" (tools and tests).
    void SetProgramFolder(const std::string& folder);
    // Another converter than the one beside the program (a tool's fallback to the one on PATH).
    // How long a converter that said it failed may stay silent before it is killed (ms).
    static constexpr int kHangAfterFailureMs = 20000;
    void SetHangAfterFailureMs(int ms) { hungTimer_.setInterval(ms); }
    void SetConverterPath(const std::string& path) { converterPath_ = path; }
    // Encoding choices over every row's profile (a tool's options); they must outlive the batch.
    // Null: the profiles as they are.
    void SetEncodingOverrides(const TEncodingOverrides* overrides) { overrides_ = overrides; }

    uint32_t CurrentIndex() const { return currentIndex_; }
    bool Idle() const { return idle_; }
    int64_t ElapsedSeconds() const { return elapsedSeconds_; }
    // Command line and unique output path of the row being converted.
    const std::string& CurrentCommandLine() const { return plan_.commandLine; }
    const std::string& CurrentOutputPath() const { return plan_.outputPath; }
    // 1 or 2 while the current row runs in two passes, 0 while it runs once.
    int CurrentPass() const { return firstPass_ ? 1 : plan_.firstPassCommandLine.empty() ? 0 : 2; }
    TProcessRunner& Runner() { return *runner_; }
    // The file the current row's converter was seen holding open under the output name; none
    // before that and once the row has ended. Stop removes this file and no other.
    std::optional<TOwnOutput> OwnOutput() const;

    TProgressEvent OnProgress;
    TFinishEvent OnFinish;
    TTimerEvent OnTimer;
    TEntryStartedEvent OnEntryStarted;
    TEntryEndedEvent OnEntryEnded;
    TOutputLineEvent OnOutputLine;
    TOwnOutputEvent OnOwnOutput;

    // Caller's contract: no batch running or ending, and the list not empty.
    void Start();
    // Ends the batch after the current row; its converter is killed and the row fails.
    void Stop();

private:
    void StartEntry();
    void StartPlanning();
    void PlanMade(TEntryPlan plan);
    void EndPlanning();
    void PrefetchNextSource();
    bool MakeOutputFolder(std::string& problem);
    bool MakePassLogFolder(std::string& problem);
    void RemovePassLogs();
    void StartRun(const std::string& commandLine);
    void ConverterEnded(uint32_t exitCode);
    void FirstPassEnded(uint32_t exitCode);
    void StartSecondPass();
    bool RetryWithoutSubtitles(uint32_t exitCode);
    TEntryResult Verdict(uint32_t exitCode, std::string& problem);
    void RemoveRunsOutput();
    void EntryEnded(uint32_t exitCode, TEntryResult result, const std::string& problem);
    void NextEntryOrEnd();
    void FailWithoutRun(const std::string& problem);
    void Defer(std::function<void()> work);
    void NodeFreed(PVirtualNode node);
    void OutputLine(const std::string& line, TOutputType type);
    void NoteConvertersOutput();
    void RemovePartialOutput();
    void EndBatch(bool stopped);
    void TimerTick();
    bool StoppedByUser() const;

    TFileList& list_;
    const TProfileList& profiles_;
    QTimer timer_;
    QTimer deferTimer_; // runs deferred_ from the event loop
    // Started when the converter says it gives up, restarted by each line it writes after: an
    // encoder can hang on close after a failed start (SVT-AV1 when the muxer refuses the header),
    // deaf to SIGTERM, and the batch must go on.
    QTimer hungTimer_;
    bool endedHung_ = false; // the converter was killed by hungTimer_
    std::function<void()> deferred_;
    std::unique_ptr<TProcessRunner> runner_;
    std::string converterPath_;
    std::string globalOutputFolder_;
    const TEncodingOverrides* overrides_ = nullptr;

    int freeListener_ = 0;
    uint32_t currentIndex_ = 0;
    PVirtualNode currentNode_ = nullptr; // null once the row is freed
    TItemNodeData* currentEntry_ = nullptr;
    std::string partialLine_; // the converter's line still without its end
    std::string lastLine_; // the converter's last complete line, kept in the row's outcome
    TEntryPlan plan_; // of the current row; empty until it is planned
    // Plans the current row off this thread (reading the source takes ffprobe a tenth of a
    // second, and as long as its time-out on a stalled disk); cancelPlan_ ends its reading. The
    // planner writes madePlan_ and then sets planMade_; planTimer_ looks for that and joins the
    // planner before madePlan_ is read (the join is the hand-over ThreadSanitizer sees).
    std::thread planner_;
    std::atomic<bool> cancelPlan_ { false };
    std::atomic<bool> planMade_ { false };
    TEntryPlan madePlan_;
    QTimer planTimer_;
    TSourcePrefetch prefetch_; // the next row's source, read while the current row converts
    std::string probePath_; // ffprobe, found when a batch starts; empty when there is none
    TConverterLog log_; // what the current row's converter said
    bool subtitleRefused_ = false; // the converter said the container cannot take a subtitle stream
    bool withoutSubtitles_ = false; // the row runs again with -sn after such a refusal
    time_t runStarted_ = 0; // wall-clock second the converter was started
    bool idle_ = true;
    bool stopRequested_ = false;
    bool entryRunning_ = false; // the converter was started for the current row
    bool firstPass_ = false; // the converter runs the first of the row's two passes
    std::string passLogFolder_; // the row's private folder for two-pass statistics; empty: none
    // The file the current row's converter was seen holding open under the output name.
    std::optional<platform::TFileId> ownOutput_;
    int64_t elapsedSeconds_ = 0;
};
