#include "controls/MyButtonEx.h"

#include "imageTestFiles.h"
#include "widgetEvents.h"

#include <QApplication>
#include <QBitmap>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QRgb Rgb(TColor c)
{
    return qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
}

QFont SkinFont()
{
    QFont f(QStringLiteral("Trebuchet MS"));
    f.setPixelSize(12);
    f.setBold(true);
    return f;
}

// The push buttons of the main window and dialogs.
void FormSkin(TMyButtonEx& b)
{
    b.resize(121, 41);
    b.setFont(SkinFont());
    b.SetFontColor(0x8B4215);
    b.SetDefaultColorFrom(0xF1E2D5);
    b.SetDefaultColorTo(0xF1D8C1);
    b.SetClickColorFrom(0xFCEFC6);
    b.SetClickColorTo(0xFFE0C8);
    b.SetBorderColor(0xDBBF9E);
}

TPngImage Solid(int w, int h, QRgb argb)
{
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(argb);
    return TPngImage::FromQImage(img);
}

// The bounding box of pixels that differ from the face colour, inside rows 2 .. H - 2.
QRect Ink(const QImage& img, QRgb face)
{
    QRect box;
    for (int y = 2; y < img.height() - 1; ++y)
        for (int x = 2; x < img.width() - 2; ++x)
            if (img.pixel(x, y) != face)
                box |= QRect(x, y, 1, 1);
    return box;
}

// A shown, active window holding a form-skinned button and a second focusable widget.
struct Fixture {
    QWidget window;
    TMyButtonEx* button;
    QWidget* other;
    PaintCounter counter;
    int clicks = 0;

    Fixture()
    {
        window.resize(300, 120);
        button = new TMyButtonEx(&window);
        FormSkin(*button);
        button->move(10, 10);
        button->SetCaption(QStringLiteral("&OK"));
        button->OnClick = [this](QObject* sender) {
            EXPECT_EQ(sender, button);
            ++clicks;
        };
        other = new QWidget(&window);
        other->setFocusPolicy(Qt::StrongFocus);
        other->setGeometry(200, 10, 20, 20);
        window.show();
        window.activateWindow();
        QApplication::setActiveWindow(&window);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        button->installEventFilter(&counter);
    }
    // A key press through the shortcut map, as a real key press goes (declared by QtTest).
    bool AltKey(int key) { return qt_sendShortcutOverrideEvent(&window, 0, key, Qt::AltModifier); }
};

} // namespace

TEST(MyButtonEx, NewButtonDefaults)
{
    TMyButtonEx b;
    EXPECT_EQ(b.size(), QSize(75, 25));
    EXPECT_EQ(b.DefaultColorFrom(), 0xEEEEEE);
    EXPECT_EQ(b.DefaultColorTo(), 0xE4E4E4);
    EXPECT_EQ(b.ClickColorFrom(), 0xE4E4E4);
    EXPECT_EQ(b.ClickColorTo(), 0xEEEEEE);
    EXPECT_EQ(b.OverColorFrom(), clBlack);
    EXPECT_EQ(b.OverColorTo(), clBlack);
    EXPECT_EQ(b.BorderColor(), 0xC5C5C5);
    EXPECT_FALSE(b.DrawFocus());
    EXPECT_FALSE(b.Default());
    EXPECT_TRUE(b.Enabled());
    EXPECT_TRUE(b.Caption().isEmpty());
    EXPECT_TRUE(b.Glyph().Empty());
    EXPECT_EQ(b.focusPolicy(), Qt::StrongFocus) << "a tab stop";
}

