#pragma once
// FileTree1, the main window's list control: a Qt model/view list over the list store
// (TFileList). The model follows the store through its observer, so the engine never sees a
// widget. Rows have one uniform height and no widget of their own; every visible cell asks its
// owner for text, image, hint and background painting through the events below, on each paint,
// without caching.
#include "settings/itemNodeData.h"

#include <QAbstractTableModel>
#include <QImage>
#include <QTreeView>

#include <functional>

class QMenu;
class TFileTree;
class TPngImageList;

// The item model over the store: one row per node, two columns.
class TFileTreeModel : public QAbstractTableModel, public TNodeStoreObserver {
    Q_OBJECT
public:
    explicit TFileTreeModel(TFileTree& tree);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void RowsAboutToBeInserted(int first, int last) override;
    void RowsInserted() override;
    void RowsAboutToBeRemoved(int first, int last) override;
    void RowsRemoved() override;
    void RowRepaint(int row) override;
    void SelectionChanged() override;
    void FocusChanged() override;
    void FocusRequested() override;

private:
    TFileTree& tree_;
};

class TFileTree : public QTreeView {
    Q_OBJECT
public:
    static constexpr int kColumnCount = 2;

    using TGetTextEvent
        = std::function<void(TFileTree* Sender, PVirtualNode Node, int Column, QString& CellText)>;
    using TGetImageIndexEvent
        = std::function<void(TFileTree* Sender, PVirtualNode Node, int Column, int& ImageIndex)>;
    using TGetHintEvent
        = std::function<void(TFileTree* Sender, PVirtualNode Node, int Column, QString& HintText)>;
    // CellRect in viewport coordinates; the painter's brush is the list's background colour.
    using TBeforeCellPaintEvent = std::function<void(
        TFileTree* Sender, QPainter& TargetCanvas, PVirtualNode Node, int Column, QRect CellRect)>;
    using TPaintTextEvent
        = std::function<void(TFileTree* Sender, QPainter& TargetCanvas, PVirtualNode Node, int Column)>;
    // Sets PopupMenu to the menu to show, or leaves it null for none.
    using TGetPopupMenuEvent
        = std::function<void(TFileTree* Sender, PVirtualNode Node, int Column, QPoint P, QMenu*& PopupMenu)>;
    using TColumnClickEvent = std::function<void(TFileTree* Sender, int Column)>;
    using TResizeEvent = std::function<void(TFileTree* Sender)>;
    using TGetNodeDataSizeEvent = std::function<void(TFileTree* Sender, int& NodeDataSize)>;

    explicit TFileTree(QWidget* parent = nullptr);
    ~TFileTree() override;

    // The rows. The store outlives every event handler and the model.
    TFileList& List() { return list_; }
    const TFileList& List() const { return list_; }

    TGetTextEvent OnGetText;
    TGetImageIndexEvent OnGetImageIndex;
    TGetHintEvent OnGetHint;
    TBeforeCellPaintEvent OnBeforeCellPaint;
    TPaintTextEvent OnPaintText;
    TGetPopupMenuEvent OnGetPopupMenu;
    TColumnClickEvent OnColumnClick;
    TColumnClickEvent OnColumnDblClick;
    TResizeEvent OnResize;
    TGetNodeDataSizeEvent OnGetNodeDataSize;
    // Rows are freed by the store, which raises its own OnFreeNode (List().OnFreeNode).

    const TPngImageList* Images() const { return images_; }
    void SetImages(const TPngImageList* images); // not owned
    // The static background picture and its offsets from the viewport's top-left corner.
    void SetBackground(const QImage& picture);
    const QImage& Background() const { return background_; }
    QPoint BackgroundOffset() const { return backgroundOffset_; }
    void SetBackgroundOffset(QPoint offset);
    // Width and height of the area the rows are painted in.
    int ClientWidth() const;
    int ClientHeight() const;

    // The node and column at a point of the viewport (nullptr / -1 when there is none).
    PVirtualNode NodeAt(QPoint viewportPos, int* column = nullptr) const;
    // What the owner says about a cell (used by the model and the painter).
    QString CellText(PVirtualNode node, int column);
    int CellImageIndex(PVirtualNode node, int column);
    QString CellHint(PVirtualNode node, int column);

    TFileTreeModel& Model() { return model_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    friend class TFileTreeModel;
    void SelectFromStore();
    void FocusFromStore();
    void StoreFromView(const QModelIndex& current);

    TFileList list_;
    TFileTreeModel model_;
    const TPngImageList* images_ = nullptr;
    QImage background_;
    QPoint backgroundOffset_;
    bool syncing_ = false; // store and view selection are being matched; do not echo
};
