#include "controls/MyListBox.h"

#include "controls/pngImageList.h"

#include <QFontMetrics>
#include <QPainter>

namespace {

class TMyListBoxDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit TMyListBoxDelegate(TMyListBox* box)
        : QStyledItemDelegate(box)
        , box_(box)
    {
    }

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        if (box_->Style() == lbStandard || box_->Style() == lbVirtual)
            return QStyledItemDelegate::paint(p, option, index);
        const bool selected = option.state & QStyle::State_Selected;
        const bool focused = option.state & QStyle::State_HasFocus;
        box_->DrawItem(*p, index.row(), option.rect, selected, focused);
    }

    // Every row is ItemHeight high and the box never scrolls sideways, so no text is measured.
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        return QSize(1, box_->ItemHeight());
    }

private:
    TMyListBox* box_;
};

} // namespace

TMyListBox::TMyListBox(QWidget* parent)
    : QListWidget(parent)
{
    setItemDelegate(new TMyListBoxDelegate(this));
    // One height for all rows: the view sizes one row instead of every row (100,000 files).
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff); // a list box without a scroll width
    setContextMenuPolicy(Qt::DefaultContextMenu); // PopupMenu is not opened by a right click
    // A list box has the window colour of its own, whatever colour the form around it has.
    QPalette pal = palette();
    pal.setColor(QPalette::Base, ToQColor(clWindow));
    setPalette(pal);
}

void TMyListBox::SetStyle(TListBoxStyle s)
{
    style_ = s;
    viewport()->update();
}

void TMyListBox::SetItemHeight(int h)
{
    if (h <= 0)
        return; // rows of no height would hide every item
    itemHeight_ = h;
    doItemsLayout();
}

void TMyListBox::DrawItem(QPainter& p, int row, QRect r, bool selected, bool focused) const
{
    const QListWidgetItem* it = item(row);
    const QString text = it ? it->text() : QString();
    p.save();
    p.setFont(font());
    const QFontMetrics fm(font());
    // A text too wide for the box is given the box's whole width to spill into.
    if (fm.horizontalAdvance(text) >= width())
        r.setRight(r.left() + width() - 1);

    TColor brush = selected ? clHighlight : FromQColor(palette().color(QPalette::Base));
    TColor textColor = selected ? clHighlightText : FromQColor(palette().color(QPalette::Text));
    p.fillRect(r, ToQColor(brush));
    if (selected || focused) {
        brush = SelectedBoxColor;
        textColor = SelectedTextColor;
        p.fillRect(r, ToQColor(brush)); // the outline has the fill's colour
    }

    int imageWidth = 0;
    if (imageList_) {
        imageWidth = imageList_->Width();
        imageList_->Draw(p, r.left() + 4, r.top() + (itemHeight_ - imageList_->Height()) / 2, imageIndex_);
    }
    const int x = r.left() + imageWidth + 8;
    const int y = r.top() + (itemHeight_ - fm.height()) / 2;
    p.fillRect(QRect(x, y, fm.horizontalAdvance(text), fm.height()), ToQColor(brush));
    p.setPen(ToQColor(textColor));
    p.drawText(x, y + fm.ascent(), text);
    p.restore();
}

#include "MyListBox.moc"
