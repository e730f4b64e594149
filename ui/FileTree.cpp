#include "ui/FileTree.h"

#include "controls/pngImageList.h"
#include "ui/formKit.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

namespace {

constexpr int kRowHeight = 25;
constexpr int kInnerBorder = 5;
constexpr int kImageLeft = 4;
constexpr int kTextGap = 4;

// Paints one cell from what the owner says: background painting, status image, text. No focus
// rectangle; a selected row is tinted over its whole width.
class TFileTreeDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit TFileTreeDelegate(TFileTree& tree)
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
        PVirtualNode node = tree_.List().NodeAt(index.row());
        if (!node)
            return;
        const int column = index.column();
        const QRect r = option.rect;
        p->save();
        if (option.state & QStyle::State_Selected) {
            QColor tint = option.palette.color(QPalette::Highlight);
            tint.setAlpha(70); // blended over the background picture
            p->fillRect(r, tint);
        }
        p->setBrush(ToQColor(formkit::kList));
        if (tree_.OnBeforeCellPaint)
            tree_.OnBeforeCellPaint(&tree_, *p, node, column, r);
        int textLeft = r.left() + kTextGap;
        const TPngImageList* images = tree_.Images();
        const int image = images ? tree_.CellImageIndex(node, column) : -1;
        if (images && image >= 0 && image < images->Count()) {
            images->Draw(*p, r.left() + kImageLeft, r.top() + (r.height() - images->Height()) / 2, image);
            textLeft = r.left() + kImageLeft + images->Width() + kTextGap;
        }
        p->setFont(option.font);
        p->setPen(option.palette.color(QPalette::Text));
        if (tree_.OnPaintText)
            tree_.OnPaintText(&tree_, *p, node, column);
        const QString text = tree_.CellText(node, column);
        if (!text.isEmpty()) {
            const QRect textRect(textLeft, r.top(), r.right() - textLeft, r.height());
            p->drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft,
                p->fontMetrics().elidedText(text, Qt::ElideMiddle, textRect.width()));
        }
        p->restore();
    }

private:
    TFileTree& tree_;
};

} // namespace

TFileTreeModel::TFileTreeModel(TFileTree& tree)
    : tree_(tree)
{
}

int TFileTreeModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(tree_.List().TotalCount());
}

int TFileTreeModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : TFileTree::kColumnCount;
}

QVariant TFileTreeModel::data(const QModelIndex& index, int role) const
{
    PVirtualNode node = tree_.List().NodeAt(index.row());
    if (!node)
        return {};
    if (role == Qt::DisplayRole)
        return tree_.CellText(node, index.column());
    if (role == Qt::ToolTipRole) {
        const QString hint = tree_.CellHint(node, index.column());
        return hint.isEmpty() ? QVariant() : QVariant(hint);
    }
    return {};
}

Qt::ItemFlags TFileTreeModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void TFileTreeModel::RowsAboutToBeInserted(int first, int last)
{
    beginInsertRows({}, first, last);
}
void TFileTreeModel::RowsInserted()
{
    endInsertRows();
}
// While rows go, the view moves its current row to a neighbour; that is not the user's choice, so
// it does not reach the store (after a delete nothing is selected).
void TFileTreeModel::RowsAboutToBeRemoved(int first, int last)
{
    tree_.syncing_ = true;
    beginRemoveRows({}, first, last);
}

void TFileTreeModel::RowsRemoved()
{
    endRemoveRows();
    tree_.syncing_ = false;
    tree_.SelectFromStore();
}

void TFileTreeModel::RowRepaint(int row)
{
    emit dataChanged(index(row, 0), index(row, TFileTree::kColumnCount - 1));
}

void TFileTreeModel::SelectionChanged()
{
    tree_.SelectFromStore();
}
void TFileTreeModel::FocusChanged()
{
    tree_.FocusFromStore();
}
void TFileTreeModel::FocusRequested()
{
    tree_.setFocus();
}

TFileTree::TFileTree(QWidget* parent)
    : QTreeView(parent)
    , model_(*this)
{
    list_.SetObserver(&model_);
    setModel(&model_);
    setItemDelegate(new TFileTreeDelegate(*this));
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
}

TFileTree::~TFileTree()
{
    // Rows are freed with the store; the view must not hear about it any more.
    list_.SetObserver(nullptr);
    setModel(nullptr);
}

void TFileTree::SetImages(const TPngImageList* images)
{
    images_ = images;
    viewport()->update();
}

void TFileTree::SetBackground(const QImage& picture)
{
    background_ = picture;
    viewport()->update();
}

void TFileTree::SetBackgroundOffset(QPoint offset)
{
    backgroundOffset_ = offset;
    viewport()->update();
}

int TFileTree::ClientWidth() const
{
    return viewport()->width();
}
int TFileTree::ClientHeight() const
{
    return viewport()->height();
}

PVirtualNode TFileTree::NodeAt(QPoint viewportPos, int* column) const
{
    const QModelIndex index = indexAt(viewportPos);
    if (column)
        *column = index.isValid() ? index.column() : -1;
    return index.isValid() ? list_.NodeAt(index.row()) : nullptr;
}

QString TFileTree::CellText(PVirtualNode node, int column)
{
    QString text;
    if (OnGetText)
        OnGetText(this, node, column, text);
    return text;
}

int TFileTree::CellImageIndex(PVirtualNode node, int column)
{
    int image = -1;
    if (OnGetImageIndex)
        OnGetImageIndex(this, node, column, image);
    return image;
}

QString TFileTree::CellHint(PVirtualNode node, int column)
{
    QString hint;
    if (OnGetHint)
        OnGetHint(this, node, column, hint);
    return hint;
}

void TFileTree::paintEvent(QPaintEvent* event)
{
    {
        QPainter p(viewport());
        p.fillRect(viewport()->rect(), ToQColor(formkit::kList));
        if (!background_.isNull())
            p.drawImage(backgroundOffset_, background_); // static: it does not scroll with the rows
    }
    QTreeView::paintEvent(event);
}

void TFileTree::resizeEvent(QResizeEvent* event)
{
    QTreeView::resizeEvent(event);
    if (OnResize)
        OnResize(this);
}

void TFileTree::mousePressEvent(QMouseEvent* event)
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

void TFileTree::mouseReleaseEvent(QMouseEvent* event)
{
    QTreeView::mouseReleaseEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index.isValid() && OnColumnClick)
        OnColumnClick(this, index.column());
}

void TFileTree::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeView::mouseDoubleClickEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index.isValid() && OnColumnDblClick)
        OnColumnDblClick(this, index.column());
}

void TFileTree::contextMenuEvent(QContextMenuEvent* event)
{
    const QPoint pos = viewport()->mapFrom(this, event->pos());
    int column = -1;
    PVirtualNode node = NodeAt(pos, &column);
    QMenu* menu = nullptr;
    if (OnGetPopupMenu)
        OnGetPopupMenu(this, node, column, pos, menu);
    if (menu)
        menu->popup(event->globalPos());
}

void TFileTree::SelectFromStore()
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

void TFileTree::FocusFromStore()
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

void TFileTree::StoreFromView(const QModelIndex& current)
{
    if (syncing_)
        return;
    syncing_ = true;
    PVirtualNode node = current.isValid() ? list_.NodeAt(current.row()) : nullptr;
    list_.SetFocusedNode(node);
    list_.SelectOnly(node);
    syncing_ = false;
}

#include "FileTree.moc"
