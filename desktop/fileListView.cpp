#include "desktop/fileListView.h"

#include "controls/pngImageList.h"
#include "desktop/formKit.h"
#include "desktop/rowText.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

namespace {

constexpr int kRowHeight = 25;
constexpr int kInnerBorder = 5;
constexpr int kImageLeft = 4;
constexpr int kTextGap = 4;
constexpr int kBarInset = 5;
constexpr int kBlockWidth = 15;
const QColor kBarColor(127, 157, 185);

// Column 1: the status bar's outline inside the cell, and the block at offset on a converting row.
void DrawStatusBar(QPainter& canvas, const QRect& cell, bool converting, int offset)
{
    const QRect bar = cell.adjusted(kBarInset, kBarInset, -kBarInset, -kBarInset);
    canvas.setPen(kBarColor);
    canvas.setBrush(ToQColor(formkit::kList)); // the bar's inside hides the background picture
    // QPainter's outline of (x, y, w-1, h-1) covers exactly the w x h pixels.
    canvas.drawRect(bar.adjusted(0, 0, -1, -1));
    if (converting)
        canvas.fillRect(QRect(bar.left() + offset, bar.top(), kBlockWidth, bar.height()), kBarColor);
}

// Paints one cell from the model: the selection tint, then the status bar (column 1) or the
// status image and the text (column 0). No focus rectangle; a selected row is tinted over its
// whole width.
class TFileListDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit TFileListDelegate(TFileListView& tree)
        : QStyledItemDelegate(&tree)
        , tree_(tree)
    {
    }

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        return { 0, kRowHeight };
    }

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const int status = index.data(TFileListModel::kStatusRole).toInt();
        const QRect r = option.rect;
        p->save();
        if (option.state & QStyle::State_Selected) {
            QColor tint = option.palette.color(QPalette::Highlight);
            tint.setAlpha(70); // blended over the background picture
            p->fillRect(r, tint);
        }
        if (index.column() == 1)
            DrawStatusBar(*p, r, status == isConverting, tree_.AnimationOffset());
        else
            PaintFileCell(*p, option, r, status, index.data().toString());
        p->restore();
    }

private:
    void PaintFileCell(QPainter& p, const QStyleOptionViewItem& option, const QRect& r, int status,
        const QString& text) const
    {
        int textLeft = r.left() + kTextGap;
        const TPngImageList* images = tree_.Images();
        if (images && status >= 0 && status < images->Count()) {
            images->Draw(p, r.left() + kImageLeft, r.top() + (r.height() - images->Height()) / 2, status);
            textLeft = r.left() + kImageLeft + images->Width() + kTextGap;
        }
        if (text.isEmpty())
            return;
        p.setFont(option.font);
        p.setPen(option.palette.color(QPalette::Text));
        const QRect textRect(textLeft, r.top(), r.right() - textLeft, r.height());
        p.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft,
            p.fontMetrics().elidedText(text, Qt::ElideMiddle, textRect.width()));
    }

private:
    TFileListView& tree_;
};

} // namespace

TFileListModel::TFileListModel(TFileListView& tree)
    : tree_(tree)
{
}

int TFileListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(tree_.List().TotalCount());
}

int TFileListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : TFileListView::kColumnCount;
}

QVariant TFileListModel::data(const QModelIndex& index, int role) const
{
    const TItemNodeData* row = TFileList::GetNodeData(tree_.List().NodeAt(index.row()));
    if (!row)
        return {};
    if (role == kStatusRole)
        return row->Status;
    if (index.column() != 0)
        return {};
    if (role == Qt::DisplayRole)
        return row->ItemData.FileName;
    if (role == Qt::ToolTipRole && formatNames_)
        return RowHint(*row, *formatNames_);
    return {};
}

Qt::ItemFlags TFileListModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void TFileListModel::RowsAboutToBeInserted(int first, int last)
{
    beginInsertRows({}, first, last);
}
void TFileListModel::RowsInserted()
{
    endInsertRows();
}
// While rows go, the view moves its current row to a neighbour; that is not the user's choice, so
// it does not reach the store (after a delete nothing is selected).
void TFileListModel::RowsAboutToBeRemoved(int first, int last)
{
    tree_.syncing_ = true;
    beginRemoveRows({}, first, last);
}

void TFileListModel::RowsRemoved()
{
    endRemoveRows();
    tree_.syncing_ = false;
    tree_.SelectFromStore();
}

void TFileListModel::RowRepaint(int row)
{
    emit dataChanged(index(row, 0), index(row, TFileListView::kColumnCount - 1));
}

void TFileListModel::SelectionChanged()
{
    tree_.SelectFromStore();
}
void TFileListModel::FocusChanged()
{
    tree_.FocusFromStore();
}
void TFileListModel::FocusRequested()
{
    tree_.setFocus();
}

