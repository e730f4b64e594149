#pragma once
// TMainController, the main window's controller. It owns the program's single instances (profiles, item
// settings store, menu painter, file list view, job runner, list-file manager), wires every
// control of the main window and carries out the user's commands. Every handler is a boundary:
// an exception raised inside is shown in a message box and never crosses Qt's event loop.
#include "engine/fileList.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TJobRunner;
class TProfileList;
class TItemManager;
class TMenuDraw;
class TProblemsDlg;
class TListFile;
class TListJournal;
class TFileListPresenter;
struct TEntryEnd;
class TmainDlg;

class TMainController {
public:
    // Texts and values of the commands.
    static const QString kAddFilter;
    static constexpr const char* kListFilter = "Zantro File List File (*.zfl)|*.zfl";
    static constexpr const char* kListExtension = ".zfl";
    static constexpr const char* kEndMessage = "Congratulations, works done!";
    static constexpr const char* kSite = "https://www.example.com";
    static constexpr const char* kSupportPage = "/support.html";
    static constexpr const char* kProductPage = "/vidmorph/index.html";

    // Creates the profile list, the item settings store and the menu painter, and installs the
    // desktop error reporter.
    explicit TMainController(TmainDlg& form);
    // Frees everything it created; a running converter is killed and its unfinished output
    // file removed. No question is asked.
    ~TMainController();
    TMainController(const TMainController&) = delete;
    TMainController& operator=(const TMainController&) = delete;

    void Setup();
    // Restores the list a crashed session left in folder (the state folder), says so in a box
    // that holds up nothing, and from then on keeps this window's journal there.
    void StartJournal(const std::string& folder);
    void SetIdleState();
    void SetRunningState();

    void btnAddClick();
    void btnConvertClick();
    void btnStopClick();
    void btnSupportClick();
    void btnListClick();
    void btnOptionClick();
    void btnImportClick();
    void btnExportClick();
    void lbUpdateClick();
    void pmiDeleteClick();
    void pmiClearClick();
    void pmiPropertiesClick();
    void BatchProgress(int32_t percent);
    void BatchFinished(bool stopped);
    void BatchTimer();

    TProfileList& Profiles() { return *profiles_; }
    TItemManager& Items() { return *items_; }
    TMenuDraw& MenuDraw() { return *menuDraw_; }
    TFileListPresenter& ListPresenter() { return *listPresenter_; }
    TJobRunner& JobRunner() { return *jobRunner_; }
    TListFile& ListFile() { return *listFile_; }
    // This window's journal; null before StartJournal.
    TListJournal* Journal() { return journal_.get(); }
    // The batch's problems window, owned by the main window; hidden until a problem arrives.
    TProblemsDlg& Problems() { return *problems_; }

    // "%d files, finished %d of %d", "timestamp: %0.2d:%0.2d:%0.2d" (hours unwrapped), and the
    // export name rule (".zfl" appended unless the name ends in exactly that).
    static QString CountLine(int files, int finished);
    static QString TimeLine(int64_t seconds);
    static QString ExportName(const QString& chosen);
    // The end of a batch of `rows` rows: "Congratulations, works done!" only when none failed and
    // it was not stopped; else how many converted and failed, e.g. "3 of 5 files converted,
    // 2 failed." or "Stopped: 1 of 5 files converted."
    static QString EndMessage(int rows, int converted, int failed, bool stopped);
    // "The list of the last session was restored: 37 files, 12 converted."
    static QString RestoredMessage(int files, int converted);

private:
    // Runs a handler; an exception is shown as the framework's default error report would.
    template <class Handler> void Guard(Handler&& handler) noexcept;
    void RefreshCount(int finished);
    void ApplyButtonState(bool running);
    void WireLabels();
    void WireButtons();
    void WireJobRunner();
    void RemovePending();
    void EntryStarted(PVirtualNode node);
    void EntryEnded(const TEntryEnd& end);

    TmainDlg& form_;
    std::unique_ptr<TProfileList> profiles_;
    std::unique_ptr<TItemManager> items_;
    std::unique_ptr<TMenuDraw> menuDraw_;
    std::unique_ptr<TFileListPresenter> listPresenter_;
    std::unique_ptr<TJobRunner> jobRunner_;
    std::unique_ptr<TListFile> listFile_;
    std::unique_ptr<TListJournal> journal_;
    // From Convert until OnFinish. After Stop the job runner is idle at once, but its current row
    // stays in use until the stopped converter's end arrives: removals wait for that moment.
    bool batchActive_ = false;
    bool pendingClear_ = false;
    std::vector<TFileList::Node*> pendingDeletes_;
    TProblemsDlg* problems_ = nullptr; // a child window of form_
    // The running or last batch: its rows when it started, and how they ended.
    struct TTally {
        int rows = 0;
        int converted = 0;
        int failed = 0; // the converter failed, or the row could not start; not a stopped one
    } tally_;
};
