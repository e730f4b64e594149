#pragma once
// TTreeManager, the file list view: answers FileTree1's questions about a row (text, status icon,
// hint, status bar, context menu), adds rows for new files and shows an entry's properties.
// Rows hold TItemNodeData; the job runner updates the same records.
#include "engine/command.h"
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
    // for a failed row what happened: "stopped", or why it failed, after the converter's exit code
    // when it ran and exited with one other than 0.
    QString Hint(PVirtualNode node) const;
    // Why the row failed or could not start, in one line that names its file once; empty for a
    // row that converted, was stopped or has not ended.
    QString Problem(PVirtualNode node) const;
    // The status bar of column 1 inside the cell rectangle.
    static void DrawStatusBar(QPainter& canvas, const QRect& cell, const TItemNodeData& data);

    // The job runner's output and row ends, kept for the failed rows' hints and problems. A row
    // that failed without a reason in words gets the converter's last output line instead.
    void NoteOutputLine(const std::string& line);
    void NoteEntryEnded(const TEntryEnd& end);

private:
    struct TRunResult {
        TEntryResult result = TEntryResult::NotStarted;
        uint32_t exitCode = kStillActive;
        std::string why;
        // The converter ran and ended by itself with a code other than 0.
        bool ExitedWithCode() const
        {
            return result == TEntryResult::Failed && exitCode != 0 && exitCode != kStillActive;
        }
    };
    QString ResultLine(const TRunResult& run) const;
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
