#include "desktop/fileListPresenter.h"

#include "desktop/dialogSeam.h"
#include "desktop/fileListView.h"
#include "desktop/handlerGuard.h"
#include "desktop/itemForm.h"
#include "desktop/itemManager.h"
#include "formats/profileList.h"
#include "platform/fileSystem.h"

#include <QMenu>

#include <stdexcept>

TFileListPresenter::TFileListPresenter(TFileListView* tree, const TProfileList& profiles, TItemManager& items, QMenu* menu)
    : tree_(tree)
    , profiles_(profiles)
    , items_(items)
    , menu_(menu)
{
    if (tree_)
        ConnectEvents();
}

TFileListPresenter::~TFileListPresenter()
{
    if (!tree_)
        return;
    for (const QMetaObject::Connection& connection : connections_)
        QObject::disconnect(connection);
    tree_->Model().SetFormatNames(nullptr);
    tree_->List().RemoveFreeListener(freeListener_);
}

void TFileListPresenter::ConnectEvents()
{
    tree_->Model().SetFormatNames(&profiles_.FormatNames());
    freeListener_ = tree_->List().AddFreeListener([this](PVirtualNode node) {
        if (node == shownNode_)
            shownNode_ = nullptr;
    });
    connections_ = {
        QObject::connect(tree_, &TFileListView::contextMenuWanted, tree_,
            [this](PVirtualNode node, int column, QPoint globalPos) {
                if (QMenu* menu = MenuFor(node, column))
                    menu->popup(globalPos);
            }),
        QObject::connect(tree_, &TFileListView::columnDoubleClicked, tree_,
            [this] { RunGuarded(tree_->window(), [this] { ShowProperties(tree_->List().FocusedNode()); }); }),
        QObject::connect(tree_, &TFileListView::resized, tree_, [this] { PlaceBackground(); }),
    };
}

QMenu* TFileListPresenter::MenuFor(PVirtualNode, int column) const
{
    return column == 0 && Idle() ? menu_ : nullptr;
}

void TFileListPresenter::PlaceBackground()
{
    const QImage& picture = tree_->Background();
    tree_->SetBackgroundOffset(
        QPoint(tree_->ClientWidth() - picture.width(), tree_->ClientHeight() - picture.height()));
}

void TFileListPresenter::AddFiles(const QStringList& paths)
{
    if (!tree_ || paths.isEmpty())
        return;
    TFileList& list = tree_->List();
    for (int i = 0; i < paths.size(); ++i)
        AppendFileRow(
            list, paths[i], items_.GetProfileIndex(i), platform::FromAnsi(items_.GetOutputFolder(i)));
    items_.ClearItems();
}

void TFileListPresenter::ShowProperties(PVirtualNode node)
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
