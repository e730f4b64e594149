#pragma once
// Converts the whole file list as one batch: one converter run per row, first to last, with the
// row's status, a percentage per finished row, an animation tick and an elapsed-seconds count.
#include "engine/ProcessRunner.h"
#include "engine/overwriteManager.h"
#include "settings/commandManager.h"
#include "settings/itemNodeData.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class TCommand : public QObject {
public:
    using TProgressEvent = std::function<void(QObject* Sender, int32_t Percent)>;
    using TFinishEvent = std::function<void(QObject* Sender, bool Stopped)>;
    using TTimerEvent = std::function<void(QObject* Sender)>;
    // One row's end: its exit code (259 when it was stopped or never ran) and, for a row that
    // could not be started, the reason.
    using TEntryEndedEvent = std::function<void(PVirtualNode node, uint32_t exitCode, const std::string& problem)>;
    // Each complete line the converter writes (shown by tools; the batch ignores it).
    using TOutputLineEvent = std::function<void(const std::string& line)>;

    TCommand(TFileList& list, const TCommandManager& profiles, QObject* parent = nullptr);
    ~TCommand() override;

    // The program's folder followed by "ffmpeg".
    const std::string& ConverterPath() const { return converterPath_; }
    // Folder for rows without an output folder: the program's folder followed by "convert/".
    const std::string& GlobalOutputFolder() const { return globalOutputFolder_; }
    // Sets both of the above from another folder (tools and tests); the default is the folder of
    // the running program.
    void SetProgramFolder(const std::string& folder);

    uint32_t CurrentIndex() const { return currentIndex_; }
    bool Idle() const { return idle_; }
    int64_t ElapsedSeconds() const { return elapsedSeconds_; }
    // Command line and unique output path of the row being converted.
    const std::string& CurrentCommandLine() const { return commandLine_; }
    const std::string& CurrentOutputPath() const { return outputPath_; }
    TProcessRunner& Runner() { return *runner_; }

    TProgressEvent OnProgress;
    TFinishEvent OnFinish;
    TTimerEvent OnTimer;
    TEntryEndedEvent OnEntryEnded;
    TOutputLineEvent OnOutputLine;

    // Caller's contract: no batch running or ending, and the list not empty.
    void Start();
    // Ends the batch after the current row; its converter is killed and the row fails.
    void Stop();

    // The converter's command line for one row.
    static std::string FormatCommandLine(const std::string& converter, const std::string& source,
        const std::string& params, const std::string& output);

private:
    void StartEntry();
    bool PrepareEntry(std::string& problem);
    void EntryTerminated(uint32_t exitCode);
    void FailWithoutRun(const std::string& problem);
    void RemovePartialOutput();
    void EndBatch(bool stopped);
    void TimerTick();

    TFileList& list_;
    const TCommandManager& profiles_;
    QTimer timer_;
    std::unique_ptr<TProcessRunner> runner_;
    std::unique_ptr<TOverwriteManager> overwrite_;
    std::string converterPath_;
    std::string globalOutputFolder_;

    uint32_t currentIndex_ = 0;
    PVirtualNode currentNode_ = nullptr;
    TItemNodeData* currentEntry_ = nullptr;
    std::string outputFolder_;
    std::string outputName_;
    std::string outputPath_;
    std::string commandLine_;
    bool idle_ = true;
    bool stopRequested_ = false;
    bool entryRunning_ = false; // the converter was started for the current row
    int64_t elapsedSeconds_ = 0;
};
