#include "controls/menuDraw.h"

#include "controls/pngImageList.h"

#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QMenu>
#include <QPainter>
#include <QStyle>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

constexpr TColor kBackground = 0xFAFAFA;

QFont Font(bool bold)
{
    QFont f(QStringLiteral("Trebuchet MS"), 9);
    f.setBold(bold);
    return f;
}

QSize Measured(bool bold, const QString& text)
{
    return QFontMetrics(Font(bold)).size(Qt::TextShowMnemonic, text);
}

// Colour of a pixel row inside a band gradient n bands high over `height` rows: the last band
// that covers the row wins; band i has start + (i + 1) * step, bands span round(i * h / n) ...
QColor BandColor(int height, int n, TColor from, TColor to, int row)
{
    const double size = double(height) / n;
    int band = -1;
    for (int i = 0; i < n; ++i)
        if (std::nearbyint(i * size) <= row && row < std::nearbyint((i + 1) * size))
            band = i;
    auto channel = [&](int a, int b) { return int(std::nearbyint(a + (band + 1) * (double(b - a) / n))); };
    return QColor(channel(GetRValue(from), GetRValue(to)), channel(GetGValue(from), GetGValue(to)),
        channel(GetBValue(from), GetBValue(to)));
}

QImage Canvas(QSize size)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::red);
    return img;
}

TPngImageList BlueIcons()
{
    QImage square(16, 16, QImage::Format_ARGB32);
    square.fill(Qt::blue);
    TPngImageList list;
    list.Add(TPngImage::FromQImage(square));
    return list;
}

// True when every pixel of rows [top, bottom) is a blend of the background and `ink`.
bool OnlyBlendsOf(const QImage& img, int top, int bottom, TColor ink, bool* anyInk)
{
    const QColor bg = ToQColor(kBackground), c = ToQColor(ink);
    auto within = [](int v, int a, int b) { return v >= std::min(a, b) && v <= std::max(a, b); };
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor px = img.pixelColor(x, y);
            if (px != bg)
                *anyInk = true;
            if (!within(px.red(), bg.red(), c.red()) || !within(px.green(), bg.green(), c.green())
                || !within(px.blue(), bg.blue(), c.blue()))
                return false;
        }
    return true;
}

} // namespace

TEST(MenuDraw, MeasuresCaptionAndHintLines)
{
    QMenu menu;
    QAction* del = menu.addAction(QStringLiteral("&Delete"));
    del->setStatusTip(QStringLiteral("delete selected item"));
    TMenuDraw draw;
    EXPECT_TRUE(draw.DrawImages());
    EXPECT_TRUE(draw.SplitHighlight());

    const QSize caption = Measured(true, "&Delete"), hint = Measured(false, "delete selected item");
    EXPECT_EQ(caption.width(), QFontMetrics(Font(true)).size(0, "Delete").width()) << "'&' takes no room";
    const QSize expected(std::max(caption.width(), hint.width()) + 8, caption.height() + hint.height() + 8);
    EXPECT_EQ(draw.Measure(del, nullptr), expected);
    const TPngImageList icons = BlueIcons();
    EXPECT_EQ(draw.Measure(del, &icons), expected + QSize(26, 0));

    QAction* bare = menu.addAction(QStringLiteral("&Clear all the items in the list"));
    EXPECT_EQ(draw.Measure(bare, nullptr).height(), Measured(true, bare->text()).height() + 8)
        << "no hint line";
    bare->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    const int shortcut
        = QFontMetrics(Font(true)).horizontalAdvance(bare->shortcut().toString(QKeySequence::NativeText));
    EXPECT_EQ(draw.Measure(bare, nullptr).width(), Measured(true, bare->text()).width() + shortcut + 8 + 8);

    // The real menu lays its items out with these sizes.
    draw.Attach(&menu);
    EXPECT_EQ(menu.actionGeometry(del).height(), expected.height());
    EXPECT_EQ(menu.actionGeometry(bare).height(), draw.Measure(bare, nullptr).height());
    EXPECT_GE(menu.actionGeometry(del).width(), expected.width());
}

