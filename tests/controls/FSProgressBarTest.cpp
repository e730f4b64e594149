#include "controls/FSProgressBar.h"

#include "widgetEvents.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QRgb Rgb(TColor c)
{
    return qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
}

// The colour of gradient line i of n between two colours: a running sum that starts at the start
// component and adds (end - start) / n once per line, rounded half to even.
QRgb Blend(TColor from, TColor to, int i, int n)
{
    auto ch = [&](int a, int b) {
        double v = a;
        for (int k = 0; k < i; ++k)
            v += double(b - a) / n;
        return RoundHalfEven(v);
    };
    return qRgb(ch(GetRValue(from), GetRValue(to)), ch(GetGValue(from), GetGValue(to)),
        ch(GetBValue(from), GetBValue(to)));
}

void ExpectBorder(const QImage& img, TColor border)
{
    for (int x = 0; x < img.width(); ++x) {
        ASSERT_EQ(img.pixel(x, 0), Rgb(border)) << x;
        ASSERT_EQ(img.pixel(x, img.height() - 1), Rgb(border)) << x;
    }
    for (int y = 0; y < img.height(); ++y) {
        ASSERT_EQ(img.pixel(0, y), Rgb(border)) << y;
        ASSERT_EQ(img.pixel(img.width() - 1, y), Rgb(border)) << y;
    }
}

// The main window's bar.
void SetFormColours(TFSProgressBar& bar)
{
    bar.SetColorScheme(csCustom);
    bar.SetColorBorder(0xE3B28D);
    bar.SetBackColorFace(0xC6ECFF);
    bar.SetBackColorGrad(clWhite);
    bar.SetForeColorFace(0x9BDEFF);
    bar.SetForeColorGrad(0x007BB7);
}

} // namespace

TEST(FSProgressBar, NewBarIsDesertWithoutFill)
{
    TFSProgressBar bar;
    EXPECT_EQ(bar.width(), 200);
    EXPECT_EQ(bar.height(), 16);
    EXPECT_EQ(bar.ColorScheme(), csDesert);
    EXPECT_EQ(bar.ColorBorder(), 0x005680);
    EXPECT_EQ(bar.BackColorFace(), 0xC6ECFF);
    EXPECT_EQ(bar.BackColorGrad(), 0xFFFFFF);
    EXPECT_EQ(bar.ForeColorFace(), 0x9BDEFF);
    EXPECT_EQ(bar.ForeColorGrad(), 0x007BB7);
    EXPECT_EQ(bar.Min(), 0);
    EXPECT_EQ(bar.Max(), 100);
    EXPECT_EQ(bar.Step(), 10);
    EXPECT_EQ(bar.Position(), 0);
    EXPECT_EQ(bar.Orientation(), pbHorizontal);

    const QImage img = bar.Compose();
    ExpectBorder(img, 0x005680);
    // Column 1 is the first edge line in the colour of (1, 1); from column 2 on the background.
    for (int y = 1; y < 15; ++y) {
        EXPECT_EQ(img.pixel(1, y), Blend(0xC6ECFF, 0xFFFFFF, 1, 14)) << y;
        for (int x : { 2, 100, 198 })
            EXPECT_EQ(img.pixel(x, y), Blend(0xC6ECFF, 0xFFFFFF, y, 14)) << x << "," << y;
    }
}

TEST(FSProgressBar, GradientIsARunningSumSoNearHalvesRoundItsWay)
{
    // Red from 1 to 0 over N = 6 lines: the sum after three steps is 0.5000000000000001, not the
    // exact half 0.5 (which would round to the even 0), so row 3 is red 1.
    TFSProgressBar bar;
    bar.resize(20, 8);
    bar.SetBackColorFace(RGBColor(1, 0, 0));
    bar.SetBackColorGrad(RGBColor(0, 0, 0));
    EXPECT_EQ(qRed(bar.Compose().pixel(5, 3)), 1);
    EXPECT_EQ(qRed(bar.Compose().pixel(5, 4)), 0);

    // The same in the fill (N = H = 6 in a bar 6 high) and in column mode.
    bar.resize(20, 6);
    bar.SetForeColorFace(RGBColor(1, 1, 1));
    bar.SetForeColorGrad(RGBColor(0, 8, 96));
    bar.SetPosition(100);
    EXPECT_EQ(bar.Compose().pixel(5, 3), qRgb(1, 5, 49)) << "4.5 -> 5, 48.5 -> 49";
    bar.SetOrientation(pbVertical);
    bar.resize(6, 20);
    EXPECT_EQ(bar.Compose().pixel(3, 10), qRgb(1, 5, 49));
}

