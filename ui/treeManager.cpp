#include "ui/treeManager.h"

#include "platform/fileSystem.h"
#include "settings/commandManager.h"
#include "settings/itemManager.h"
#include "ui/FileTree.h"
#include "ui/ItemForm.h"
#include "ui/dialogSeam.h"
#include "ui/handlerGuard.h"

#include <QPainter>
#include <QRect>

#include <stdexcept>

namespace {

constexpr int kBarInset = 5;
constexpr int kBlockWidth = 15;
const QColor kBarColor(127, 157, 185);

} // namespace

TTreeManager::TTreeManager(TFileTree* tree, const TCommandManager& profiles, TItemManager& items, QMenu* menu)
    : tree_(tree)
    , profiles_(profiles)
    , items_(items)
    , menu_(menu)
{
    if (tree_)
        ConnectEvents();
}

TTreeManager::~TTreeManager()
{
    if (!tree_)
        return;
    tree_->OnGetText = nullptr;
    tree_->OnGetImageIndex = nullptr;
    tree_->OnGetHint = nullptr;
    tree_->OnBeforeCellPaint = nullptr;
    tree_->OnGetPopupMenu = nullptr;
    tree_->OnColumnDblClick = nullptr;
    tree_->OnResize = nullptr;
    tree_->OnGetNodeDataSize = nullptr;
    tree_->List().OnFreeNode = nullptr;
}

void TTreeManager::ConnectEvents()
{
    tree_->OnGetNodeDataSize = [](TFileTree*, int& size) { size = static_cast<int>(sizeof(TItemNodeData)); };
    // The store releases the strings with the node; only the hint's record goes here.
    tree_->List().OnFreeNode = [this](TFileList*, PVirtualNode node) {
        results_.erase(node);
        if (node == shownNode_)
            shownNode_ = nullptr;
    };
    tree_->OnGetText = [](TFileTree*, PVirtualNode node, int column, QString& text) {
        text = column == 0 ? TFileList::GetNodeData(node)->ItemData.FileName : QString();
    };
    tree_->OnGetImageIndex = [](TFileTree*, PVirtualNode node, int column, int& image) {
        image = column == 0 ? TFileList::GetNodeData(node)->Status : -1;
    };
    tree_->OnGetHint = [this](TFileTree*, PVirtualNode node, int column, QString& hint) {
        if (column == 0)
            hint = Hint(node);
    };
    tree_->OnBeforeCellPaint = [](TFileTree*, QPainter& canvas, PVirtualNode node, int column, QRect cell) {
        if (column == 1)
            DrawStatusBar(canvas, cell, *TFileList::GetNodeData(node));
    };
    tree_->OnGetPopupMenu = [this](TFileTree*, PVirtualNode, int column, QPoint, QMenu*& menu) {
        menu = column == 0 && Idle() ? menu_ : nullptr;
    };
    tree_->OnColumnDblClick = [this](TFileTree*, int) {
        RunGuarded(tree_->window(), [this] { ShowProperties(tree_->List().FocusedNode()); });
    };
    tree_->OnResize = [this](TFileTree*) { PlaceBackground(); };
}

void TTreeManager::PlaceBackground()
{
    const QImage& picture = tree_->Background();
    tree_->SetBackgroundOffset(
        QPoint(tree_->ClientWidth() - picture.width(), tree_->ClientHeight() - picture.height()));
}

void TTreeManager::AddFiles(const QStringList& paths)
{
    if (!tree_ || paths.isEmpty())
        return;
    TFileList& list = tree_->List();
    for (int i = 0; i < paths.size(); ++i)
        AppendFileRow(
            list, paths[i], items_.GetProfileIndex(i), platform::FromAnsi(items_.GetOutputFolder(i)));
    items_.ClearItems();
}