TEST(MenuDraw, DrawsCaptionOverHintWithUnderlinedAccelerator)
{
    QMenu menu;
    QAction* del = menu.addAction(QStringLiteral("&Delete"));
    del->setStatusTip(QStringLiteral("delete selected item"));
    TMenuDraw draw;
    const QSize size(200, draw.Measure(del, nullptr).height());
    const int h1 = Measured(true, "&Delete").height();

    QImage img = Canvas(size);
    QPainter p(&img);
    draw.DrawItem(p, del, img.rect(), false, nullptr);
    p.end();
    EXPECT_EQ(img.pixelColor(0, 0), ToQColor(kBackground));
    EXPECT_EQ(img.pixelColor(199, size.height() - 1), ToQColor(kBackground));
    bool captionInk = false, hintInk = false;
    EXPECT_TRUE(OnlyBlendsOf(img, 0, h1 + 4, 0x6E1500, &captionInk));
    EXPECT_TRUE(OnlyBlendsOf(img, h1 + 4, size.height(), 0x6E1500, &hintInk));
    EXPECT_TRUE(captionInk && hintInk);

    // The accelerator: same glyphs as the plain caption, plus an underline below 'D' only.
    QAction plain(QStringLiteral("Delete"));
    plain.setStatusTip(del->statusTip());
    QImage plainImg = Canvas(size);
    QPainter q(&plainImg);
    draw.DrawItem(q, &plain, plainImg.rect(), false, nullptr);
    q.end();
    const QFontMetrics fm(Font(true));
    QRect diff;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            if (img.pixel(x, y) != plainImg.pixel(x, y))
                diff |= QRect(x, y, 1, 1);
    ASSERT_FALSE(diff.isEmpty());
    EXPECT_GE(diff.top(), 2 + fm.ascent());
    EXPECT_GE(diff.left(), 4);
    EXPECT_LE(diff.right(), 4 + fm.horizontalAdvance('D'));

    // Disabled: both lines in the disabled colour.
    del->setEnabled(false);
    img = Canvas(size);
    QPainter r(&img);
    draw.DrawItem(r, del, img.rect(), false, nullptr);
    r.end();
    captionInk = hintInk = false;
    EXPECT_TRUE(OnlyBlendsOf(img, 0, h1 + 4, 0xDEC5D8, &captionInk));
    EXPECT_TRUE(OnlyBlendsOf(img, h1 + 4, size.height(), 0xDEC5D8, &hintInk));
    EXPECT_TRUE(captionInk && hintInk);
}

TEST(MenuDraw, BandGradientOf256Bands)
{
    QImage img = Canvas({ 60, 40 });
    QPainter p(&img);
    EXPECT_FALSE(TMenuDraw::GradientFill(p, QRect(0, 0, 60, 40), 0, gdVertical, 0xEFE8E4, 0xDEC5B8));
    EXPECT_EQ(img.pixelColor(0, 0), QColor(Qt::red)) << "nothing drawn for no bands";

    const QRect r(10, 5, 40, 30);
    EXPECT_TRUE(TMenuDraw::GradientFill(p, r, 256, gdVertical, 0xEFE8E4, 0xDEC5B8));
    for (int row = 0; row < 30; ++row) {
        EXPECT_EQ(img.pixelColor(10, 5 + row), BandColor(30, 256, 0xEFE8E4, 0xDEC5B8, row)) << row;
        EXPECT_EQ(img.pixelColor(49, 5 + row), img.pixelColor(10, 5 + row));
    }
    EXPECT_NE(img.pixelColor(10, 5), ToQColor(0xEFE8E4));
    EXPECT_EQ(img.pixelColor(10, 4), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(10, 35), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(9, 20), QColor(Qt::red));

    // One row per band: the first band is one step past the start, the last is the end colour.
    QImage tall = Canvas({ 2, 256 });
    QPainter t(&tall);
    EXPECT_TRUE(TMenuDraw::GradientFill(t, tall.rect(), 256, gdVertical, 0x000000, 0xFFFFFF));
    EXPECT_EQ(tall.pixelColor(0, 0), QColor(1, 1, 1));
    EXPECT_EQ(tall.pixelColor(1, 127), QColor(128, 128, 128));
    EXPECT_EQ(tall.pixelColor(0, 255), QColor(255, 255, 255));

    EXPECT_TRUE(TMenuDraw::GradientFill(p, QRect(0, 0, 60, 3), 4, gdHorizontal, 0x000000, 0x0000FF));
    EXPECT_EQ(img.pixelColor(0, 0), QColor(64, 0, 0)); // round(255 / 4) = 64 (63.75)
    EXPECT_EQ(img.pixelColor(15, 2), QColor(128, 0, 0)); // 127.5 rounds to the even 128
    EXPECT_EQ(img.pixelColor(59, 1), QColor(255, 0, 0));
}