TEST(MyButtonEx, LayoutOfCaptionAndGlyph)
{
    TMyButtonEx b;
    FormSkin(b);
    b.SetCaption(QStringLiteral("&Import"));
    const int tw = QFontMetrics(SkinFont()).horizontalAdvance(QStringLiteral("&Import"));
    TMyButtonEx::Layout l = b.ComputeLayout();
    EXPECT_EQ(l.textWidth, tw) << "the '&' counts in the width";
    EXPECT_EQ(l.x0, (121 - tw) / 2);
    EXPECT_EQ(l.captionRect, MakeRect(l.x0, 0, l.x0 + tw, 41));
    EXPECT_TRUE(l.glyphRect.isEmpty());

    b.SetGlyph(Solid(16, 16, 0xFFFF0000));
    l = b.ComputeLayout();
    const int x0 = (121 - 16 - tw - 3) / 2;
    EXPECT_EQ(l.x0, x0);
    EXPECT_EQ(l.glyphRect, QRect(x0, 12, 16, 16)) << "Yg = (41 - 16) div 2";
    EXPECT_EQ(l.captionRect, MakeRect(x0 + 19, 0, x0 + 19 + tw, 41));

    // Pressed: glyph 2 right and down, caption from X0 + GW + 5 and 2 down.
    b.Click();
    l = b.ComputeLayout();
    EXPECT_EQ(l.glyphRect, QRect(x0 + 2, 14, 16, 16));
    EXPECT_EQ(l.captionRect, MakeRect(x0 + 21, 2, x0 + 21 + tw, 43));
    b.SetGlyph(TPngImage());
    l = b.ComputeLayout();
    EXPECT_EQ(l.captionRect, MakeRect((121 - tw) / 2, 2, (121 - tw) / 2 + tw, 43)) << "no sideways shift";
    b.SetEnabled(true);

    // Integer division truncates toward zero, also for a caption wider than the button.
    b.resize(11, 41);
    b.SetCaption(QStringLiteral("A much too long caption"));
    const int wide = QFontMetrics(SkinFont()).horizontalAdvance(b.Caption());
    EXPECT_EQ(b.ComputeLayout().x0, (11 - wide) / 2);

    // A glyph taller than the button is centred (rounded down) and clipped; painting still works.
    b.resize(121, 41);
    b.SetCaption(QStringLiteral("OK"));
    b.SetGlyph(Solid(8, 60, 0xFF0000FF));
    l = b.ComputeLayout();
    EXPECT_EQ(l.glyphRect.top(), -10);
    const QImage img = b.Compose();
    EXPECT_EQ(img.pixel(l.x0 + 3, 1), qRgb(0, 0, 255));
    EXPECT_EQ(img.pixel(l.x0 + 3, 39), qRgb(0, 0, 255));
}

TEST(MyButtonEx, FaceGradientWhiteLinesAndBorder)
{
    TMyButtonEx b;
    FormSkin(b);
    const QImage img = b.Compose();
    const int h = 41;
    for (int y = 2; y < h - 2; ++y) {
        SCOPED_TRACE(y);
        auto ch = [y](int from, int to) { return RoundHalfEven(double(to - from) / h * y + from); };
        const QRgb expected = qRgb(ch(0xD5, 0xC1), ch(0xE2, 0xD8), ch(0xF1, 0xF1));
        EXPECT_EQ(img.pixel(1, y), expected);
        EXPECT_EQ(img.pixel(118, y), expected) << "last gradient column is W - 3";
        EXPECT_EQ(img.pixel(119, y), qRgb(255, 255, 255)) << "white line at W - 2";
        EXPECT_EQ(img.pixel(0, y), Rgb(0xDBBF9E)) << "border";
        EXPECT_EQ(img.pixel(120, y), Rgb(0xDBBF9E)) << "border";
    }
    for (int x = 2; x < 119; ++x) {
        EXPECT_EQ(img.pixel(x, 0), Rgb(0xDBBF9E)) << x;
        EXPECT_EQ(img.pixel(x, 40), Rgb(0xDBBF9E)) << x;
        EXPECT_EQ(img.pixel(x, 1), qRgb(255, 255, 255)) << "white line at row 1, x " << x;
    }
    // Rounded corners: the outer corner pixels are not border.
    EXPECT_NE(img.pixel(0, 0), Rgb(0xDBBF9E));
    EXPECT_EQ(img.pixel(1, 1), Rgb(0xDBBF9E));

    // Pressed face uses the click colours.
    b.Click();
    const QImage pressed = b.Compose();
    EXPECT_EQ(pressed.pixel(5, 20),
        qRgb(RoundHalfEven(0xC6 + (0xC8 - 0xC6) * 20.0 / 41), RoundHalfEven(0xEF + (0xE0 - 0xEF) * 20.0 / 41),
            RoundHalfEven(0xFC + (0xFF - 0xFC) * 20.0 / 41)));

    // Equal colours: one flat face, no white lines.
    TMyButtonEx flat;
    FormSkin(flat);
    flat.SetDefaultColorTo(0xF1E2D5);
    const QImage f = flat.Compose();
    EXPECT_EQ(f.pixel(60, 1), Rgb(0xF1E2D5));
    EXPECT_EQ(f.pixel(119, 20), Rgb(0xF1E2D5));
    EXPECT_EQ(f.pixel(3, 3), Rgb(0xF1E2D5));

    // Channel rounding is half to even: 0 -> 1 over 4 rows gives 0.5 at row 2.
    TMyButtonEx tiny;
    tiny.resize(10, 4);
    tiny.SetDefaultColorFrom(RGBColor(0, 0, 0));
    tiny.SetDefaultColorTo(RGBColor(2, 0, 4));
    EXPECT_EQ(tiny.Compose().pixel(3, 2), qRgb(1, 0, 2));
    tiny.SetDefaultColorTo(RGBColor(1, 0, 0));
    EXPECT_EQ(qRed(tiny.Compose().pixel(3, 2)), 0);
}

