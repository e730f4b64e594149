#include "desktop/mainController.h"

#include "engine/sourceProbe.h"

#include "controls/FSProgressBar.h"
#include "controls/LinePanelUnit.h"
#include "controls/MyButtonEx.h"
#include "controls/imagebutton.h"
#include "controls/menuDraw.h"
#include "desktop/addForm.h"
#include "desktop/dialogSeam.h"
#include "desktop/fileListPresenter.h"
#include "desktop/fileListView.h"
#include "desktop/formKit.h"
#include "desktop/handlerGuard.h"
#include "desktop/itemManager.h"
#include "desktop/labelLinks.h"
#include "desktop/mainForm.h"
#include "desktop/problemsForm.h"
#include "desktop/rowText.h"
#include "engine/jobRunner.h"
#include "engine/listJournal.h"
#include "engine/reporter.h"
#include "engine/sourceProbe.h"
#include "engine/videoFormats.h"
#include "formats/listFile.h"
#include "formats/profileList.h"
#include "platform/fileSystem.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <utility>

using formkit::kCaption;
using formkit::kDisabledCaption;

const QString TMainController::kAddFilter = [] {
    QStringList patterns;
    for (std::string_view extension : kSupportedVideoExtensions)
        patterns << QLatin1String("*") + QLatin1String(extension.data(), extension.size());
    return "All Supported Formats|" + patterns.join(';') + "|All Files|*.*";
}();

TMainController::TMainController(TmainDlg& form)
    : form_(form)
    , profiles_(std::make_unique<TProfileList>())
    , items_(std::make_unique<TItemManager>())
    , menuDraw_(std::make_unique<TMenuDraw>())
{
    // Owned by the window, so no box outlives it and keeps the program running.
    SetErrorReporter([this](const std::string& message) {
        Dialogs().ShowMessageNonModal(
            &form_, kApplicationTitle, platform::FromAnsi(message), QMessageBox::Critical);
    });
}

TMainController::~TMainController()
{
    menuDraw_.reset();
    listFile_.reset();
    items_.reset();
    listPresenter_.reset();
    profiles_.reset();
    jobRunner_.reset(); // kills a running converter and its descendants, removes its unfinished output
    journal_.reset(); // a normal end: nothing to restore
    SetErrorReporter({});
}

template <class Handler> void TMainController::Guard(Handler&& handler) noexcept
{
    RunGuarded(&form_, std::forward<Handler>(handler));
}

void TMainController::Setup()
{
    // Qt's backing store already composes the window off screen: nothing to switch on.
    WireLabels();
    form_.btnStop->SetEnabled(false);
    formkit::SetTextColor(form_.lbStop, kDisabledCaption);
    WireButtons();
    menuDraw_->Attach(form_.listMenu);
    QObject::connect(
        form_.pmiDelete, &QAction::triggered, &form_, [this] { Guard([this] { pmiDeleteClick(); }); });
    QObject::connect(
        form_.pmiClear, &QAction::triggered, &form_, [this] { Guard([this] { pmiClearClick(); }); });
    QObject::connect(form_.pmiProperties, &QAction::triggered, &form_,
        [this] { Guard([this] { pmiPropertiesClick(); }); });
    listPresenter_ = std::make_unique<TFileListPresenter>(form_.fileList, *profiles_, *items_, form_.listMenu);
    jobRunner_ = std::make_unique<TJobRunner>(form_.fileList->List(), *profiles_);
    listPresenter_->IsIdle = [this] { return jobRunner_->Idle(); };
    WireJobRunner();
    listFile_ = std::make_unique<TListFile>();
    problems_ = new TProblemsDlg(&form_);
}

void TMainController::WireLabels()
{
    ForwardLabelTo(form_.lbAdd, form_.btnAdd);
    ForwardLabelTo(form_.lbConvert, form_.btnConvert);
    ForwardLabelTo(form_.lbList, form_.btnList);
    ForwardLabelTo(form_.lbOption, form_.btnOption);
    ForwardLabelTo(form_.lbStop, form_.btnStop);
    ForwardLabelTo(form_.lbSupport, form_.btnSupport);
}

void TMainController::WireButtons()
{
    auto wire = [this](auto* control, void (TMainController::*handler)()) {
        control->OnClick = [this, handler](QObject*) { Guard([this, handler] { (this->*handler)(); }); };
    };
    wire(form_.btnAdd, &TMainController::btnAddClick);
    wire(form_.btnConvert, &TMainController::btnConvertClick);
    wire(form_.btnStop, &TMainController::btnStopClick);
    wire(form_.btnSupport, &TMainController::btnSupportClick);
    wire(form_.btnList, &TMainController::btnListClick);
    wire(form_.btnOption, &TMainController::btnOptionClick);
    wire(form_.btnImport, &TMainController::btnImportClick);
    wire(form_.btnExport, &TMainController::btnExportClick);
    OnLabelClick(form_.lbUpdate, [this] { Guard([this] { lbUpdateClick(); }); });
}

