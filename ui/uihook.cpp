#include "ui/uihook.h"

#include "controls/FSProgressBar.h"
#include "controls/LinePanelUnit.h"
#include "controls/MyButtonEx.h"
#include "controls/imagebutton.h"
#include "controls/menuDraw.h"
#include "engine/command.h"
#include "engine/reporter.h"
#include "engine/videoFormats.h"
#include "platform/fileSystem.h"
#include "settings/commandManager.h"
#include "settings/itemManager.h"
#include "settings/saveManager.h"
#include "ui/FileTree.h"
#include "ui/addForm.h"
#include "ui/dialogSeam.h"
#include "ui/formKit.h"
#include "ui/handlerGuard.h"
#include "ui/labelLinks.h"
#include "ui/mainForm.h"
#include "ui/problemsForm.h"
#include "ui/rowText.h"
#include "ui/treeManager.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QUrl>

#include <algorithm>
#include <utility>

using formkit::kCaption;
using formkit::kDisabledCaption;

const QString TUIHook::kAddFilter = [] {
    QStringList patterns;
    for (std::string_view extension : kSupportedVideoExtensions)
        patterns << QLatin1String("*") + QLatin1String(extension.data(), extension.size());
    return "All Supported Formats|" + patterns.join(';') + "|All Files|*.*";
}();

TUIHook::TUIHook(TmainDlg& form)
    : form_(form)
    , profiles_(std::make_unique<TCommandManager>())
    , items_(std::make_unique<TItemManager>())
    , menuDraw_(std::make_unique<TMenuDraw>())
{
    // Owned by the window, so no box outlives it and keeps the program running.
    SetErrorReporter([this](const std::string& message) {
        Dialogs().ShowMessageNonModal(
            &form_, kApplicationTitle, platform::FromAnsi(message), QMessageBox::Critical);
    });
}

TUIHook::~TUIHook()
{
    menuDraw_.reset();
    saveManager_.reset();
    items_.reset();
    treeManager_.reset();
    profiles_.reset();
    command_.reset(); // kills a running converter and its descendants, removes its unfinished output
    SetErrorReporter({});
}

template <class Handler> void TUIHook::Guard(Handler&& handler) noexcept
{
    RunGuarded(&form_, std::forward<Handler>(handler));
}

void TUIHook::Setup()
{
    // Qt's backing store already composes the window off screen: nothing to switch on.
    WireLabels();
    form_.btnStop->SetEnabled(false);
    formkit::SetTextColor(form_.lbStop, kDisabledCaption);
    WireButtons();
    menuDraw_->Attach(form_.PopupMenu1);
    QObject::connect(
        form_.pmiDelete, &QAction::triggered, &form_, [this] { Guard([this] { pmiDeleteClick(); }); });
    QObject::connect(
        form_.pmiClear, &QAction::triggered, &form_, [this] { Guard([this] { pmiClearClick(); }); });
    QObject::connect(form_.pmiProperties, &QAction::triggered, &form_,
        [this] { Guard([this] { pmiPropertiesClick(); }); });
    treeManager_ = std::make_unique<TTreeManager>(form_.FileTree1, *profiles_, *items_, form_.PopupMenu1);
    command_ = std::make_unique<TCommand>(form_.FileTree1->List(), *profiles_);
    treeManager_->IsIdle = [this] { return command_->Idle(); };
    WireCommand();
    saveManager_ = std::make_unique<TSaveManager>(form_.FileTree1->List());
    problems_ = new TProblemsDlg(&form_);
}

void TUIHook::WireLabels()
{
    ForwardLabelTo(form_.lbAdd, form_.btnAdd);
    ForwardLabelTo(form_.lbConvert, form_.btnConvert);
    ForwardLabelTo(form_.lbList, form_.btnList);
    ForwardLabelTo(form_.lbOption, form_.btnOption);
    ForwardLabelTo(form_.lbStop, form_.btnStop);
    ForwardLabelTo(form_.lbSupport, form_.btnSupport);
}