TEST(FSProgressBar, ColourWritersAndSchemes)
{
    TFSProgressBar bar;
    bar.SetForeColorGrad(0x123456);
    EXPECT_EQ(bar.ColorScheme(), csCustom);
    EXPECT_EQ(bar.ForeColorGrad(), 0x123456);
    EXPECT_EQ(bar.ColorBorder(), 0x005680) << "the other four colours stay";
    EXPECT_EQ(bar.BackColorFace(), 0xC6ECFF);
    EXPECT_EQ(bar.BackColorGrad(), 0xFFFFFF);
    EXPECT_EQ(bar.ForeColorFace(), 0x9BDEFF);

    bar.SetColorScheme(csGrass);
    bar.SetColor(TBarColor(7), 0x111111); // unknown selector: writes nothing, still custom
    EXPECT_EQ(bar.ColorScheme(), csCustom);
    EXPECT_EQ(bar.ColorBorder(), 0x156F37);
    EXPECT_EQ(bar.ForeColorGrad(), 0x28C162);

    bar.SetColorScheme(csCustom);
    EXPECT_EQ(bar.ForeColorGrad(), 0x28C162) << "csCustom changes no colour";

    // Loading in stored order: colours then a named scheme ends with the scheme's colours.
    bar.SetColorBorder(0x010101);
    bar.SetColorScheme(csToxic);
    EXPECT_EQ(bar.ColorScheme(), csToxic);
    EXPECT_EQ(bar.ColorBorder(), 0x000000);
    EXPECT_EQ(bar.BackColorFace(), 0x2C5656);
    EXPECT_EQ(bar.BackColorGrad(), 0x3E7B7B);
    EXPECT_EQ(bar.ForeColorFace(), 0xBCDEDE);
    EXPECT_EQ(bar.ForeColorGrad(), 0x468E8E);
    bar.SetColorScheme(csSky);
    EXPECT_EQ(bar.ColorBorder(), 0xB35900);
    EXPECT_EQ(bar.ForeColorGrad(), 0xFFAE5E);
}

TEST(FSProgressBar, RangeWritersRefuseInvertedValues)
{
    TFSProgressBar bar;
    bar.SetPosition(-1);
    EXPECT_EQ(bar.Position(), 0) << "below Min is ignored";
    bar.SetPosition(150);
    EXPECT_EQ(bar.Position(), 150) << "no upper bound check";
    bar.SetMin(101);
    EXPECT_EQ(bar.Min(), 0);
    bar.SetMax(-1);
    EXPECT_EQ(bar.Max(), 100);
    bar.SetMin(100);
    EXPECT_EQ(bar.Min(), 100);
    bar.SetMax(100);
    EXPECT_EQ(bar.Max(), 100);
    bar.SetStep(-3);
    EXPECT_EQ(bar.Step(), -3);

    // Min = Max: nothing divides by zero, no fill is drawn.
    bar.resize(20, 8);
    EXPECT_EQ(bar.FillLength(), 0);
    const QImage img = bar.Compose();
    EXPECT_EQ(img.pixel(5, 3), Blend(0xC6ECFF, 0xFFFFFF, 3, 6));

    // A huge range does not overflow the fill length.
    bar.SetMax(2000000000);
    bar.SetMin(-2000000000);
    bar.SetPosition(0);
    EXPECT_EQ(bar.FillLength(), 9);
}

