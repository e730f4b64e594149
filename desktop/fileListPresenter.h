#pragma once
// TFileListPresenter, the file list view's presenter: gives the list its profile names, decides its
// context menu, places its background picture, adds rows for new files and shows an entry's
// properties. The list's model answers the view from the rows' records.
#include "engine/fileList.h"

#include <QMetaObject>
#include <QStringList>

#include <functional>
#include <vector>

class QMenu;
class TProfileList;
class TFileListView;
class TItemManager;

class TFileListPresenter {
public:
    // Takes over the tree's events (none when tree is null). menu: the list's context menu.
    TFileListPresenter(TFileListView* tree, const TProfileList& profiles, TItemManager& items, QMenu* menu);
    ~TFileListPresenter();
    TFileListPresenter(const TFileListPresenter&) = delete;
    TFileListPresenter& operator=(const TFileListPresenter&) = delete;

    // Whether no batch runs; until set, the list counts as idle.
    std::function<bool()> IsIdle;

    // Appends one row per path, profile and folder taken by position from the item settings
    // store, which is emptied afterwards. Nothing happens for an empty list.
    void AddFiles(const QStringList& paths);
    // Shows the properties dialog for a row and stores OK's choice while no batch runs. Raises
    // std::runtime_error when the source file cannot be examined.
    void ShowProperties(PVirtualNode node);

    // The list's context menu for a right click on a row's column; null when none may show
    // (column 1, or while a batch runs).
    QMenu* MenuFor(PVirtualNode node, int column) const;

private:
    void ConnectEvents();
    void PlaceBackground();
    bool Idle() const { return !IsIdle || IsIdle(); }

    TFileListView* tree_;
    const TProfileList& profiles_;
    TItemManager& items_;
    QMenu* menu_;
    std::vector<QMetaObject::Connection> connections_;
    int freeListener_ = 0;
    PVirtualNode shownNode_ = nullptr; // the row whose properties are open; nulled when freed
};
