#pragma once
// An owner-drawn list box: every item shows one image of an image list followed by its text, and
// the selected (or focused) item is a light blue box with blue text. Its background is the
// window colour (clWindow), not taken from the form.
#include "controls/skinGraphics.h"

#include <QListWidget>
#include <QStyledItemDelegate>

class QMenu;
class TPngImageList;

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable, lbVirtual, lbVirtualOwnerDraw };

class TMyListBox : public QListWidget {
    Q_OBJECT
public:
    // Colours of a selected or focused item.
    static constexpr TColor SelectedBoxColor = 0xFFB2B5;
    static constexpr TColor SelectedTextColor = 0xFF0000;

    explicit TMyListBox(QWidget* parent = nullptr);

    // Not owned; without one the items show their text only.
    const TPngImageList* ImageList() const { return imageList_; }
    void SetImageList(const TPngImageList* list) { imageList_ = list; }
    // The one image drawn in front of every item.
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index) { imageIndex_ = index; }
    // Kept for the owner; it is deliberately not the list box's context menu.
    QMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(QMenu* menu) { popupMenu_ = menu; }
    TListBoxStyle Style() const { return style_; }
    void SetStyle(TListBoxStyle s);
    // Pixels; a value of 0 or below is ignored.
    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int h);

    // Draws item `row` into rect r with the given selected/focused state (what the delegate runs).
    void DrawItem(QPainter& p, int row, QRect r, bool selected, bool focused) const;

private:
    const TPngImageList* imageList_ = nullptr;
    int imageIndex_ = 0;
    QMenu* popupMenu_ = nullptr;
    TListBoxStyle style_ = lbOwnerDrawVariable;
    int itemHeight_ = 16;
};
