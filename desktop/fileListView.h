#pragma once
// fileList, the main window's list control: a Qt model/view list over the list store
// (TFileList). The model follows the store through its observer, so the engine never sees a
// widget, and answers the view from the rows' records: the file name, the status (its icon), the
// hint (tool tip role). Rows have one uniform height and no widget of their own; every visible
// cell is painted from its record on each paint, without caching. Column 1 shows the status bar,
// with a block moving once a second along the bar of the row that converts.
#include "engine/fileList.h"

#include <QAbstractTableModel>
#include <QImage>
#include <QTimer>
#include <QTreeView>

#include <string>
#include <vector>

class QMenu;
class TFileListView;
class TPngImageList;

// The item model over the store: one row per node, two columns.
class TFileListModel : public QAbstractTableModel, public TNodeStoreObserver {
    Q_OBJECT
public:
    // Beyond the display and tool tip roles: the row's status (TItemStatus).
    static constexpr int kStatusRole = Qt::UserRole + 1;

    explicit TFileListModel(TFileListView& tree);
    // The profile names the hints show; not owned, outlives the model. None until set.
    void SetFormatNames(const std::vector<std::string>* names) { formatNames_ = names; }

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
    TFileListView& tree_;
    const std::vector<std::string>* formatNames_ = nullptr;
};

class TFileListView : public QTreeView {
    Q_OBJECT
public:
    static constexpr int kColumnCount = 2;

    // The status bar's block: 0 to kLastAnimationOffset pixels from the bar's left edge.
    static constexpr int kLastAnimationOffset = 74;

    explicit TFileListView(QWidget* parent = nullptr);
    ~TFileListView() override;

    // The rows. The store outlives every event handler and the model.
    TFileList& List() { return list_; }
    const TFileList& List() const { return list_; }

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
    TFileListModel& Model() { return model_; }

    // The converting row's block starts at the bar's left edge and moves a pixel a second, until
    // StopAnimation. Steps wrap from kLastAnimationOffset to 0.
    void StartAnimation();
    void StopAnimation();
    void StepAnimation();
    int AnimationOffset() const { return animationOffset_; }
    void SetAnimationOffset(int offset);

signals:
    // A right click (or the menu key) over the rows; node is null and column -1 off the rows.
    void contextMenuWanted(PVirtualNode node, int column, QPoint globalPos);
    // A left double click on a row's column.
    void columnDoubleClicked(int column);
    void resized();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    friend class TFileListModel;
    void SelectFromStore();
    void FocusFromStore();
    void StoreFromView(const QModelIndex& current);

    TFileList list_;
    TFileListModel model_;
    const TPngImageList* images_ = nullptr;
    QImage background_;
    QPoint backgroundOffset_;
    QTimer animation_; // one second
    int animationOffset_ = 0;
    bool syncing_ = false; // store and view selection are being matched; do not echo
};
