#include "controls/MyFlatHintUnit.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

const QSize kScreen(1024, 768);

QFont HintFont()
{
    QFont f(QStringLiteral("Trebuchet MS"));
    f.setPixelSize(16);
    return f;
}

// The component as the main window has it.
std::unique_ptr<TMyFlatHint> MakeHint(QWidget* form)
{
    auto hint = std::make_unique<TMyFlatHint>(form);
    hint->SetColorBackground(0xE1FFFF);
    hint->SetColorArrowBackground(0x53D2FF);
    hint->SetColorArrow(0x8B4215);
    hint->SetFont(HintFont());
    hint->SetFontColor(0x8B4215);
    return hint;
}

QSize MeasuredText(const QString& text, int maxWidth)
{
    const QFontMetrics fm(HintFont());
    QRect r = fm.boundingRect(QRect(0, 0, maxWidth - 22, 0), Qt::TextWordWrap, text);
    r = fm.boundingRect(QRect(0, 0, r.width(), 0), Qt::TextWordWrap, text);
    return r.size();
}

// The mouse moved to pos of w with no button held.
void Hover(QWidget* w, QPoint pos)
{
    QMouseEvent e(QEvent::MouseMove, QPointF(pos), QPointF(pos), QPointF(w->mapToGlobal(pos)), Qt::NoButton,
        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

bool SendToolTip(QWidget* w)
{
    QHelpEvent e(QEvent::ToolTip, QPoint(2, 2), w->mapToGlobal(QPoint(2, 2)));
    QCoreApplication::sendEvent(w, &e);
    return e.isAccepted();
}

} // namespace

TEST(MyFlatHint, DefaultsAndWritersTakeEffectAtNextHint)
{
    QWidget form;
    TMyFlatHint hint(&form);
    EXPECT_EQ(hint.ColorBackground(), clWhite);
    EXPECT_EQ(hint.ColorBorder(), clBlack);
    EXPECT_EQ(hint.ColorArrowBackground(), 0x53D2FF);
    EXPECT_EQ(hint.ColorArrow(), clBlack);
    EXPECT_EQ(hint.MaxHintWidth(), 200);
    EXPECT_EQ(hint.BidiMode(), bdLeftToRight);
    EXPECT_EQ(TMyFlatHint::FindHintComponent(), &hint);
    ASSERT_NE(TMyFlatHint::HintWindow(), nullptr);

    TMyFlatHintWindow& window = *TMyFlatHint::HintWindow();
    window.ActivateHintAt(QRect(), QStringLiteral("first"), QPoint(100, 100), kScreen);
    EXPECT_EQ(window.Render().pixelColor(0, 0), QColor(Qt::black));
    hint.SetColorBorder(0x0000FF);
    window.ActivateHintAt(QRect(), QStringLiteral("second"), QPoint(100, 100), kScreen);
    EXPECT_EQ(window.Render().pixelColor(0, 0), QColor(255, 0, 0));
    window.hide();
}

TEST(MyFlatHint, DirectionAndPlacementByScreenQuarter)
{
    EXPECT_EQ(TMyFlatHintWindow::DirectionFor({ 100, 100 }, kScreen), 1);
    EXPECT_EQ(TMyFlatHintWindow::DirectionFor({ 511, 383 }, kScreen), 1);
    EXPECT_EQ(TMyFlatHintWindow::DirectionFor({ 512, 100 }, kScreen), 0) << "x = SW div 2 is top right";
    EXPECT_EQ(TMyFlatHintWindow::DirectionFor({ 100, 384 }, kScreen), 3);
    EXPECT_EQ(TMyFlatHintWindow::DirectionFor({ 1000, 700 }, kScreen), 2);
    EXPECT_EQ(TMyFlatHintWindow::DirectionFor({ -5, 100 }, kScreen), 2) << "off the primary screen";
    EXPECT_EQ(TMyFlatHintWindow::DirectionFor({ 1100, 100 }, kScreen), 2);

    const QSize size(122, 24);
    EXPECT_EQ(TMyFlatHintWindow::WindowRectFor(1, { 100, 100 }, size), QRect(112, 112, 122, 24));
    EXPECT_EQ(TMyFlatHintWindow::WindowRectFor(0, { 600, 100 }, size), QRect(600 - 122 - 5, 105, 122, 24));
    const QRect bottomRight = TMyFlatHintWindow::WindowRectFor(2, { 1000, 700 }, size);
    EXPECT_EQ(bottomRight.right() + 1, 995);
    EXPECT_EQ(bottomRight.bottom() + 1, 695);
    EXPECT_EQ(TMyFlatHintWindow::WindowRectFor(3, { 100, 700 }, size), QRect(105, 700 - 24 - 5, 122, 24));

    // A hint too tall for the room toward the middle slides back onto the screen; one taller than
    // the screen keeps its top; a cursor on another screen leaves the placement alone.
    const QRect tall = TMyFlatHintWindow::WindowRectFor(1, { 100, 380 }, { 122, 500 });
    EXPECT_EQ(TMyFlatHintWindow::KeptOnScreen(tall, { 100, 380 }, kScreen), QRect(112, 268, 122, 500));
    const QRect huge = TMyFlatHintWindow::WindowRectFor(2, { 1000, 700 }, { 1200, 900 });
    EXPECT_EQ(TMyFlatHintWindow::KeptOnScreen(huge, { 1000, 700 }, kScreen), QRect(0, 0, 1200, 900));
    EXPECT_EQ(TMyFlatHintWindow::KeptOnScreen(tall, { 1100, 380 }, kScreen), tall);
    EXPECT_EQ(TMyFlatHintWindow::KeptOnScreen(bottomRight, { 1000, 700 }, kScreen), bottomRight);
}

TEST(MyFlatHint, WindowSizeFollowsMeasuredTextAndWraps)
{
    QWidget form;
    auto hint = MakeHint(&form);
    TMyFlatHintWindow& window = *TMyFlatHint::HintWindow();

    const QString shortText = QStringLiteral("add video files");
    window.ActivateHintAt(QRect(5, 5, 1, 1), shortText, QPoint(100, 100), kScreen);
    const QSize one = MeasuredText(shortText, 200);
    EXPECT_EQ(window.geometry(), QRect(QPoint(112, 112), one + QSize(22, 6))) << "proposed rect ignored";
    EXPECT_EQ(window.Direction(), 1);
    EXPECT_TRUE(window.isVisible());

    const QString longText
        = QStringLiteral("a rather long hint that certainly needs more than one line of text to fit");
    window.ActivateHintAt(QRect(), longText, QPoint(1000, 700), kScreen);
    const QSize wrapped = MeasuredText(longText, 200);
    EXPECT_LE(wrapped.width(), 178);
    EXPECT_GT(wrapped.height(), QFontMetrics(HintFont()).height()) << "the text wraps";
    EXPECT_EQ(window.size(), wrapped + QSize(22, 6));
    EXPECT_EQ(window.geometry().right() + 1, 995);
    EXPECT_EQ(window.geometry().bottom() + 1, 695);

    // The "&" is measured as itself, not as an accelerator mark.
    const QString amp = QStringLiteral("Save && Load & Go");
    window.ActivateHintAt(QRect(), amp, QPoint(100, 100), kScreen);
    EXPECT_EQ(window.width(), MeasuredText(amp, 200).width() + 22);
    EXPECT_GT(window.width(), MeasuredText(QStringLiteral("Save & Load Go"), 200).width() + 22);

    // A maximum width below the padding still gives a usable window.
    hint->SetMaxHintWidth(10);
    window.ActivateHintAt(QRect(), QStringLiteral("x y"), QPoint(100, 100), kScreen);
    EXPECT_GT(window.width(), 22);
    window.hide();
}

TEST(MyFlatHint, PaintsFrameStripAndArrowForEachDirection)
{
    QWidget form;
    auto hint = MakeHint(&form);
    TMyFlatHintWindow& window = *TMyFlatHint::HintWindow();
    const QColor arrow = ToQColor(0x8B4215), strip = ToQColor(0x53D2FF), back = ToQColor(0xE1FFFF);

    window.ActivateHintAt(QRect(), QStringLiteral("Hint"), QPoint(100, 100), kScreen);
    QImage img = window.Render();
    const int w = img.width(), h = img.height();
    EXPECT_EQ(img.pixelColor(0, 0), QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(w - 1, h - 1), QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(14, h - 2), strip) << "strip spans x 1..14";
    EXPECT_EQ(img.pixelColor(15, h - 2), back);
    EXPECT_EQ(img.pixelColor(w - 2, h - 2), back);
    EXPECT_EQ(window.ArrowAnchor(), QPoint(3, 3));
    // Pixels of the polyline for (sx, sy) = (+1, +1), relative to the tip.
    for (QPoint d : { QPoint(0, 0), QPoint(0, 6), QPoint(1, 6), QPoint(1, 1), QPoint(1, 0), QPoint(6, 0),
             QPoint(6, 1), QPoint(3, 1), QPoint(2, 4), QPoint(4, 6), QPoint(6, 7), QPoint(4, 5), QPoint(5, 5),
             QPoint(7, 6), QPoint(5, 4), QPoint(4, 2), QPoint(6, 4), QPoint(7, 5) })
        EXPECT_EQ(img.pixelColor(QPoint(3, 3) + d), arrow) << d.x() << "," << d.y();
    for (QPoint d : { QPoint(7, 1), QPoint(2, 6), QPoint(7, 7), QPoint(-1, 0), QPoint(0, 7), QPoint(8, 6) })
        EXPECT_EQ(img.pixelColor(QPoint(3, 3) + d), strip) << d.x() << "," << d.y();

    window.ActivateHintAt(QRect(), QStringLiteral("Hint"), QPoint(1000, 700), kScreen);
    img = window.Render();
    EXPECT_EQ(window.Direction(), 2);
    EXPECT_EQ(img.pixelColor(w - 15, 1), strip) << "strip on the right";
    EXPECT_EQ(img.pixelColor(w - 16, 1), back);
    const QPoint tip(w - 1 - 3, h - 1 - 3);
    EXPECT_EQ(window.ArrowAnchor(), tip);
    EXPECT_EQ(img.pixelColor(tip), arrow);
    EXPECT_EQ(img.pixelColor(tip - QPoint(6, 0)), arrow);
    EXPECT_EQ(img.pixelColor(tip - QPoint(0, 5)), arrow);
    EXPECT_EQ(img.pixelColor(tip - QPoint(7, 1)), strip);

    window.ActivateHintAt(QRect(), QStringLiteral("Hint"), QPoint(700, 100), kScreen);
    window.Render();
    EXPECT_EQ(window.ArrowAnchor(), QPoint(w - 4, 3));
    window.ActivateHintAt(QRect(), QStringLiteral("Hint"), QPoint(100, 700), kScreen);
    window.Render();
    EXPECT_EQ(window.ArrowAnchor(), QPoint(3, h - 4));
    window.hide();
}

TEST(MyFlatHint, ToolTipEventsGoThroughTheComponent)
{
    QWidget form;
    auto hint = MakeHint(&form);
    QPushButton button(&form);
    button.setToolTip(QStringLiteral("start converting"));
    TMyFlatHintWindow& window = *TMyFlatHint::HintWindow();
    window.hide();

    EXPECT_TRUE(SendToolTip(&button));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.Text(), QStringLiteral("start converting"));
    const QRect shown = window.geometry();
    QHelpEvent again(QEvent::ToolTip, QPoint(9, 9), button.mapToGlobal(QPoint(9, 9)));
    QCoreApplication::sendEvent(&button, &again);
    EXPECT_EQ(window.geometry(), shown) << "the hint stays while the cursor rests on the control";

    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&button, &leave);
    EXPECT_FALSE(window.isVisible());

    int calls = 0;
    hint->OnShowHint = [&](QString& text, bool&, THintInfo& info) {
        ++calls;
        EXPECT_EQ(info.HintControl, &button);
        text = QStringLiteral("changed");
    };
    SendToolTip(&button);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(window.Text(), QStringLiteral("changed"));

    hint->OnShowHint = [](QString&, bool& canShow, THintInfo&) { canShow = false; };
    SendToolTip(&button);
    EXPECT_FALSE(window.isVisible());
    hint->OnShowHint = nullptr;

    // Entries of an item view carry their own hints.
    QListWidget list(&form);
    list.resize(200, 100);
    list.addItem(QStringLiteral("clip.avi"));
    list.item(0)->setToolTip(QStringLiteral("waiting"));
    form.show();
    list.show();
    const QPoint onEntry = list.visualItemRect(list.item(0)).center();
    QHelpEvent entry(QEvent::ToolTip, onEntry, list.viewport()->mapToGlobal(onEntry));
    QCoreApplication::sendEvent(list.viewport(), &entry);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.Text(), QStringLiteral("waiting"));
    QHelpEvent empty(QEvent::ToolTip, QPoint(100, 90), list.viewport()->mapToGlobal(QPoint(100, 90)));
    QCoreApplication::sendEvent(list.viewport(), &empty);
    EXPECT_FALSE(window.isVisible()) << "no entry, no hint";

    // A widget without a tooltip leaves the event alone.
    QWidget plain(&form);
    QHelpEvent e(QEvent::ToolTip, QPoint(1, 1), QPoint(1, 1));
    QCoreApplication::sendEvent(&plain, &e);
    EXPECT_FALSE(window.isVisible());
}