TEST(FSProgressBar, HorizontalPictureAtTheFormSize)
{
    TFSProgressBar bar;
    bar.resize(828, 17);
    SetFormColours(bar);
    bar.SetPosition(50);
    EXPECT_EQ(bar.FillLength(), 413);
    const QImage img = bar.Compose();
    ExpectBorder(img, 0xE3B28D);
    for (int y = 1; y < 16; ++y) {
        SCOPED_TRACE(y);
        const QRgb fill = Blend(0x9BDEFF, 0x007BB7, y, 17);
        EXPECT_EQ(img.pixel(1, y), Blend(0x9BDEFF, 0x007BB7, 1, 17)) << "first edge: colour of (1, 1)";
        EXPECT_EQ(img.pixel(2, y), fill);
        EXPECT_EQ(img.pixel(412, y), fill);
        EXPECT_EQ(img.pixel(413, y), Blend(0x9BDEFF, 0x007BB7, 15, 17)) << "fill edge: colour of (2, H - 2)";
        EXPECT_EQ(img.pixel(414, y), Blend(0xC6ECFF, 0xFFFFFF, y, 15));
        EXPECT_EQ(img.pixel(826, y), Blend(0xC6ECFF, 0xFFFFFF, y, 15));
    }

    // Full: W - 2 fill pixels; the column at W - 2 is the edge line, the last one the border.
    bar.SetPosition(100);
    EXPECT_EQ(bar.FillLength(), 826);
    QImage full = bar.Compose();
    EXPECT_EQ(full.pixel(825, 8), Blend(0x9BDEFF, 0x007BB7, 8, 17));
    EXPECT_EQ(full.pixel(826, 8), Blend(0x9BDEFF, 0x007BB7, 15, 17));
    EXPECT_EQ(full.pixel(827, 8), Rgb(0xE3B28D));

    // Beyond Max the fill is clipped by the bitmap: no edge line, fill up to the border.
    bar.SetPosition(150);
    full = bar.Compose();
    EXPECT_EQ(full.pixel(826, 8), Blend(0x9BDEFF, 0x007BB7, 8, 17));
    EXPECT_EQ(full.pixel(827, 8), Rgb(0xE3B28D));
}

TEST(FSProgressBar, RoundingIsHalfToEven)
{
    TFSProgressBar bar;
    bar.resize(10, 6);
    bar.SetColorScheme(csCustom);
    bar.SetBackColorFace(RGBColor(0, 0, 0));
    bar.SetBackColorGrad(RGBColor(2, 0, 0));
    bar.SetForeColorFace(RGBColor(0, 0, 0));
    bar.SetForeColorGrad(RGBColor(3, 0, 0));
    bar.SetMax(16);
    // Fill length 8 x P / 16: 0.5 -> 0, 1.5 -> 2, 2.5 -> 2, 3.5 -> 4.
    const int expected[] = { 0, 2, 2, 4 };
    for (int i = 0; i < 4; ++i) {
        bar.SetPosition(2 * i + 1);
        EXPECT_EQ(bar.FillLength(), expected[i]) << "position " << 2 * i + 1;
    }
    bar.SetPosition(8); // F = 4
    const QImage img = bar.Compose();
    // Fill rows: 3 y / 6 = 0.5, 1, 1.5, 2 -> 0, 1, 2, 2. Background rows: 2 y / 4 = 0.5, 1, 1.5, 2.
    const int fillRed[] = { 0, 1, 2, 2 }, backRed[] = { 0, 1, 2, 2 };
    for (int y = 1; y <= 4; ++y) {
        EXPECT_EQ(qRed(img.pixel(3, y)), fillRed[y - 1]) << y;
        EXPECT_EQ(qRed(img.pixel(6, y)), backRed[y - 1]) << y;
    }
}

