#include "controls/MyListBox.h"

#include "controls/pngImageList.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QColor kGreen(0, 200, 0);
const QColor kBox(181, 178, 255);

TPngImageList GreenIcons()
{
    QImage square(32, 32, QImage::Format_ARGB32);
    square.fill(kGreen);
    TPngImageList list;
    list.Add(TPngImage::FromQImage(square));
    return list;
}

// The list box of the Add Files dialog.
void SetUpBox(TMyListBox& box, const TPngImageList* icons)
{
    QFont f(QStringLiteral("Trebuchet MS"));
    f.setPixelSize(16);
    box.setFont(f);
    QPalette pal = box.palette();
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::Text, ToQColor(0x797993));
    box.setPalette(pal);
    box.setFrameShape(QFrame::NoFrame);
    box.SetImageList(icons);
    box.SetImageIndex(0);
    box.SetItemHeight(35);
    box.addItems({ "/videos/first.avi", "/videos/second.mp4" });
}

QImage DrawRow(const TMyListBox& box, int row, bool selected, bool focused, int width = 300)
{
    QImage img(width, 35, QImage::Format_RGB32);
    img.fill(Qt::red);
    QPainter p(&img);
    box.DrawItem(p, row, QRect(0, 0, width, 35), selected, focused);
    return img;
}

// The item text exactly where the layout puts it: x, and y = (ItemHeight - text height) div 2.
QImage ExpectedText(const TMyListBox& box, const QString& text, int x, QColor background, QColor ink)
{
    QImage img(300, 35, QImage::Format_RGB32);
    img.fill(background);
    QPainter p(&img);
    const QFontMetrics fm(box.font());
    p.setFont(box.font());
    p.setPen(ink);
    p.drawText(x, (35 - fm.height()) / 2 + fm.ascent(), text);
    return img;
}

bool SameFrom(const QImage& a, const QImage& b, int fromX)
{
    for (int y = 0; y < 35; ++y)
        for (int x = fromX; x < 300; ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return false;
    return true;
}

} // namespace

TEST(MyListBox, ItemLayoutWithImageAndText)
{
    const TPngImageList icons = GreenIcons();
    TMyListBox box;
    EXPECT_EQ(box.Style(), lbOwnerDrawVariable);
    SetUpBox(box, &icons);

    const QImage img = DrawRow(box, 0, false, false);
    EXPECT_EQ(img.pixelColor(4, 1), kGreen) << "image at (left + 4, top + (35 - 32) div 2)";
    EXPECT_EQ(img.pixelColor(35, 32), kGreen);
    EXPECT_EQ(img.pixelColor(3, 1), QColor(Qt::white));
    EXPECT_EQ(img.pixelColor(4, 0), QColor(Qt::white));
    EXPECT_EQ(img.pixelColor(36, 1), QColor(Qt::white));
    EXPECT_EQ(img.pixelColor(4, 33), QColor(Qt::white));
    EXPECT_EQ(img.pixelColor(299, 34), QColor(Qt::white)) << "the whole row is filled";
    EXPECT_TRUE(SameFrom(img, ExpectedText(box, "/videos/first.avi", 40, Qt::white, ToQColor(0x797993)), 37));

    // Without an image list the text moves to the left edge + 8 and nothing fails.
    box.SetImageList(nullptr);
    const QImage bare = DrawRow(box, 1, false, false);
    EXPECT_EQ(bare.pixelColor(4, 1), QColor(Qt::white));
    EXPECT_TRUE(SameFrom(bare, ExpectedText(box, "/videos/second.mp4", 8, Qt::white, ToQColor(0x797993)), 0));
    box.SetImageList(&icons);
    box.SetImageIndex(5);
    EXPECT_EQ(DrawRow(box, 0, false, false).pixelColor(4, 1), QColor(Qt::white)) << "no such image";
}

TEST(MyListBox, SelectedOrFocusedItemIsALightBlueBox)
{
    const TPngImageList icons = GreenIcons();
    TMyListBox box;
    SetUpBox(box, &icons);
    const QColor highlight = ToQColor(clHighlight);

    for (auto [selected, focused] :
        { std::pair(true, false), std::pair(false, true), std::pair(true, true) }) {
        const QImage img = DrawRow(box, 0, selected, focused);
        EXPECT_EQ(img.pixelColor(1, 1), kBox);
        EXPECT_EQ(img.pixelColor(299, 34), kBox);
        EXPECT_EQ(img.pixelColor(4, 1), kGreen);
        EXPECT_TRUE(SameFrom(img, ExpectedText(box, "/videos/first.avi", 40, kBox, QColor(0, 0, 255)), 37));
        for (int y = 0; y < 35; ++y)
            for (int x = 0; x < 300; ++x)
                ASSERT_NE(img.pixelColor(x, y), highlight) << "system highlight painted over";
    }
}

