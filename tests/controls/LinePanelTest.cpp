#include "controls/LinePanelUnit.h"

#include <QGuiApplication>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

// Bounding box of the pixels that differ from the background colour.
QRect Ink(const QImage& img, QColor background)
{
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixelColor(x, y) != background)
                box |= QRect(x, y, 1, 1);
    return box;
}

TLinePanel* CaptionPanel(QWidget* parent, TAlignment alignment)
{
    auto* panel = new TLinePanel(parent);
    QFont f(QStringLiteral("Trebuchet MS"));
    f.setPixelSize(16);
    panel->setFont(f);
    panel->SetColor(clBlack);
    QPalette pal = panel->palette();
    pal.setColor(QPalette::WindowText, Qt::white);
    panel->setPalette(pal);
    panel->SetAlignment(alignment);
    panel->SetCaption(QStringLiteral("Caption"));
    return panel;
}

} // namespace

TEST(LinePanel, DefaultsAndEdgeLines)
{
    TLinePanel panel;
    EXPECT_EQ(panel.size(), QSize(185, 41));
    EXPECT_EQ(panel.LineColor(), 0xB99D7F);
    EXPECT_EQ(panel.LineBorders(), TLineBorders());
    EXPECT_EQ(panel.Alignment(), taCenter);
    EXPECT_TRUE(panel.ParentColor());
    EXPECT_EQ(panel.BorderWidth(), 0);

    panel.SetColor(0xFFDBBF);
    panel.SetLineColor(0xE3B28D);
    const QColor line = ToQColor(0xE3B28D), back = ToQColor(0xFFDBBF);
    EXPECT_EQ(panel.Render().pixelColor(0, 0), back) << "no lines on the forms";

    panel.SetLineBorders({ lbTop, lbBottom });
    EXPECT_EQ(panel.LineBorders().Bits(), 0b1001);
    QImage img = panel.Render();
    for (int x : { 0, 92, 184 }) {
        EXPECT_EQ(img.pixelColor(x, 0), line);
        EXPECT_EQ(img.pixelColor(x, 40), line);
        EXPECT_EQ(img.pixelColor(x, 1), back);
        EXPECT_EQ(img.pixelColor(x, 39), back);
    }
    EXPECT_EQ(img.pixelColor(0, 20), back);

    panel.SetLineBorders({ lbLeft, lbRight });
    img = panel.Render();
    EXPECT_EQ(img.pixelColor(0, 20), line);
    EXPECT_EQ(img.pixelColor(184, 20), line);
    EXPECT_EQ(img.pixelColor(184, 40), line);
    EXPECT_EQ(img.pixelColor(1, 20), back);
    EXPECT_EQ(img.pixelColor(92, 0), back);

    // With a border the client area shrinks and the lines move inside it.
    panel.SetLineBorders(TLineBorders::FromBits(0xFF));
    EXPECT_EQ(panel.LineBorders().Bits(), 0x0F);
    panel.SetBorderWidth(5);
    EXPECT_EQ(panel.contentsRect(), QRect(5, 5, 175, 31));
    img = panel.grab().toImage();
    EXPECT_EQ(img.pixelColor(2, 2), back) << "border filled in Color";
    EXPECT_EQ(img.pixelColor(5, 5), line);
    EXPECT_EQ(img.pixelColor(179, 35), line);
    EXPECT_EQ(img.pixelColor(4, 20), back);
    EXPECT_EQ(img.pixelColor(180, 20), back);
}

TEST(LinePanel, ParentColourFollowsTheParent)
{
    QWidget parent;
    QPalette pal = parent.palette();
    pal.setColor(QPalette::Window, QColor(0x81, 0xA4, 0xD1));
    parent.setPalette(pal);
    TLinePanel panel(&parent);
    EXPECT_EQ(panel.Color(), 0xD1A481);
    EXPECT_EQ(panel.Render().pixelColor(10, 10), QColor(0x81, 0xA4, 0xD1));

    TLinePanel inner(&panel);
    panel.SetColor(0xEEEAE9);
    EXPECT_FALSE(panel.ParentColor());
    EXPECT_EQ(inner.Color(), 0xEEEAE9) << "a nested panel takes the panel's colour";
    panel.SetParentColor(true);
    EXPECT_EQ(panel.Color(), 0xD1A481);
}

TEST(LinePanel, CaptionAlignmentAndEmbossedWhenDisabled)
{
    QWidget parent;
    TLinePanel* left = CaptionPanel(&parent, taLeftJustify);
    TLinePanel* right = CaptionPanel(&parent, taRightJustify);
    TLinePanel* centre = CaptionPanel(&parent, taCenter);
    const QFontMetrics fm(left->font());
    const int textWidth = fm.horizontalAdvance(QStringLiteral("Caption"));

    const QRect l = Ink(left->Render(), Qt::black);
    const QRect r = Ink(right->Render(), Qt::black);
    const QRect c = Ink(centre->Render(), Qt::black);
    ASSERT_FALSE(l.isEmpty());
    EXPECT_LT(l.left(), 4);
    EXPECT_GT(r.right(), 185 - 5);
    EXPECT_NEAR(c.center().x(), 92, 3);
    EXPECT_NEAR(l.center().y(), 20, 3) << "vertically centred";
    EXPECT_NEAR(r.left() - l.left(), 185 - textWidth, 3);

    // Disabled: highlight one pixel right and down, the shadow colour on top at the place. The
    // system colours become pure red and blue so that each copy can be told apart.
    const QPalette saved = QGuiApplication::palette();
    QPalette pal = saved;
    pal.setColor(QPalette::Light, Qt::red);
    pal.setColor(QPalette::Dark, Qt::blue);
    QGuiApplication::setPalette(pal);
    centre->setEnabled(false);
    const QImage disabledImage = centre->Render().copy();
    QGuiApplication::setPalette(saved);

    QRect red, blue;
    for (int y = 0; y < disabledImage.height(); ++y)
        for (int x = 0; x < disabledImage.width(); ++x) {
            const QColor px = disabledImage.pixelColor(x, y);
            EXPECT_EQ(px.green(), 0);
            if (px.red() > 0)
                red |= QRect(x, y, 1, 1);
            if (px.blue() > 0)
                blue |= QRect(x, y, 1, 1);
        }
    EXPECT_EQ(blue, c) << "the shadow copy lies where the enabled caption does";
    EXPECT_EQ(red.right(), c.right() + 1);
    EXPECT_EQ(red.bottom(), c.bottom() + 1);
    EXPECT_TRUE(c.translated(1, 1).contains(red));
}