TFileListView::TFileListView(QWidget* parent)
    : QTreeView(parent)
    , model_(*this)
{
    list_.SetObserver(&model_);
    setModel(&model_);
    setItemDelegate(new TFileListDelegate(*this));
    setUniformRowHeights(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setIndentation(0);
    setAllColumnsShowFocus(false); // no focus rectangle: the delegate draws none either
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    setViewportMargins(kInnerBorder, kInnerBorder, kInnerBorder, kInnerBorder);
    setMouseTracking(true);
    header()->hide();
    header()->setStretchLastSection(false);
    header()->setMinimumSectionSize(0);
    header()->resizeSection(0, 700);
    header()->resizeSection(1, 100);
    header()->setSectionResizeMode(0, QHeaderView::Fixed);
    formkit::SetBackground(this, formkit::kList); // the inner border
    viewport()->setAutoFillBackground(false); // paintEvent fills it and draws the picture
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
        [this](const QModelIndex& current) { StoreFromView(current); });
    animation_.setInterval(1000);
    connect(&animation_, &QTimer::timeout, this, [this] { StepAnimation(); });
}

TFileListView::~TFileListView()
{
    // Rows are freed with the store; the view must not hear about it any more.
    list_.SetObserver(nullptr);
    setModel(nullptr);
}

void TFileListView::SetImages(const TPngImageList* images)
{
    images_ = images;
    viewport()->update();
}

void TFileListView::SetBackground(const QImage& picture)
{
    background_ = picture;
    viewport()->update();
}

void TFileListView::SetBackgroundOffset(QPoint offset)
{
    backgroundOffset_ = offset;
    viewport()->update();
}

int TFileListView::ClientWidth() const
{
    return viewport()->width();
}
int TFileListView::ClientHeight() const
{
    return viewport()->height();
}

PVirtualNode TFileListView::NodeAt(QPoint viewportPos, int* column) const
{
    const QModelIndex index = indexAt(viewportPos);
    if (column)
        *column = index.isValid() ? index.column() : -1;
    return index.isValid() ? list_.NodeAt(index.row()) : nullptr;
}

void TFileListView::StartAnimation()
{
    SetAnimationOffset(0);
    animation_.start();
}

void TFileListView::StopAnimation()
{
    animation_.stop();
    SetAnimationOffset(0);
}

void TFileListView::StepAnimation()
{
    SetAnimationOffset(animationOffset_ >= kLastAnimationOffset ? 0 : animationOffset_ + 1);
}

void TFileListView::SetAnimationOffset(int offset)
{
    animationOffset_ = offset;
    // Only the status bars move: column 1 of the rows in view.
    viewport()->update(QRect(columnViewportPosition(1), 0, columnWidth(1), viewport()->height()));
}

void TFileListView::paintEvent(QPaintEvent* event)
{
    {
        QPainter p(viewport());
        p.fillRect(viewport()->rect(), ToQColor(formkit::kList));
        if (!background_.isNull())
            p.drawImage(backgroundOffset_, background_); // static: it does not scroll with the rows
    }
    QTreeView::paintEvent(event);
}

void TFileListView::resizeEvent(QResizeEvent* event)
{
    QTreeView::resizeEvent(event);
    emit resized();
}

void TFileListView::mousePressEvent(QMouseEvent* event)
{
    // A right click selects the row under it before the context menu asks about it.
    if (event->button() == Qt::RightButton) {
        const QModelIndex index = indexAt(event->position().toPoint());
        if (index.isValid())
            setCurrentIndex(index);
        return;
    }
    QTreeView::mousePressEvent(event);
}

void TFileListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeView::mouseDoubleClickEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index.isValid())
        emit columnDoubleClicked(index.column());
}

void TFileListView::contextMenuEvent(QContextMenuEvent* event)
{
    const QPoint pos = viewport()->mapFrom(this, event->pos());
    int column = -1;
    PVirtualNode node = NodeAt(pos, &column);
    emit contextMenuWanted(node, column, event->globalPos());
}

void TFileListView::SelectFromStore()
{
    if (syncing_)
        return;
    syncing_ = true;
    PVirtualNode selected = list_.GetFirstSelected();
    if (selected)
        selectionModel()->select(model_.index(static_cast<int>(selected->row), 0),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    else
        selectionModel()->clearSelection();
    syncing_ = false;
}

void TFileListView::FocusFromStore()
{
    if (syncing_)
        return;
    syncing_ = true;
    PVirtualNode focused = list_.FocusedNode();
    selectionModel()->setCurrentIndex(
        focused ? model_.index(static_cast<int>(focused->row), 0) : QModelIndex(),
        QItemSelectionModel::NoUpdate);
    syncing_ = false;
}

void TFileListView::StoreFromView(const QModelIndex& current)
{
    if (syncing_)
        return;
    syncing_ = true;
    PVirtualNode node = current.isValid() ? list_.NodeAt(current.row()) : nullptr;
    list_.SetFocusedNode(node);
    list_.SelectOnly(node);
    syncing_ = false;
}

#include "fileListView.moc"