TEST(FSProgressBar, VerticalPicture)
{
    TFSProgressBar bar;
    bar.resize(8, 20);
    bar.SetColorScheme(csCustom);
    bar.SetBackColorFace(RGBColor(0, 0, 0));
    bar.SetBackColorGrad(RGBColor(60, 0, 0));
    bar.SetForeColorFace(RGBColor(0, 0, 0));
    bar.SetForeColorGrad(RGBColor(0, 80, 0));
    bar.SetOrientation(pbVertical);
    bar.SetPosition(50);
    EXPECT_EQ(bar.FillTop(), 20 - (9 + 1));
    const QImage img = bar.Compose();
    ExpectBorder(img, bar.ColorBorder());
    for (int x = 1; x < 7; ++x) {
        SCOPED_TRACE(x);
        EXPECT_EQ(img.pixel(x, 5), Blend(RGBColor(0, 0, 0), RGBColor(60, 0, 0), x, 6)) << "background column";
        EXPECT_EQ(img.pixel(x, 12), Blend(RGBColor(0, 0, 0), RGBColor(0, 80, 0), x, 8)) << "fill column";
        EXPECT_EQ(img.pixel(x, 18), Blend(RGBColor(0, 0, 0), RGBColor(0, 80, 0), 2, 8)) << "edge at H - 2";
        EXPECT_EQ(img.pixel(x, 10), Blend(RGBColor(0, 0, 0), RGBColor(0, 80, 0), 5, 8)) << "edge at T";
    }
    bar.SetPosition(0);
    EXPECT_EQ(bar.FillTop(), 19);
    EXPECT_EQ(bar.Compose().pixel(3, 10), Blend(RGBColor(0, 0, 0), RGBColor(60, 0, 0), 3, 6));
}

TEST(FSProgressBar, TinyBarsPaintWithoutFailing)
{
    TFSProgressBar bar;
    for (QSize s : { QSize(0, 0), QSize(1, 1), QSize(2, 2), QSize(50, 2), QSize(2, 50), QSize(3, 3) }) {
        for (TProgressBarOrientation o : { pbHorizontal, pbVertical }) {
            bar.SetOrientation(o);
            bar.resize(s);
            bar.SetPosition(60);
            const QImage img = bar.Compose();
            ASSERT_EQ(img.size(), s);
            if (s.height() == 2 || s.width() == 2) {
                for (int y = 0; y < img.height(); ++y)
                    for (int x = 0; x < img.width(); ++x)
                        ASSERT_EQ(img.pixel(x, y), Rgb(bar.ColorBorder())) << "all border";
            }
        }
    }
}

TEST(FSProgressBar, PositionRepaintsAtOnceColoursInvalidate)
{
    QWidget window;
    window.resize(300, 100);
    auto* bar = new TFSProgressBar(&window);
    bar->move(10, 10);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    PaintCounter counter;
    bar->installEventFilter(&counter);

    bar->SetPosition(40);
    EXPECT_EQ(counter.paints, 1) << "Position repaints at once";
    bar->SetMax(90);
    bar->SetMin(5);
    bar->SetStep(3);
    EXPECT_EQ(counter.paints, 4);
    bar->SetColorBorder(0x00FF00);
    bar->SetColorScheme(csRose);
    bar->SetOrientation(pbVertical);
    EXPECT_EQ(counter.paints, 4) << "colours, scheme and orientation only invalidate";
    EXPECT_TRUE(QTest::qWaitFor([&] { return counter.paints >= 5; })) << "the invalidated bar paints later";

    // What the screen shows is the composed picture.
    EXPECT_EQ(bar->grab().toImage().convertToFormat(QImage::Format_RGB32), bar->Compose());

    bar->hide();
    counter.paints = 0;
    bar->SetPosition(70);
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 0) << "a hidden bar draws nothing";
    EXPECT_EQ(bar->Position(), 70);

    TFSProgressBar orphan; // no parent, never shown
    orphan.SetPosition(10);
    EXPECT_EQ(orphan.Position(), 10);
}

TEST(FSProgressBar, LeftClickRaisesOnClick)
{
    TFSProgressBar bar;
    int clicks = 0, downs = 0;
    bar.OnClick = [&](QObject* sender) {
        EXPECT_EQ(sender, &bar);
        ++clicks;
    };
    bar.OnMouseDown = [&](QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int x, int y) {
        EXPECT_EQ(QPoint(x, y), QPoint(5, 6));
        ++downs;
    };
    Click(&bar, QPoint(5, 6));
    Click(&bar, QPoint(5, 6), Qt::RightButton);
    EXPECT_EQ(downs, 2);
    EXPECT_EQ(clicks, 1);
}