QString TTreeManager::Hint(PVirtualNode node) const
{
    const TItemNodeData& data = *TFileList::GetNodeData(node);
    const int profile = data.ItemData.ProfileIndex;
    const QString format = profiles_.IsProfile(profile)
        ? QString::fromStdString(profiles_.FormatNames()[static_cast<size_t>(profile)])
        : QString();
    QString hint = "[File Name]: " + data.ItemData.FileName + "\n[format]: " + format
        + "\n[path]: " + data.ItemData.OutputFolder;
    if (data.Status == isFailed) { // a stopped row counts as failed here
        const auto found = results_.find(node);
        if (found != results_.end())
            hint += "\n[result]: " + ResultLine(found->second);
    }
    return hint;
}

QString TTreeManager::ResultLine(const TRunResult& run) const
{
    if (run.result == TEntryResult::Stopped)
        return "stopped";
    const QString why = platform::FromAnsi(run.why);
    return run.ExitedWithCode() ? QString::number(run.exitCode) + " " + why : why;
}

QString TTreeManager::Problem(PVirtualNode node) const
{
    const auto found = results_.find(node);
    if (found == results_.end() || found->second.result == TEntryResult::Converted
        || found->second.result == TEntryResult::Stopped)
        return QString();
    const TRunResult& run = found->second;
    const QString source = TFileList::GetNodeData(node)->ItemData.FileName;
    const QString why = platform::FromAnsi(run.why);
    QString problem = why;
    if (source.isEmpty() || !why.contains(source))
        problem = "Cannot convert \"" + source + "\"" + (why.isEmpty() ? QString() : ": " + why);
    if (run.ExitedWithCode())
        problem += QString(" (exit code %1)").arg(run.exitCode);
    return problem;
}

void TTreeManager::DrawStatusBar(QPainter& canvas, const QRect& cell, const TItemNodeData& data)
{
    const QRect bar = cell.adjusted(kBarInset, kBarInset, -kBarInset, -kBarInset);
    canvas.save();
    canvas.setPen(kBarColor);
    // QPainter's outline of (x, y, w-1, h-1) covers exactly the w x h pixels.
    canvas.drawRect(bar.adjusted(0, 0, -1, -1));
    if (data.ItemData.Converting)
        canvas.fillRect(
            QRect(bar.left() + data.ItemData.AnimationOffset, bar.top(), kBlockWidth, bar.height()),
            kBarColor);
    canvas.restore();
}

void TTreeManager::NoteOutputLine(const std::string& line)
{
    if (!line.empty())
        lastLine_ = line;
}

void TTreeManager::NoteEntryEnded(const TEntryEnd& end)
{
    results_[end.node] = { end.result, end.exitCode, end.problem.empty() ? lastLine_ : end.problem };
    lastLine_.clear();
    if (tree_)
        tree_->List().RepaintNode(end.node);
}

void TTreeManager::ShowProperties(PVirtualNode node)
{
    if (!tree_ || !node || TFileList::GetNodeLevel(node) != 0)
        return;
    const TItemNodeData& data = *TFileList::GetNodeData(node);
    const std::string source = platform::ToAnsi(data.ItemData.FileName);
    const int64_t size = platform::FileSize(source);
    if (size < 0)
        throw std::runtime_error("Cannot find the file \"" + source + "\".");
    TItemDlg dialog(profiles_.FormatNames());
    dialog.Fill(data.ItemData.FileName, data.ItemData.ProfileIndex, data.ItemData.OutputFolder, size);
    shownNode_ = node;
    Dialogs().ExecModal(dialog);
    // The row may have been freed while the dialog was open (a removal requested during a stop
    // is carried out when the batch ends).
    const bool rowAlive = shownNode_ == node;
    shownNode_ = nullptr;
    if (!dialog.OkFlag() || !Idle() || !rowAlive)
        return;
    TFileList& list = tree_->List();
    list.BeginUpdate();
    TItemNodeData& target = *TFileList::GetNodeData(node);
    target.ItemData.ProfileIndex = dialog.ProfileIndex();
    target.ItemData.OutputFolder = dialog.Folder();
    list.EndUpdate();
    list.RepaintNode(node);
}