TEST(MyButtonEx, CaptionDrawing)
{
    TMyButtonEx b;
    FormSkin(b);
    b.SetDefaultColorTo(b.DefaultColorFrom()); // flat face, so every other pixel is ink
    b.SetFontColor(clRed);
    b.SetCaption(QStringLiteral("Wy"));
    const QRgb face = Rgb(0xF1E2D5);
    const TMyButtonEx::Layout l = b.ComputeLayout();
    const QRect ink = Ink(b.Compose(), face);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_TRUE(l.captionRect.contains(ink)) << "the caption stays in its rectangle";
    EXPECT_LE(std::abs((ink.top() + ink.bottom()) - 41), 8) << "roughly centred vertically";

    // The accelerator letter is underlined: ink reaches lower than without the '&'.
    b.SetCaption(QStringLiteral("W"));
    const int plainBottom = Ink(b.Compose(), face).bottom();
    b.SetCaption(QStringLiteral("&W"));
    EXPECT_GT(Ink(b.Compose(), face).bottom(), plainBottom);

    // Disabled: grey caption 0xC0C0C0 (antialiased against the face, so only greys appear).
    b.SetCaption(QStringLiteral("Wy"));
    b.SetEnabled(false);
    const QImage off = b.Compose();
    bool sawGrey = false;
    for (int y = ink.top(); y <= ink.bottom(); ++y)
        for (int x = ink.left(); x <= ink.right(); ++x) {
            const QRgb p = off.pixel(x, y);
            EXPECT_LE(qRed(p), 0xF1);
            sawGrey |= p == qRgb(0xC0, 0xC0, 0xC0);
        }
    EXPECT_TRUE(sawGrey);
}