void TUIHook::WireButtons()
{
    auto wire = [this](auto* control, void (TUIHook::*handler)()) {
        control->OnClick = [this, handler](QObject*) { Guard([this, handler] { (this->*handler)(); }); };
    };
    wire(form_.btnAdd, &TUIHook::btnAddClick);
    wire(form_.btnConvert, &TUIHook::btnConvertClick);
    wire(form_.btnStop, &TUIHook::btnStopClick);
    wire(form_.btnSupport, &TUIHook::btnSupportClick);
    wire(form_.btnList, &TUIHook::btnListClick);
    wire(form_.btnOption, &TUIHook::btnOptionClick);
    wire(form_.btnImport, &TUIHook::btnImportClick);
    wire(form_.btnExport, &TUIHook::btnExportClick);
    OnLabelClick(form_.lbUpdate, [this] { Guard([this] { lbUpdateClick(); }); });
}

void TUIHook::WireCommand()
{
    command_->OnProgress = [this](QObject*, int32_t percent) { Guard([&] { CommandProgress(percent); }); };
    command_->OnFinish = [this](QObject*, bool stopped) { Guard([&] { CommandFinish(stopped); }); };
    command_->OnTimer = [this](QObject*) { Guard([this] { CommandTimer(); }); };
    command_->OnEntryStarted = [this](PVirtualNode node) { Guard([&] { EntryStarted(node); }); };
    command_->OnEntryEnded = [this](const TEntryEnd& end) { Guard([&] { EntryEnded(end); }); };
}

// The converting row is the selected one, and its bar shows the moving block.
void TUIHook::EntryStarted(PVirtualNode node)
{
    TFileList& list = form_.FileTree1->List();
    list.SetFocus();
    list.SelectOnly(node);
    form_.FileTree1->StartAnimation();
}

// A row's problem goes to the batch's one problems window, which appears with the first of them.
void TUIHook::EntryEnded(const TEntryEnd& end)
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

void TUIHook::SetIdleState()
{
    ApplyButtonState(false);
}

void TUIHook::SetRunningState()
{
    ApplyButtonState(true);
}

void TUIHook::ApplyButtonState(bool running)
{
    form_.btnAdd->SetEnabled(!running);
    form_.btnConvert->SetEnabled(!running);
    form_.btnStop->SetEnabled(running);
    formkit::SetTextColor(form_.lbAdd, running ? kDisabledCaption : kCaption);
    formkit::SetTextColor(form_.lbConvert, running ? kDisabledCaption : kCaption);
    formkit::SetTextColor(form_.lbStop, running ? kCaption : kDisabledCaption);
}

QString TUIHook::CountLine(int files, int finished)
{
    return QString::asprintf("%d files, finished %d of %d", files, finished, files);
}

QString TUIHook::TimeLine(int64_t seconds)
{
    return QString::asprintf("timestamp: %.2lld:%.2lld:%.2lld", static_cast<long long>(seconds / 3600),
        static_cast<long long>((seconds / 60) % 60), static_cast<long long>(seconds % 60));
}

QString TUIHook::EndMessage(int rows, int converted, int failed, bool stopped)
{
    if (!stopped && failed == 0)
        return kEndMessage;
    QString message = QString::asprintf("%d of %d files converted", converted, rows);
    if (failed > 0)
        message += QString::asprintf(", %d failed", failed);
    return (stopped ? "Stopped: " : "") + message + ".";
}

QString TUIHook::ExportName(const QString& chosen)
{
    const std::string name = platform::ToAnsi(chosen);
    return platform::ExtractFileExt(name) == kListExtension ? chosen : chosen + kListExtension;
}

void TUIHook::RefreshCount(int finished)
{
    form_.lbCount->setText(CountLine(static_cast<int>(form_.FileTree1->List().TotalCount()), finished));
}