void TMainController::WireJobRunner()
{
    jobRunner_->OnProgress = [this](QObject*, int32_t percent) { Guard([&] { BatchProgress(percent); }); };
    jobRunner_->OnFinish = [this](QObject*, bool stopped) { Guard([&] { BatchFinished(stopped); }); };
    jobRunner_->OnTimer = [this](QObject*) { Guard([this] { BatchTimer(); }); };
    jobRunner_->OnEntryStarted = [this](PVirtualNode node) { Guard([&] { EntryStarted(node); }); };
    jobRunner_->OnEntryEnded = [this](const TEntryEnd& end) { Guard([&] { EntryEnded(end); }); };
    jobRunner_->OnOwnOutput = [this] {
        if (journal_)
            journal_->Changed();
    };
}

void TMainController::StartJournal(const std::string& folder)
{
    TFileList& list = form_.fileList->List();
    const TRestoredList restored = RestoreLastSession(list, folder, ProbePath(jobRunner_->ConverterPath()));
    journal_ = std::make_unique<TListJournal>(list, folder);
    journal_->ConvertingOutput = [this] { return jobRunner_->OwnOutput(); };
    if (!journal_->Active())
        std::fprintf(stderr, "vidmorph: the list is not kept for after a crash: %s\n", journal_->Problem().c_str());
    if (!restored.found || (restored.error.empty() && restored.rows == 0))
        return;
    RefreshCount(restored.converted);
    const bool failed = !restored.error.empty();
    const QString message = failed
        ? "The list of the last session could not be restored and was dropped: " + platform::FromAnsi(restored.error)
        : RestoredMessage(restored.rows, restored.converted);
    std::fprintf(stderr, "vidmorph: %s\n", platform::ToAnsi(message).c_str());
    Dialogs().ShowMessageNonModal(
        &form_, kApplicationTitle, message, failed ? QMessageBox::Warning : QMessageBox::Information);
}

// The converting row is the selected one, and its bar shows the moving block.
void TMainController::EntryStarted(PVirtualNode node)
{
    TFileList& list = form_.fileList->List();
    list.SetFocus();
    list.SelectOnly(node);
    form_.fileList->StartAnimation();
}

// A row's problem goes to the batch's one problems window, which appears with the first of them.
void TMainController::EntryEnded(const TEntryEnd& end)
{
    if (end.result == TEntryResult::Converted)
        ++tally_.converted;
    const QString problem = RowProblem(*TFileList::GetNodeData(end.node));
    if (problem.isEmpty())
        return;
    ++tally_.failed;
    problems_->Add(problem);
    if (problems_->Count() == 1)
        problems_->show();
}

void TMainController::SetIdleState()
{
    ApplyButtonState(false);
}

void TMainController::SetRunningState()
{
    ApplyButtonState(true);
}

void TMainController::ApplyButtonState(bool running)
{
    form_.btnAdd->SetEnabled(!running);
    form_.btnConvert->SetEnabled(!running);
    form_.btnStop->SetEnabled(running);
    formkit::SetTextColor(form_.lbAdd, running ? kDisabledCaption : kCaption);
    formkit::SetTextColor(form_.lbConvert, running ? kDisabledCaption : kCaption);
    formkit::SetTextColor(form_.lbStop, running ? kCaption : kDisabledCaption);
}

QString TMainController::CountLine(int files, int finished)
{
    return QString::asprintf("%d files, finished %d of %d", files, finished, files);
}

QString TMainController::TimeLine(int64_t seconds)
{
    return QString::asprintf("timestamp: %.2lld:%.2lld:%.2lld", static_cast<long long>(seconds / 3600),
        static_cast<long long>((seconds / 60) % 60), static_cast<long long>(seconds % 60));
}

QString TMainController::EndMessage(int rows, int converted, int failed, bool stopped)
{
    if (!stopped && failed == 0)
        return kEndMessage;
    QString message = QString::asprintf("%d of %d files converted", converted, rows);
    if (failed > 0)
        message += QString::asprintf(", %d failed", failed);
    return (stopped ? "Stopped: " : "") + message + ".";
}

QString TMainController::RestoredMessage(int files, int converted)
{
    return QString::asprintf("The list of the last session was restored: %d files, %d converted.", files, converted);
}

QString TMainController::ExportName(const QString& chosen)
{
    const std::string name = platform::ToAnsi(chosen);
    return platform::ExtractFileExt(name) == kListExtension ? chosen : chosen + kListExtension;
}

void TMainController::RefreshCount(int finished)
{
    form_.lbCount->setText(CountLine(static_cast<int>(form_.fileList->List().TotalCount()), finished));
}