TEST(MyFlatHint, NoComponentLeftMeansNoHints)
{
    QWidget form;
    auto hint = MakeHint(&form);
    QPushButton button(&form);
    button.setToolTip(QStringLiteral("online support"));
    TMyFlatHintWindow& window = *TMyFlatHint::HintWindow();
    window.hide();

    hint.reset(); // the forwarding handler must not reach a freed component
    EXPECT_EQ(TMyFlatHint::FindHintComponent(), nullptr);
    EXPECT_TRUE(SendToolTip(&button)) << "the platform tooltip stays switched off";
    EXPECT_FALSE(window.isVisible());

    TMyFlatHint orphan(nullptr);
    EXPECT_EQ(TMyFlatHint::FindHintComponent(), nullptr) << "a component on no form gives no hints";
    window.ActivateHintAt(QRect(), QStringLiteral("kept"), QPoint(100, 100), kScreen);
    EXPECT_EQ(window.Text(), QStringLiteral("kept"));
    EXPECT_FALSE(window.isVisible());
}

TEST(MyFlatHint, ARestingMouseGetsItsHintAfterThePauseThenTheShortPause)
{
    QWidget form;
    auto hint = MakeHint(&form);
    QPushButton add(&form), convert(&form);
    add.setGeometry(10, 10, 80, 30);
    convert.setGeometry(100, 10, 80, 30);
    add.setToolTip(QStringLiteral("add video files"));
    convert.setToolTip(QStringLiteral("start converting"));
    form.resize(200, 60);
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    TMyFlatHintFilter& filter = *TMyFlatHint::HintFilter();
    TMyFlatHintWindow& window = *TMyFlatHint::HintWindow();
    window.hide();

    Hover(&add, QPoint(5, 5));
    EXPECT_EQ(filter.PendingPause(), 500);
    SendToolTip(&add);
    EXPECT_FALSE(window.isVisible()) << "Qt's own earlier tooltip event waits for the pause";
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.isVisible(); }));
    EXPECT_EQ(window.Text(), QStringLiteral("add video files"));
    EXPECT_EQ(filter.PendingPause(), -1);

    // With a hint showing, the next control's hint comes after the short pause.
    Hover(&form, QPoint(110, 20)); // over convert: the innermost widget is the one woken
    EXPECT_EQ(filter.PendingPause(), 25);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.Text() == QStringLiteral("start converting"); }));
    EXPECT_TRUE(window.isVisible());

    // A click cancels both the hint and the pause.
    Hover(&add, QPoint(6, 6));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(6, 6), QPointF(6, 6),
        QPointF(add.mapToGlobal(QPoint(6, 6))), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&add, &press);
    EXPECT_EQ(filter.PendingPause(), -1);
    EXPECT_FALSE(window.isVisible());
}
