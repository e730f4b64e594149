// Paint time of the flat hint window, flat edit and combo, line panel, image list box and the
// owner-drawn menu at the sizes the forms use. Each figure is one full paint through the
// control's own paint handler into an off-screen image. Prints figures; not a test.
#include "controls/FlatEditUnit.h"
#include "controls/LinePanelUnit.h"
#include "controls/MyFlatHintUnit.h"
#include "controls/MyListBox.h"
#include "controls/menuDraw.h"
#include "controls/pngImageList.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr double kTargetMs = 1.0;

void Report(const char* name, QSize size, const std::function<void()>& paint)
{
    for (int i = 0; i < 20; ++i) // warm-up: glyph caches, first allocations
        paint();
    std::vector<double> ms;
    for (int i = 0; i < 300; ++i) {
        QElapsedTimer t;
        t.start();
        paint();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double v : ms)
        sum += v;
    const double median = ms[ms.size() / 2], p95 = ms[ms.size() * 95 / 100];
    std::printf("%-34s %4d x %-4d  median %7.3f ms  mean %7.3f ms  p95 %7.3f ms  %s\n", name, size.width(),
        size.height(), median, sum / ms.size(), p95, median <= kTargetMs ? "ok" : "OVER TARGET");
}

// Renders the widget through its paint handler into a reused image.
std::function<void()> Painter(QWidget& w, QImage& target)
{
    target = QImage(w.size(), QImage::Format_RGB32);
    return [&w, &target] { w.render(&target); };
}

QFont Trebuchet(int pixels, bool bold = false)
{
    QFont f(QStringLiteral("Trebuchet MS"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::printf("paint time per full paint, 300 runs each (target <= %.1f ms)\n", kTargetMs);
    QImage target;

    TLinePanel panel;
    panel.resize(828, 289);
    panel.SetColor(0xFFDBBF);
    panel.SetLineColor(0xE3B28D);
    panel.SetLineBorders({ lbTop, lbLeft, lbRight, lbBottom });
    panel.SetCaption(QStringLiteral("List"));
    Report("line panel (main window)", panel.size(), Painter(panel, target));
    if (target.pixelColor(10, 10) != ToQColor(0xFFDBBF))
        std::printf("  (line panel did not paint: figures invalid)\n");

    QWidget form;
    TMyFlatHint hint(&form);
    hint.SetFont(Trebuchet(16));
    hint.SetColorBackground(clInfoBk);
    hint.SetColorArrowBackground(clInfoBk);
    hint.SetColorArrow(0x8B4215);
    TMyFlatHintWindow& window = *TMyFlatHint::HintWindow();
    QStringList lines;
    for (int i = 1; i <= 10; ++i)
        lines << QStringLiteral("line %1 of a hint").arg(i);
    hint.SetMaxHintWidth(400);
    window.ActivateHintAt(QRect(), lines.join(u'\n'), QPoint(100, 100), QSize(1024, 768));
    Report("hint window, ten lines", window.size(), Painter(window, target));
    window.hide();

    TMyFlatEdit edit;
    edit.resize(393, 28);
    edit.setFont(Trebuchet(16));
    edit.resize(393, 28);
    edit.SetColorBorder(clWhite);
    edit.SetColorFlat(clWhite);
    edit.setText(QStringLiteral("/home/user/Videos/converted/"));
    Report("flat edit (Add Files)", edit.size(), Painter(edit, target));

    TMyFlatComboBox combo;
    combo.SetStyle(csDropDownList);
    combo.setFont(Trebuchet(16));
    combo.SetItemHeight(22);
    combo.SetColorArrowBackground(clBtnFace);
    combo.SetColorBorder(clWhite);
    combo.addItems({ QStringLiteral("AVI - MPEG-4 video"), QStringLiteral("MP4 - H.264 video") });
    combo.resize(425, 30);
    Report("flat combo box (Add Files)", combo.size(), Painter(combo, target));

    QImage square(32, 32, QImage::Format_ARGB32);
    square.fill(QColor(30, 160, 60, 200));
    TPngImageList icons;
    icons.Add(TPngImage::FromQImage(square));
    TMyListBox box;
    box.setFrameShape(QFrame::NoFrame);
    box.setFont(Trebuchet(16));
    box.SetImageList(&icons);
    box.SetItemHeight(35);
    for (int i = 0; i < 6; ++i)
        box.addItem(QStringLiteral("/home/user/Videos/holiday-clip-%1.mpg").arg(i));
    box.resize(415, 119);
    box.show(); // lays out the viewport
    box.setCurrentRow(1);
    Report("image list box (Add Files)", box.size(), Painter(box, target));
    Report("  of which its item area", box.viewport()->size(), Painter(*box.viewport(), target));
    box.hide();

    QMenu menu;
    const char* items[][2] = { { "&Delete", "delete selected item" }, { "&Clear", "clear all items" },
        { "-", "" }, { "&Properties", "show properties" } };
    for (auto& [caption, tip] : items)
        menu.addAction(QString::fromUtf8(caption))->setStatusTip(QString::fromUtf8(tip));
    TMenuDraw draw;
    draw.Attach(&menu);
    menu.ensurePolished();
    menu.resize(menu.sizeHint());
    menu.setActiveAction(menu.actions().first());
    Report("popup menu, four items", menu.size(), Painter(menu, target));
    return 0;
}
