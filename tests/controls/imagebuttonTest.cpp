#include "controls/imagebutton.h"

#include "widgetEvents.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QRgb kBackground = qRgb(10, 20, 30);

TPngImage Solid(int w, int h, QRgb argb)
{
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(argb);
    return TPngImage::FromQImage(img);
}

const QRgb kNormal = qRgb(255, 0, 0), kOver = qRgb(0, 255, 0), kDown = qRgb(0, 0, 255),
           kOff = qRgb(128, 128, 128);

// A window with a flat background holding one 20 x 16 button with 10 x 8 images at (5, 5).
struct Fixture {
    QWidget window;
    TImageButton* button;
    int clicks = 0;

    Fixture()
    {
        window.resize(60, 40);
        QPalette pal = window.palette();
        pal.setColor(QPalette::Window, QColor(kBackground));
        window.setPalette(pal);
        window.setAutoFillBackground(true);
        button = new TImageButton(&window);
        button->setGeometry(5, 5, 20, 16);
        button->SetImage(Solid(10, 8, kNormal));
        button->SetImageOver(Solid(10, 8, kOver));
        button->SetImageDown(Solid(10, 8, kDown));
        button->SetImageDisable(Solid(10, 8, kOff));
        button->OnClick = [this](QObject* sender) {
            EXPECT_EQ(sender, button);
            ++clicks;
        };
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        Leave(button); // the platform may have reported the pointer over the new window
    }
    // The button's pixel at (x, y) as the window shows it.
    QRgb Pixel(int x, int y)
    {
        QApplication::processEvents();
        return window.grab().toImage().pixel(5 + x, 5 + y);
    }
};

} // namespace

TEST(ImageButton, NewButtonAndImageWriters)
{
    TImageButton b;
    EXPECT_TRUE(b.UseDown());
    EXPECT_TRUE(b.Enabled());
    EXPECT_TRUE(b.Image().Empty());
    EXPECT_TRUE(b.ImageOver().Empty());
    EXPECT_TRUE(b.ImageDown().Empty());
    EXPECT_TRUE(b.ImageDisable().Empty());
    EXPECT_TRUE(b.ImageRect().isEmpty());

    // Before the first paint the hit area is empty: a release clicks nothing.
    int clicks = 0;
    b.OnClick = [&](QObject*) { ++clicks; };
    b.SetImage(Solid(4, 4, kNormal));
    Click(&b, QPoint(1, 1));
    EXPECT_EQ(clicks, 0);

    // The writers copy: later changes to the source do not reach the button.
    TPngImage source = Solid(3, 3, kOver);
    b.SetImageOver(source);
    source.SetAlpha(0, 0, 0);
    EXPECT_EQ(b.ImageOver().Alpha(0, 0), 255);
    b.SetImageOver(TPngImage());
    EXPECT_TRUE(b.ImageOver().Empty()) << "an empty assignment empties";
}

TEST(ImageButton, EachStateShowsItsImage)
{
    Fixture f;
    EXPECT_EQ(f.Pixel(0, 0), kNormal);
    EXPECT_EQ(f.Pixel(12, 0), kBackground) << "outside the image the parent shows";
    EXPECT_EQ(f.button->ImageRect(), QRect(0, 0, 10, 8));

    Enter(f.button);
    EXPECT_TRUE(f.button->MouseOver());
    EXPECT_EQ(f.Pixel(0, 0), kOver);

    // Pressed with UseDown: the down image 2 pixels right and down, and the hit area with it.
    Press(f.button, QPoint(3, 3));
    EXPECT_EQ(f.Pixel(0, 0), kBackground);
    EXPECT_EQ(f.Pixel(2, 2), kDown);
    EXPECT_EQ(f.Pixel(11, 9), kDown);
    EXPECT_EQ(f.button->ImageRect(), QRect(2, 2, 10, 8));
    Release(f.button, QPoint(3, 3));
    EXPECT_EQ(f.clicks, 1);
    EXPECT_EQ(f.Pixel(0, 0), kOver) << "over shows again after the release";

    Leave(f.button);
    EXPECT_EQ(f.Pixel(0, 0), kNormal);

    // Without a down image the over image stands in (shifted); without an over image the normal.
    f.button->SetImageDown(TPngImage());
    Press(f.button, QPoint(3, 3));
    EXPECT_EQ(f.Pixel(2, 2), kOver);
    Release(f.button, QPoint(3, 3));
    f.button->SetImageOver(TPngImage());
    Enter(f.button);
    EXPECT_EQ(f.Pixel(0, 0), kNormal);

    // Disabled beats everything, also while pressed.
    f.button->SetEnabled(false);
    EXPECT_TRUE(f.button->isEnabled()) << "the widget's own enabled state is untouched";
    Press(f.button, QPoint(3, 3));
    EXPECT_EQ(f.Pixel(0, 0), kOff);
    EXPECT_TRUE(f.button->Pressed());
    Release(f.button, QPoint(3, 3));
    EXPECT_EQ(f.Pixel(0, 0), kOff);
    EXPECT_EQ(f.clicks, 2);
}

