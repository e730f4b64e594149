// The list's context menu (listMenu) drawn by TMenuDraw, plain and with an image list.
#include "controls/menuDraw.h"
#include "controls/pngImageList.h"
#include "galleryBoard.h"
#include "galleryInput.h"
#include "galleryShots.h"

#include <QApplication>
#include <QMenu>

using namespace gallery;

namespace {

QAction* AddItem(QMenu& menu, const QString& caption, const QString& hint, int image = -1)
{
    QAction* a = menu.addAction(caption);
    a->setStatusTip(hint);
    if (image >= 0)
        a->setProperty(TMenuDraw::ImageIndexProperty, image);
    return a;
}

// Shows the menu off screen with `active` highlighted and captures it.
QImage Capture(QMenu& menu, QAction* active)
{
    menu.popup(QPoint(50, 50));
    QApplication::processEvents();
    menu.setActiveAction(active);
    QApplication::processEvents();
    const QImage image = menu.grab().toImage();
    menu.hide();
    return image;
}

const TPngImageList& StatusIcons()
{
    static TPngImageList list = [] {
        TPngImageList l(16, 16);
        for (const char* name : { "statusWaiting", "statusConverting", "statusConverted", "statusFailed" })
            l.Add(TPngImage::FromFile(QString(":/skin/%1.png").arg(name)));
        return l;
    }();
    return list;
}

QImage Menus()
{
    TGalleryBoard board("TMenuDraw (listMenu of the main window)", ToQColor(kWindow));
    board.NewRow("The list's context menu; the highlighted item moves down");
    for (int active = 0; active < 3; ++active) {
        QMenu menu;
        TMenuDraw painter;
        QAction* items[] = { AddItem(menu, "&Delete", "delete selected item"),
            AddItem(menu, "&Clear", "clear all items"), nullptr, nullptr };
        AddItem(menu, "-", "");
        items[2] = AddItem(menu, "&Properties", "show properties");
        painter.Attach(&menu);
        board.Add(active == 0 ? "Delete"
                : active == 1 ? "Clear"
                              : "Properties",
            Capture(menu, items[active]));
    }
    board.NewRow("Disabled items, a titled separator, an image list (status icons)");
    {
        QMenu menu;
        TMenuDraw painter;
        AddItem(menu, "-", "Batch");
        QAction* del = AddItem(menu, "&Delete", "delete selected item", 3);
        AddItem(menu, "&Clear", "clear all items", 0)->setEnabled(false);
        AddItem(menu, "-", "");
        AddItem(menu, "&Properties", "show properties", 2);
        painter.Attach(&menu, &StatusIcons());
        board.Add("with images", Capture(menu, del));
    }
    {
        QMenu menu;
        TMenuDraw painter;
        painter.SetSplitHighlight(false);
        QAction* a = AddItem(menu, "&Delete", "delete selected item");
        AddItem(menu, "&Clear", "clear all items")->setEnabled(false);
        painter.Attach(&menu);
        board.Add("one-band highlight, disabled Clear", Capture(menu, a));
    }
    return board.Render();
}

const TGalleryShots::Entry shot { "TMenuDraw.png", Menus };

} // namespace