TEST(MenuDraw, HighlightIsRoundedAndSplitAtTheCaption)
{
    QMenu menu;
    QAction* del = menu.addAction(QStringLiteral("&Delete"));
    del->setStatusTip(QStringLiteral("delete selected item"));
    QAction* noHint = menu.addAction(QStringLiteral("&Clear"));
    TMenuDraw draw;
    const int h1 = Measured(true, "&Delete").height();
    const int h = draw.Measure(del, nullptr).height();
    const int split = h1 + 4;

    QImage img = Canvas({ 200, h });
    QPainter p(&img);
    draw.DrawItem(p, del, img.rect(), true, nullptr);
    p.end();
    const QColor outline = ToQColor(0xC5C5C5);
    EXPECT_EQ(img.pixelColor(0, 0), ToQColor(kBackground)) << "rounded corner";
    EXPECT_EQ(img.pixelColor(199, h - 1), ToQColor(kBackground));
    EXPECT_EQ(img.pixelColor(1, 0), outline);
    EXPECT_EQ(img.pixelColor(0, 1), outline);
    EXPECT_EQ(img.pixelColor(199, h - 2), outline);
    EXPECT_EQ(img.pixelColor(198, split - 1), BandColor(split, 256, 0xEFE8E4, 0xDEC5B8, split - 1));
    EXPECT_EQ(img.pixelColor(198, split), BandColor(h - split, 256, 0xD8BAAB, 0xEFE8E4, 0));
    EXPECT_EQ(img.pixelColor(198, 1), BandColor(split, 256, 0xEFE8E4, 0xDEC5B8, 1));
    EXPECT_EQ(img.pixelColor(198, h - 2), BandColor(h - split, 256, 0xD8BAAB, 0xEFE8E4, h - 2 - split));

    // One gradient over the whole height: no hint, or the split switched off.
    const int hc = draw.Measure(noHint, nullptr).height();
    img = Canvas({ 200, hc });
    QPainter q(&img);
    draw.DrawItem(q, noHint, img.rect(), true, nullptr);
    q.end();
    for (int row = 1; row < hc - 1; ++row)
        EXPECT_EQ(img.pixelColor(198, row), BandColor(hc, 256, 0xEFE8E4, 0xDEC5B8, row)) << row;

    draw.SetSplitHighlight(false);
    img = Canvas({ 200, h });
    QPainter s(&img);
    draw.DrawItem(s, del, img.rect(), true, nullptr);
    s.end();
    EXPECT_EQ(img.pixelColor(198, split), BandColor(h, 256, 0xEFE8E4, 0xDEC5B8, split));
}

