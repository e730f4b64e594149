#pragma once
// Owner drawing of a popup menu in the skin's look: each item shows its caption in bold and the
// action's status tip as a second line; the highlighted item gets a rounded two-band gradient;
// separators are two-tone lines on a tinted background with an optional bold title.
//
//   TMenuDraw painter;
//   painter.Attach(&popupMenu);         // top-level actions present now are owner-drawn
//
// An action's image is taken from the attached image list by its "ImageIndex" property (int).
#include "controls/skinGraphics.h"

#include <QPointer>
#include <QRect>
#include <QSize>

#include <memory>
#include <vector>

class QAction;
class QMenu;
class QPainter;
class TPngImageList;

enum TGradientDirection { gdHorizontal, gdVertical }; // bands side by side / stacked top to bottom

class TMenuDraw {
public:
    static constexpr const char* ImageIndexProperty = "ImageIndex";
    static constexpr int Bands = 256;
    static constexpr int GutterRight = 26; // image gutter width, from the item's left edge

    TMenuDraw();
    ~TMenuDraw();
    TMenuDraw(const TMenuDraw&) = delete;
    TMenuDraw& operator=(const TMenuDraw&) = delete;

    // Owner-draws the top-level actions of menu (not those of submenus, nor actions added later).
    // An action whose text is exactly "-" becomes a separator. images: not owned, may be null.
    void Attach(QMenu* menu, const TPngImageList* images = nullptr);
    QMenu* AttachedMenu() const { return attached_; }
    // True if action is drawn by this painter.
    bool IsOwnerDrawn(const QAction* action) const;

    bool DrawImages() const { return drawImages_; }
    void SetDrawImages(bool value) { drawImages_ = value; }
    bool SplitHighlight() const { return splitHighlight_; }
    void SetSplitHighlight(bool value) { splitHighlight_ = value; }

    // The measure routine: size of an item (separators included).
    QSize Measure(const QAction* action, const TPngImageList* images) const;
    // The item routine and the separator routine, drawing into r.
    void DrawItem(
        QPainter& p, const QAction* action, QRect r, bool selected, const TPngImageList* images) const;
    void DrawSeparator(QPainter& p, const QAction* action, QRect r, const TPngImageList* images) const;

    // Fills r with n bands from one colour to the other; the first band is one step past `from`,
    // the last is exactly `to`. False (nothing drawn) when n < 1.
    static bool GradientFill(
        QPainter& p, QRect r, int n, TGradientDirection direction, TColor from, TColor to);

private:
    class Style;
    std::vector<std::unique_ptr<Style>> styles_; // one per attached menu
    QPointer<QMenu> attached_;
    bool drawImages_ = true;
    bool splitHighlight_ = true;
};