TEST(MyListBox, WideTextGetsTheBoxWidth)
{
    TMyListBox box;
    SetUpBox(box, nullptr);
    box.resize(100, 119);
    box.item(0)->setText(QStringLiteral("/a/very/long/path/to/some/video/file/that/does/not/fit.avi"));
    box.item(1)->setText(QStringLiteral("a.avi"));
    QImage img(300, 35, QImage::Format_RGB32);
    img.fill(Qt::red);
    QPainter p(&img);
    box.DrawItem(p, 0, QRect(0, 0, 80, 35), true, false);
    EXPECT_EQ(img.pixelColor(99, 0), kBox) << "rectangle widened to the box's Width";
    EXPECT_EQ(img.pixelColor(100, 0), QColor(Qt::red));

    QImage narrow(300, 35, QImage::Format_RGB32);
    narrow.fill(Qt::red);
    QPainter q(&narrow);
    box.DrawItem(q, 1, QRect(0, 0, 80, 35), true, false);
    EXPECT_EQ(narrow.pixelColor(80, 0), QColor(Qt::red)) << "a short text keeps its rectangle";
}

TEST(MyListBox, ViewDrawsEveryRowWithTheSameImage)
{
    const TPngImageList icons = GreenIcons();
    QWidget form;
    form.resize(425, 129);
    TMyListBox box(&form);
    SetUpBox(box, &icons);
    box.setGeometry(5, 5, 415, 119);
    form.show();
    box.setCurrentRow(1);

    const QImage img = box.viewport()->grab().toImage();
    EXPECT_EQ(img.pixelColor(4, 1), kGreen);
    EXPECT_EQ(img.pixelColor(4, 35 + 1), kGreen) << "second row, same image";
    EXPECT_EQ(img.pixelColor(4, 70 + 1), QColor(Qt::white)) << "no third row";
    EXPECT_EQ(img.pixelColor(1, 1), QColor(Qt::white));
    EXPECT_EQ(img.pixelColor(1, 35 + 1), kBox) << "the selected row";
    EXPECT_EQ(img.pixelColor(img.width() - 2, 35 + 1), kBox) << "rows span the box, not their text";

    // The list box's own PopupMenu is kept, never opened by a right click.
    QMenu menu;
    menu.addAction(QStringLiteral("&Delete"));
    box.SetPopupMenu(&menu);
    QContextMenuEvent e(
        QContextMenuEvent::Mouse, QPoint(10, 10), box.viewport()->mapToGlobal(QPoint(10, 10)));
    QCoreApplication::sendEvent(box.viewport(), &e);
    EXPECT_FALSE(menu.isVisible());
    EXPECT_EQ(box.PopupMenu(), &menu);
}

TEST(MyListBox, RowsKeepTheirHeightAndTheBoxNeverScrollsSideways)
{
    QWidget form;
    form.resize(425, 129);
    TMyListBox box(&form);
    SetUpBox(box, nullptr);
    box.setGeometry(5, 5, 415, 119);
    box.addItem(QString(400, QLatin1Char('w')) + QStringLiteral(".avi")); // far wider than the box
    for (int i = 0; i < 20; ++i)
        box.addItem(QStringLiteral("/videos/clip%1.avi").arg(i));
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));

    for (int bad : { 0, -35 }) {
        box.SetItemHeight(bad);
        EXPECT_EQ(box.ItemHeight(), 35) << bad << " is refused";
    }
    box.SetItemHeight(20);
    box.scrollToItem(box.item(12));
    for (int row : { 0, 2, 12, 21 })
        EXPECT_EQ(box.visualItemRect(box.item(row)).height(), 20) << row;
    EXPECT_EQ(box.visualItemRect(box.item(13)).top() - box.visualItemRect(box.item(12)).top(), 20);
    EXPECT_TRUE(box.verticalScrollBar()->isVisible());
    EXPECT_FALSE(box.horizontalScrollBar()->isVisible()) << "no scroll width, no horizontal bar";
}
