// TMyFlatHintWindow with the main window's flatHint settings, opening toward each quarter.
#include "controls/MyFlatHintUnit.h"
#include "galleryBoard.h"
#include "galleryInput.h"
#include "galleryShots.h"

#include <QApplication>

#include <memory>

using namespace gallery;

namespace {

// flatHint: clInfoBk background and arrow strip, arrow 0x8B4215, Trebuchet MS 16 in 0x8B4215.
void StyleLikeMainWindow(TMyFlatHint* hint)
{
    hint->SetColorBackground(clInfoBk);
    hint->SetColorArrowBackground(clInfoBk);
    hint->SetColorArrow(kCaption);
    QFont f("Trebuchet MS");
    f.setPixelSize(16);
    hint->SetFont(f);
    hint->SetFontColor(kCaption);
    hint->SetBidiMode(bdLeftToRight);
}

QImage Hint(const QString& text, QPoint cursor)
{
    const QSize screen(1280, 800);
    TMyFlatHintWindow* window = TMyFlatHint::HintWindow();
    window->ActivateHintAt(QRect(), text, cursor, screen);
    QApplication::processEvents();
    const QImage image = window->Render();
    window->hide();
    return image;
}

QImage FlatHints()
{
    auto form = std::make_unique<QWidget>();
    auto* hint = new TMyFlatHint(form.get());
    TGalleryBoard board("TMyFlatHintWindow (flatHint of the main window)", ToQColor(kWindow));
    StyleLikeMainWindow(hint);
    board.NewRow("Tool button hints; the cursor in each quarter of the screen (arrow points at it)");
    board.Add("cursor top left", Hint("add video files", { 100, 100 }));
    board.Add("cursor top right", Hint("start converting", { 1100, 100 }));
    board.Add("cursor bottom left", Hint("stop converting", { 100, 700 }));
    board.Add("cursor bottom right", Hint("online support", { 1100, 700 }));
    board.NewRow("A list entry's hint: three lines, wrapped at the maximum width");
    board.Add("entry hint",
        Hint("[File Name]: /home/anna/Videos/holiday 2009/beach.mpg\n[format]: MPEG-4 video (mp4)\n[path]: ",
            { 300, 300 }));
    board.Add("push-button hint", Hint("load list from a disk file", { 300, 300 }));
    board.NewRow("The component's own defaults (white, black frame, yellow strip)");
    auto defaults = std::make_unique<QWidget>();
    delete hint; // the remaining component gives the look
    auto* plain = new TMyFlatHint(defaults.get());
    board.Add("defaults", Hint("add video files", { 100, 100 }));
    delete plain;
    return board.Render();
}

const TGalleryShots::Entry shot { "TMyFlatHintWindow.png", FlatHints };

} // namespace