TEST(MyButtonEx, GlyphAndItsDisabledFade)
{
    TMyButtonEx b;
    FormSkin(b);
    b.SetDefaultColorFrom(clWhite);
    b.SetDefaultColorTo(clWhite);
    b.SetGlyph(Solid(16, 16, 0xFFFF0000));
    const QRect g = b.ComputeLayout().glyphRect;
    EXPECT_EQ(b.Compose().pixel(g.left(), g.top()), qRgb(255, 0, 0));
    EXPECT_EQ(b.Compose().pixel(g.right(), g.bottom()), qRgb(255, 0, 0));

    b.SetEnabled(false);
    const QRgb faded = b.Compose().pixel(g.left() + 5, g.top() + 5);
    // red at alpha 51 over white: 255, 255 x 204 / 255 = 204
    EXPECT_EQ(qRed(faded), 255);
    EXPECT_NEAR(qGreen(faded), 204, 1);
    EXPECT_EQ(b.Glyph().Alpha(0, 0), 255) << "the glyph itself is never faded";

    // Alpha images: alpha x 51 / 256, halves to even.
    QImage src(4, 1, QImage::Format_ARGB32);
    src.setPixel(0, 0, qRgba(1, 2, 3, 255));
    src.setPixel(1, 0, qRgba(1, 2, 3, 128));
    src.setPixel(2, 0, qRgba(1, 2, 3, 0));
    src.setPixel(3, 0, qRgba(1, 2, 3, 10));
    TPngImage rgba = TPngImage::FromQImage(src);
    FadeGlyph(rgba);
    EXPECT_EQ(rgba.Alpha(0, 0), 51);
    EXPECT_EQ(rgba.Alpha(1, 0), 26); // 25.5
    EXPECT_EQ(rgba.Alpha(2, 0), 0);
    EXPECT_EQ(rgba.Alpha(3, 0), 2); // 1.99
    EXPECT_EQ(rgba.PixelColor(1, 0), RGBColor(1, 2, 3));

    auto decode = [](PngPlan s) { return TPngImage::FromBytes(EncodePng(s)); };
    // Palette and grey images become RGBA with alpha 50; the tRNS-transparent pixels get 0.
    PngPlan pal;
    pal.width = 3;
    pal.colorType = PNG_COLOR_TYPE_PALETTE;
    pal.rows = { { 0, 1, 2 } };
    pal.palette = { { 9, 9, 9 }, { 200, 100, 50 }, { 1, 1, 1 } };
    pal.trnsAlpha = { 255, 0, 128 };
    TPngImage palette = decode(pal);
    FadeGlyph(palette);
    EXPECT_EQ(palette.ColorType(), ctRGBAlpha);
    EXPECT_EQ(palette.Alpha(0, 0), 50);
    EXPECT_EQ(palette.Alpha(1, 0), 0);
    EXPECT_EQ(palette.Alpha(2, 0), 50) << "a partly transparent entry fades like the opaque ones";
    EXPECT_EQ(palette.PixelColor(0, 0), RGBColor(9, 9, 9));
    pal.trnsAlpha = { 1, 254, 128 }; // partial alpha only: nothing is the transparent colour
    TPngImage partial = decode(pal);
    FadeGlyph(partial);
    for (int x = 0; x < 3; ++x)
        EXPECT_EQ(partial.Alpha(x, 0), 50) << x;

    PngPlan grey;
    grey.width = 2;
    grey.colorType = PNG_COLOR_TYPE_GRAY;
    grey.rows = { { 7, 8 } };
    TPngImage plainGrey = decode(grey);
    FadeGlyph(plainGrey);
    EXPECT_EQ(plainGrey.Alpha(0, 0), 50);
    grey.hasTrnsColor = true;
    grey.trnsColor.gray = 8;
    TPngImage keyedGrey = decode(grey);
    FadeGlyph(keyedGrey);
    EXPECT_EQ(keyedGrey.Alpha(0, 0), 50);
    EXPECT_EQ(keyedGrey.Alpha(1, 0), 0);

    // Colour without alpha: an opaque channel first, then x 51 / 256; the tRNS colour at 0.
    PngPlan rgb;
    rgb.width = 2;
    rgb.colorType = PNG_COLOR_TYPE_RGB;
    rgb.rows = { { 1, 2, 3, 4, 5, 6 } };
    rgb.hasTrnsColor = true;
    rgb.trnsColor.red = 4;
    rgb.trnsColor.green = 5;
    rgb.trnsColor.blue = 6;
    TPngImage keyed = decode(rgb);
    FadeGlyph(keyed);
    EXPECT_EQ(keyed.Alpha(0, 0), 51);
    EXPECT_EQ(keyed.Alpha(1, 0), 0);

    PngPlan greyAlpha;
    greyAlpha.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
    greyAlpha.rows = { { 7, 255 } };
    TPngImage ga = decode(greyAlpha);
    FadeGlyph(ga);
    EXPECT_EQ(ga.ColorType(), ctGrayscaleAlpha);
    EXPECT_EQ(ga.Alpha(0, 0), 51);
}

TEST(MyButtonEx, MouseClickRules)
{
    Fixture f;
    f.other->setFocus();
    EXPECT_FALSE(f.button->hasFocus());
    Press(f.button, QPoint(20, 20));
    EXPECT_TRUE(f.button->Pressed());
    EXPECT_TRUE(f.button->hasFocus()) << "a press takes the focus";
    EXPECT_GE(f.counter.paints, 1) << "repainted at once";
    EXPECT_EQ(f.clicks, 0);
    Release(f.button, QPoint(20, 20));
    EXPECT_FALSE(f.button->Pressed());
    EXPECT_EQ(f.clicks, 1);

    // Out and released outside: the first move out ends the press, the release clicks nothing.
    Press(f.button, QPoint(20, 20));
    Move(f.button, QPoint(120, 40));
    EXPECT_TRUE(f.button->Pressed()) << "still inside";
    Move(f.button, QPoint(121, 40));
    EXPECT_FALSE(f.button->Pressed());
    Release(f.button, QPoint(150, 50));
    EXPECT_EQ(f.clicks, 1);

    Press(f.button, QPoint(20, 20), Qt::RightButton);
    EXPECT_FALSE(f.button->Pressed()) << "only the left button presses";
    Release(f.button, QPoint(20, 20), Qt::RightButton);
    EXPECT_EQ(f.clicks, 1);

    // Disabled: the press is ignored; re-enabling clears any pressed state.
    f.button->SetEnabled(false);
    Press(f.button, QPoint(20, 20));
    EXPECT_FALSE(f.button->Pressed());
    Release(f.button, QPoint(20, 20));
    EXPECT_EQ(f.clicks, 1);
    f.button->SetEnabled(true);

    // Colour, caption and glyph writers only invalidate.
    const int before = f.counter.paints;
    f.button->SetBorderColor(0x123456);
    f.button->SetCaption(QStringLiteral("&OK"));
    f.button->SetGlyph(Solid(2, 2, 0xFF000000));
    EXPECT_EQ(f.counter.paints, before);
    f.button->SetEnabled(true);
    EXPECT_EQ(f.counter.paints, before + 1) << "SetEnabled repaints at once";
}