void TUIHook::btnAddClick()
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
                treeManager_->AddFiles(names);
            } catch (...) {
                items_->ClearItems(); // the next add must not read this one's leftovers
                RefreshCount(0);
                throw;
            }
        }
    }
    RefreshCount(0);
}

void TUIHook::btnConvertClick()
{
    if (form_.FileTree1->List().TotalCount() == 0 || !command_->Idle() || batchActive_)
        return;
    SetRunningState();
    batchActive_ = true;
    tally_ = { static_cast<int>(form_.FileTree1->List().TotalCount()) };
    problems_->Clear(); // the last batch's problems are over
    problems_->hide();
    try {
        command_->Start();
    } catch (...) {
        if (command_->Idle()) {
            batchActive_ = false;
            SetIdleState();
        }
        throw;
    }
}

void TUIHook::btnStopClick()
{
    command_->Stop();
}

void TUIHook::btnSupportClick()
{
    Dialogs().OpenUrl(QUrl(QString(kSite) + kSupportPage));
}

void TUIHook::lbUpdateClick()
{
    Dialogs().OpenUrl(QUrl(QString(kSite) + kProductPage));
}

void TUIHook::btnListClick()
{
    form_.FileTree1->show();
    form_.LinePanel2->hide();
}

void TUIHook::btnOptionClick()
{
    form_.FileTree1->hide();
    form_.LinePanel2->show();
}

void TUIHook::btnImportClick()
{
    if (!command_->Idle())
        return;
    const QString name = Dialogs().GetOpenFileName(kListFilter);
    if (name.isEmpty())
        return;
    try {
        saveManager_->ImportList(platform::ToAnsi(name));
    } catch (...) {
        RefreshCount(0); // the entries before a bad one stay in the list
        throw;
    }
    RefreshCount(0);
}

void TUIHook::btnExportClick()
{
    if (!command_->Idle() || form_.FileTree1->List().TotalCount() == 0)
        return;
    const QString name = Dialogs().GetSaveFileName(kListFilter);
    if (name.isEmpty())
        return;
    saveManager_->ExportList(platform::ToAnsi(ExportName(name)));
}

void TUIHook::pmiDeleteClick()
{
    if (!command_->Idle())
        return;
    TFileList& list = form_.FileTree1->List();
    if (batchActive_) { // stopped, its converter not yet gone: done when the batch ends
        if (PVirtualNode selected = list.GetFirstSelected())
            pendingDeletes_.push_back(selected);
    } else {
        list.DeleteSelectedNodes();
    }
    RefreshCount(0);
}

void TUIHook::RemovePending()
{
    TFileList& list = form_.FileTree1->List();
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

void TUIHook::pmiClearClick()
{
    if (!command_->Idle())
        return;
    if (batchActive_)
        pendingClear_ = true;
    else
        form_.FileTree1->List().Clear();
    RefreshCount(0);
}

void TUIHook::pmiPropertiesClick()
{
    treeManager_->ShowProperties(form_.FileTree1->List().FocusedNode());
}

void TUIHook::CommandProgress(int32_t percent)
{
    form_.ProgressBar1->SetPosition(percent);
    RefreshCount(static_cast<int>(command_->CurrentIndex()) + 1);
}

void TUIHook::CommandFinish(bool stopped)
{
    batchActive_ = false;
    form_.FileTree1->StopAnimation();
    SetIdleState();
    if (pendingClear_ || !pendingDeletes_.empty())
        RemovePending();
    const QString message = EndMessage(tally_.rows, tally_.converted, tally_.failed, stopped);
    Dialogs().ShowMessage(&form_, kApplicationTitle, message,
        tally_.failed > 0 ? QMessageBox::Warning : QMessageBox::Information);
}

void TUIHook::CommandTimer()
{
    form_.lbTimer->setText(TimeLine(command_->ElapsedSeconds()));
}
