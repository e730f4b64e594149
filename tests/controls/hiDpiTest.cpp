// The skinned controls at a device pixel ratio of 2: ctest runs these cases again as
// "controls_at_scale_2" with QT_SCALE_FACTOR=2, where they must run; at ratio 1 they are skipped.
#include "controls/FSProgressBar.h"
#include "controls/FlatEditUnit.h"
#include "controls/LinePanelUnit.h"
#include "controls/MyButtonEx.h"
#include "controls/MyFlatHintUnit.h"
#include "controls/MyListBox.h"
#include "controls/pngImage.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// A picture composed at 1x and scaled up is made of uniform 2 x 2 blocks; text drawn at the
// device resolution is not. Counts the aligned blocks inside `logical` that hold two colours.
int MixedBlocks(const QImage& image, QRect logical)
{
    const QImage img = image.convertToFormat(QImage::Format_RGB32);
    int mixed = 0;
    for (int y = std::max(logical.top(), 0); y <= logical.bottom() && 2 * y + 1 < img.height(); ++y)
        for (int x = std::max(logical.left(), 0); x <= logical.right() && 2 * x + 1 < img.width(); ++x) {
            const QRgb c = img.pixel(2 * x, 2 * y);
            if (img.pixel(2 * x + 1, 2 * y) != c || img.pixel(2 * x, 2 * y + 1) != c
                || img.pixel(2 * x + 1, 2 * y + 1) != c)
                ++mixed;
        }
    return mixed;
}

// The widget as the screen gets it: its own paint, at its device pixel ratio.
QImage Painted(QWidget& w)
{
    const QPixmap shot = w.grab();
    EXPECT_EQ(shot.devicePixelRatio(), 2.0);
    EXPECT_EQ(shot.size(), w.size() * 2) << "one device pixel per pixel of the screen";
    return shot.toImage();
}

// The run meant for scale 2 (VIDMORPH_SCALE_2_RUN set) fails when the scale was not applied, so
// the suite cannot pass without these cases having run; other runs skip them.
#define REQUIRE_SCALE_2()                                                                                    \
    if (qApp->devicePixelRatio() != 2.0) {                                                                   \
        if (qEnvironmentVariableIsSet("VIDMORPH_SCALE_2_RUN"))                                               \
            FAIL() << "QT_SCALE_FACTOR=2 was not applied: device pixel ratio " << qApp->devicePixelRatio(); \
        GTEST_SKIP() << "needs QT_SCALE_FACTOR=2 (ctest runs it as controls_at_scale_2)";                    \
    }

struct Form {
    QWidget window;
    Form()
    {
        window.resize(480, 240);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
};

} // namespace

TEST(HiDpi, CaptionsUseEveryDevicePixel)
{
    REQUIRE_SCALE_2();
    Form form;
    TMyButtonEx button(&form.window);
    button.SetCaption("Convert");
    button.setGeometry(10, 10, 120, 30);
    TLinePanel panel(&form.window);
    panel.SetCaption("Output folder");
    panel.setGeometry(10, 50, 200, 24);
    TMyFlatComboBox combo(&form.window);
    combo.SetStyle(csDropDownList);
    combo.addItems({ "MP4 video", "WebM video" });
    combo.setGeometry(10, 80, 200, 24);
    TMyFlatEdit edit(&form.window);
    edit.setText("holiday.avi");
    edit.setGeometry(10, 110, 200, 24);
    TMyListBox list(&form.window);
    list.addItems({ "first file.avi", "second file.mov" });
    list.setGeometry(220, 10, 200, 120);
    for (QWidget* w : std::initializer_list<QWidget*> { &button, &panel, &combo, &edit, &list })
        w->show();

    const struct {
        const char* name;
        QWidget* widget;
    } controls[] = { { "push button", &button }, { "line panel", &panel }, { "combo box", &combo },
        { "flat edit", &edit }, { "list box", &list } };
    for (const auto& c : controls)
        EXPECT_GT(MixedBlocks(Painted(*c.widget), c.widget->rect()), 20) << c.name << " drawn at 1x";

    // The pictures the tests read are the painted ones, in logical pixels at the widget's ratio.
    EXPECT_EQ(button.Compose().devicePixelRatio(), 2.0);
    EXPECT_EQ(combo.Render().size(), combo.size() * 2);
    EXPECT_EQ(panel.Render().deviceIndependentSize(), QSizeF(panel.contentsRect().size()));
}

// A skin picture with a @2x companion is drawn from it: the glyph of a button without caption
// (the symbol's anti-aliased edges differ within 2 x 2 blocks only at twice the detail).
TEST(HiDpi, SkinGlyphsUseTheirDoubleSizePictures)
{
    REQUIRE_SCALE_2();
    Form form;
    TMyButtonEx button(&form.window);
    button.SetGlyph(
        TPngImage::FromFile(QStringLiteral(VIDMORPH_SOURCE_DIR "/assets/skin/statusConverted.png")));
    button.setGeometry(10, 10, 40, 30);
    button.show();
    const QRect glyph((40 - 16) / 2, (30 - 16) / 2, 16, 16);
    EXPECT_GT(MixedBlocks(Painted(button), glyph), 10);
}

TEST(HiDpi, HintWindowTextUsesEveryDevicePixel)
{
    REQUIRE_SCALE_2();
    QWidget form;
    TMyFlatHint hint(&form);
    TMyFlatHintWindow& window = *TMyFlatHint::HintWindow();
    window.ActivateHintAt(
        QRect(), QStringLiteral("Converts every file of the list"), QPoint(100, 100), QSize(1024, 768));
    const QImage image = window.Render();
    EXPECT_EQ(image.size(), window.size() * 2);
    EXPECT_GT(MixedBlocks(image, window.rect()), 20);
    window.hide();
}

// Edges and gradients keep their logical geometry: every line is whole logical pixels, so no
// edge is smeared across a device pixel, and the fill ends where it ends at 1x.
TEST(HiDpi, ProgressBarKeepsLogicalGeometry)
{
    REQUIRE_SCALE_2();
    Form form;
    TFSProgressBar bar(&form.window);
    bar.setGeometry(10, 10, 200, 16);
    bar.SetMax(100);
    bar.SetPosition(50);
    bar.show();
    const QImage image = Painted(bar);
    EXPECT_EQ(MixedBlocks(image, bar.rect()), 0);
    const int f = bar.FillLength();
    const QRgb edge = image.pixel(2 * f, 16);
    EXPECT_EQ(image.pixel(2 * f + 1, 16), edge);
    EXPECT_NE(image.pixel(2 * f - 1, 16), edge) << "fill edge at logical column " << f;
    EXPECT_NE(image.pixel(2 * f + 2, 16), edge);
}