TEST(MyButtonEx, AcceleratorClicksAndLeavesThePressedFace)
{
    Fixture f;
    QAction action;
    int triggered = 0;
    QObject::connect(&action, &QAction::triggered, [&] { ++triggered; });
    f.button->SetAction(&action);

    const int before = f.counter.paints;
    EXPECT_TRUE(f.AltKey(Qt::Key_O));
    EXPECT_EQ(f.clicks, 1);
    EXPECT_EQ(triggered, 1) << "the accelerator path runs the action";
    EXPECT_TRUE(f.button->Pressed());
    EXPECT_EQ(f.counter.paints, before) << "no repaint";

    // The next paint shows the pressed face; a focus change repaints at once.
    f.other->setFocus();
    EXPECT_GT(f.counter.paints, before);
    EXPECT_EQ(f.button->grab().toImage().pixel(5, 20), f.button->Compose().pixel(5, 20));
    EXPECT_EQ(f.button->Compose().pixel(5, 20),
        qRgb(RoundHalfEven(0xC6 + 2 * 20.0 / 41), RoundHalfEven(0xEF - 15 * 20.0 / 41),
            RoundHalfEven(0xFC + 3 * 20.0 / 41)));

    // A release on the button ends it (and clicks, as any release while pressed does).
    Release(f.button, QPoint(20, 20));
    EXPECT_FALSE(f.button->Pressed());
    EXPECT_EQ(f.clicks, 2);
    EXPECT_EQ(triggered, 1) << "the mouse path does not run the action";

    f.AltKey(Qt::Key_K);
    EXPECT_EQ(f.clicks, 2) << "not the accelerator";

    f.button->SetEnabled(false);
    f.AltKey(Qt::Key_O);
    EXPECT_EQ(f.clicks, 2) << "a button that cannot take the focus ignores its accelerator";
    f.button->SetEnabled(true);

    f.button->SetCaption(QStringLiteral("Save && &Quit"));
    f.AltKey(Qt::Key_O);
    EXPECT_EQ(f.clicks, 2) << "the old accelerator is gone";
    f.AltKey(Qt::Key_Q);
    EXPECT_EQ(f.clicks, 3);
}

TEST(MyButtonEx, FocusFrameAndWindowShape)
{
    Fixture f;
    f.button->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.button->hasFocus(); }));
    const QImage face = f.button->Compose();
    EXPECT_EQ(f.button->grab().toImage().convertToFormat(QImage::Format_RGB32).pixel(4, 4), face.pixel(4, 4))
        << "no frame while DrawFocus is off";

    f.button->SetDrawFocus(true);
    const QImage shown = f.button->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown.pixel(4, 4), face.pixel(4, 4) ^ 0x00FFFFFF) << "dotted frame at (4, 4)";
    EXPECT_EQ(shown.pixel(5, 4), face.pixel(5, 4)) << "dotted";
    EXPECT_EQ(shown.pixel(116, 20), face.pixel(116, 20) ^ 0x00FFFFFF) << "right side at W - 5";
    EXPECT_EQ(shown.pixel(20, 20), face.pixel(20, 20));

    // The window is a rounded rectangle: corners cut, edges kept.
    const QRegion mask = f.button->mask();
    EXPECT_FALSE(mask.contains(QPoint(0, 0)));
    EXPECT_FALSE(mask.contains(QPoint(1, 0)));
    EXPECT_TRUE(mask.contains(QPoint(2, 0)));
    EXPECT_TRUE(mask.contains(QPoint(0, 2)));
    EXPECT_TRUE(mask.contains(QPoint(60, 20)));
    EXPECT_TRUE(mask.contains(QPoint(120, 20)));
}