TEST(ImageButton, ClickRules)
{
    Fixture f;
    f.button->SetUseDown(false);
    f.Pixel(0, 0);

    Click(f.button, QPoint(9, 7));
    EXPECT_EQ(f.clicks, 1) << "a left release inside clicks";
    Click(f.button, QPoint(10, 7));
    EXPECT_EQ(f.clicks, 1) << "right and bottom edges are outside";

    Press(f.button, QPoint(3, 3), Qt::RightButton);
    EXPECT_EQ(f.Pixel(0, 0), kDown) << "any button shows the pressed image";
    Release(f.button, QPoint(3, 3), Qt::RightButton);
    EXPECT_EQ(f.clicks, 1) << "only the left button clicks";

    // Drag off and release off: the pressed look ends at the first move off, no click.
    Press(f.button, QPoint(3, 3));
    Move(f.button, QPoint(4, 4));
    EXPECT_TRUE(f.button->Pressed());
    Move(f.button, QPoint(15, 4));
    EXPECT_FALSE(f.button->Pressed());
    EXPECT_EQ(f.Pixel(0, 0), kNormal);
    Release(f.button, QPoint(30, 30));
    EXPECT_EQ(f.clicks, 1);

    // Drag off and back: the pressed look does not return, the release still clicks.
    Press(f.button, QPoint(3, 3));
    Move(f.button, QPoint(15, 4));
    Move(f.button, QPoint(3, 3));
    EXPECT_FALSE(f.button->Pressed());
    Release(f.button, QPoint(3, 3));
    EXPECT_EQ(f.clicks, 2);

    // A caption label's forwarded press and release at (0, 0) click when the image is at the origin.
    Click(f.button, QPoint(0, 0));
    EXPECT_EQ(f.clicks, 3);

    // With UseDown the pressed image, and so the hit area, starts at (2, 2): (0, 0) misses.
    f.button->SetUseDown(true);
    Press(f.button, QPoint(0, 0));
    f.Pixel(0, 0);
    Release(f.button, QPoint(0, 0));
    EXPECT_EQ(f.clicks, 3);

    f.button->SetEnabled(false);
    f.Pixel(0, 0);
    Click(f.button, QPoint(3, 3));
    EXPECT_EQ(f.clicks, 3) << "disabled: no click";
}

TEST(ImageButton, EmptyStateImageShowsParentAndCannotBeClicked)
{
    Fixture f;
    f.button->SetImageDisable(TPngImage());
    f.button->SetEnabled(false);
    EXPECT_EQ(f.Pixel(0, 0), kBackground);
    EXPECT_TRUE(f.button->ImageRect().isEmpty());
    f.button->SetEnabled(true);
    Click(f.button, QPoint(1, 1)); // the hit area is still the empty one of the last paint
    EXPECT_EQ(f.clicks, 0);
}

TEST(ImageButton, ImagesBlendOverTheParent)
{
    Fixture f;
    f.button->SetImage(Solid(10, 8, qRgba(255, 255, 255, 128)));
    const QRgb p = f.Pixel(4, 4);
    // white x 128/255 + background x 127/255
    EXPECT_NEAR(qRed(p), 133, 1);
    EXPECT_NEAR(qGreen(p), 138, 1);
    EXPECT_NEAR(qBlue(p), 143, 1);
}