TEST(MenuDraw, SeparatorsAndImageGutter)
{
    QMenu menu;
    QAction* sep = menu.addSeparator();
    TMenuDraw draw;
    const int h = draw.Measure(sep, nullptr).height();
    EXPECT_EQ(h, Measured(true, "-").height() + 8) << "measured like an item captioned \"-\"";

    QImage img = Canvas({ 120, h });
    QPainter p(&img);
    draw.DrawSeparator(p, sep, img.rect(), nullptr);
    p.end();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < 120; ++x) {
            const TColor expected = y == h - 2 ? 0xC5C5C5 : y == h - 1 ? 0xFAFAFA : 0xEEE7DD;
            ASSERT_EQ(img.pixelColor(x, y), ToQColor(expected)) << x << "," << y;
        }

    const TPngImageList icons = BlueIcons();
    img = Canvas({ 120, h });
    QPainter q(&img);
    draw.DrawSeparator(q, sep, img.rect(), &icons);
    q.end();
    EXPECT_EQ(img.pixelColor(0, h - 2), ToQColor(0xEEEEE9)) << "the gutter covers the lines";
    EXPECT_EQ(img.pixelColor(25, 0), ToQColor(0xEEEEE9));
    EXPECT_EQ(img.pixelColor(26, 0), ToQColor(0xC5C5C5));
    EXPECT_EQ(img.pixelColor(27, 0), ToQColor(0xEEE7DD));

    sep->setStatusTip(QStringLiteral("Files"));
    img = Canvas({ 120, h });
    QPainter t(&img);
    draw.DrawSeparator(t, sep, img.rect(), &icons);
    t.end();
    EXPECT_EQ(img.pixelColor(0, 0), ToQColor(0xEEE7DD)) << "a titled separator has no gutter";
    bool ink = false;
    for (int x = 10; x < 60 && !ink; ++x)
        for (int y = 0; y < h - 2; ++y)
            ink |= img.pixelColor(x, y) != ToQColor(0xEEE7DD);
    EXPECT_TRUE(ink);

    // An item's image from the image list at (4, 2), next to the gutter.
    QAction* props = menu.addAction(QStringLiteral("&Properties"));
    props->setProperty(TMenuDraw::ImageIndexProperty, 0);
    const int hi = draw.Measure(props, &icons).height();
    img = Canvas({ 150, hi });
    QPainter u(&img);
    draw.DrawItem(u, props, img.rect(), false, &icons);
    u.end();
    EXPECT_EQ(img.pixelColor(4, 2), QColor(Qt::blue));
    EXPECT_EQ(img.pixelColor(19, 17), QColor(Qt::blue));
    EXPECT_EQ(img.pixelColor(3, 2), ToQColor(0xEEEEE9));
    EXPECT_EQ(img.pixelColor(26, 0), ToQColor(0xC5C5C5));
    draw.SetDrawImages(false);
    img = Canvas({ 150, hi });
    QPainter v(&img);
    draw.DrawItem(v, props, img.rect(), false, &icons);
    v.end();
    EXPECT_EQ(img.pixelColor(4, 2), ToQColor(0xEEEEE9));
}

TEST(MenuDraw, AttachOwnerDrawsTopLevelItemsOnly)
{
    QMenu menu;
    QAction* del = menu.addAction(QStringLiteral("&Delete"));
    del->setStatusTip(QStringLiteral("delete selected item"));
    QAction* clear = menu.addAction(QStringLiteral("&Clear"));
    clear->setStatusTip(QStringLiteral("clear all items"));
    QAction* dash = menu.addAction(QStringLiteral("-"));
    QMenu* sub = menu.addMenu(QStringLiteral("More"));
    QAction* inner = sub->addAction(QStringLiteral("Inner"));

    QStyle* appStyle = menu.style();
    auto draw = std::make_unique<TMenuDraw>();
    draw->Attach(&menu);
    EXPECT_EQ(draw->AttachedMenu(), &menu);
    EXPECT_TRUE(dash->isSeparator()) << "a \"-\" caption is a separator";
    EXPECT_TRUE(draw->IsOwnerDrawn(del));
    EXPECT_TRUE(draw->IsOwnerDrawn(dash));
    EXPECT_FALSE(draw->IsOwnerDrawn(inner));
    EXPECT_NE(sub->style(), menu.style());
    QAction* later = menu.addAction(QStringLiteral("Later"));
    EXPECT_FALSE(draw->IsOwnerDrawn(later));

    // Painting through the menu itself: the item background and the separator's lines.
    menu.ensurePolished();
    menu.resize(menu.sizeHint());
    const QImage img = menu.grab().toImage();
    const QRect d = menu.actionGeometry(del), s = menu.actionGeometry(dash);
    EXPECT_EQ(img.pixelColor(d.right() - 1, d.top() + 1), ToQColor(kBackground));
    EXPECT_EQ(img.pixelColor(s.left() + 2, s.bottom() - 1), ToQColor(0xC5C5C5));
    EXPECT_EQ(img.pixelColor(s.left() + 2, s.top()), ToQColor(0xEEE7DD));

    draw.reset(); // the menu outlives the painter and falls back to the application style
    EXPECT_EQ(menu.style(), appStyle);
    menu.grab();
}
