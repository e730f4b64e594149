#pragma once
// TTreeManager, the file list view: answers FileTree1's questions about a row (text, status icon,
// hint, status bar, context menu), adds rows for new files and shows an entry's properties.
// Rows hold TItemNodeData; the job runner updates the same records.
#include "settings/itemNodeData.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>

class QMenu;
class QPainter;
class QRect;
class TCommandManager;
class TFileTree;
class TItemManager;

class TTreeManager {
public:
    // Takes over the tree's events (none when tree is null). menu: the list's context menu.
    TTreeManager(TFileTree* tree, const TCommandManager& profiles, TItemManager& items, QMenu* menu);
    ~TTreeManager();
    TTreeManager(const TTreeManager&) = delete;
    TTreeManager& operator=(const TTreeManager&) = delete;

    // Whether no batch runs; until set, the list counts as idle.
    std::function<bool()> IsIdle;

    // Appends one row per path, profile and folder taken by position from the item settings
    // store, which is emptied afterwards. Nothing happens for an empty list.
    void AddFiles(const QStringList& paths);
    // Shows the properties dialog for a row and stores OK's choice while no batch runs. Raises
    // std::runtime_error when the source file cannot be examined.
    void ShowProperties(PVirtualNode node);

    // The row's hint: file, profile name (empty for an index that names no profile), folder, and
    // for a failed row the converter's exit code and last output line.
    QString Hint(PVirtualNode node) const;
    // The status bar of column 1 inside the cell rectangle.
    static void DrawStatusBar(QPainter& canvas, const QRect& cell, const TItemNodeData& data);

    // The job runner's output and row ends, kept for the failed rows' hints.
    void NoteOutputLine(const std::string& line);
    void NoteEntryEnded(PVirtualNode node, uint32_t exitCode, const std::string& problem);

private:
    struct TRunResult {
        uint32_t exitCode = 0;
        std::string lastLine;
    };
    void ConnectEvents();
    void PlaceBackground();
    bool Idle() const { return !IsIdle || IsIdle(); }

    TFileTree* tree_;
    const TCommandManager& profiles_;
    TItemManager& items_;
    QMenu* menu_;
    std::string lastLine_; // of the converter running now
    std::unordered_map<PVirtualNode, TRunResult> results_; // rows that ended, until freed
    PVirtualNode shownNode_ = nullptr; // the row whose properties are open; nulled when freed
};