void TMainController::btnAddClick()
{
    const QStringList names = Dialogs().GetOpenFileNames(kAddFilter);
    form_.repaint();
    if (!names.isEmpty()) {
        TaddDlg dialog(profiles_->FormatNames());
        dialog.SetProfileProblem(platform::FromAnsi(profiles_->LoadError()));
        dialog.Fill(names);
        Dialogs().ExecModal(dialog);
        if (dialog.OkFlag()) {
            try {
                for (const QString& name : names)
                    items_->AddItem(
                        platform::ToAnsi(name), dialog.ProfileIndex(), platform::ToAnsi(dialog.Folder()));
                listPresenter_->AddFiles(names);
            } catch (...) {
                items_->ClearItems(); // the next add must not read this one's leftovers
                RefreshCount(0);
                throw;
            }
        }
    }
    RefreshCount(0);
}

void TMainController::btnConvertClick()
{
    if (form_.fileList->List().TotalCount() == 0 || !jobRunner_->Idle() || batchActive_)
        return;
    SetRunningState();
    batchActive_ = true;
    tally_ = { static_cast<int>(form_.fileList->List().TotalCount()) };
    problems_->Clear(); // the last batch's problems are over
    problems_->hide();
    try {
        jobRunner_->Start();
    } catch (...) {
        if (jobRunner_->Idle()) {
            batchActive_ = false;
            SetIdleState();
        }
        throw;
    }
}

void TMainController::btnStopClick()
{
    jobRunner_->Stop();
}

void TMainController::btnSupportClick()
{
    Dialogs().OpenUrl(QUrl(QString(kSite) + kSupportPage));
}

void TMainController::lbUpdateClick()
{
    Dialogs().OpenUrl(QUrl(QString(kSite) + kProductPage));
}

void TMainController::btnListClick()
{
    form_.fileList->show();
    form_.optionPage->hide();
}

void TMainController::btnOptionClick()
{
    form_.fileList->hide();
    form_.optionPage->show();
}

void TMainController::btnImportClick()
{
    if (!jobRunner_->Idle())
        return;
    const QString name = Dialogs().GetOpenFileName(kListFilter);
    if (name.isEmpty())
        return;
    try {
        ImportList(*listFile_, form_.fileList->List(), platform::ToAnsi(name));
    } catch (...) {
        RefreshCount(0); // the entries before a bad one stay in the list
        throw;
    }
    RefreshCount(0);
}

void TMainController::btnExportClick()
{
    if (!jobRunner_->Idle() || form_.fileList->List().TotalCount() == 0)
        return;
    const QString name = Dialogs().GetSaveFileName(kListFilter);
    if (name.isEmpty())
        return;
    ExportList(*listFile_, form_.fileList->List(), platform::ToAnsi(ExportName(name)));
}

void TMainController::pmiDeleteClick()
{
    if (!jobRunner_->Idle())
        return;
    TFileList& list = form_.fileList->List();
    if (batchActive_) { // stopped, its converter not yet gone: done when the batch ends
        if (PVirtualNode selected = list.GetFirstSelected())
            pendingDeletes_.push_back(selected);
    } else {
        list.DeleteSelectedNodes();
    }
    RefreshCount(0);
}

void TMainController::RemovePending()
{
    TFileList& list = form_.fileList->List();
    if (pendingClear_) {
        list.Clear();
    } else {
        std::sort(pendingDeletes_.begin(), pendingDeletes_.end());
        pendingDeletes_.erase(
            std::unique(pendingDeletes_.begin(), pendingDeletes_.end()), pendingDeletes_.end());
        for (PVirtualNode node : pendingDeletes_)
            list.DeleteNode(node);
    }
    pendingClear_ = false;
    pendingDeletes_.clear();
    RefreshCount(0);
}

void TMainController::pmiClearClick()
{
    if (!jobRunner_->Idle())
        return;
    if (batchActive_)
        pendingClear_ = true;
    else
        form_.fileList->List().Clear();
    RefreshCount(0);
}

void TMainController::pmiPropertiesClick()
{
    listPresenter_->ShowProperties(form_.fileList->List().FocusedNode());
}

void TMainController::BatchProgress(int32_t percent)
{
    form_.progressBar->SetPosition(percent);
    RefreshCount(static_cast<int>(jobRunner_->CurrentIndex()) + 1);
}

void TMainController::BatchFinished(bool stopped)
{
    batchActive_ = false;
    form_.fileList->StopAnimation();
    SetIdleState();
    if (pendingClear_ || !pendingDeletes_.empty())
        RemovePending();
    const QString message = EndMessage(tally_.rows, tally_.converted, tally_.failed, stopped);
    Dialogs().ShowMessage(&form_, kApplicationTitle, message,
        tally_.failed > 0 ? QMessageBox::Warning : QMessageBox::Information);
}

void TMainController::BatchTimer()
{
    form_.lbTimer->setText(TimeLine(jobRunner_->ElapsedSeconds()));
}
