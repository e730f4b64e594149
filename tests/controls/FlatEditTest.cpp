#include "controls/FlatEditUnit.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QEnterEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {

void Key(QWidget* w, int key, const QString& text = QString())
{
    QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(w, &e);
}

void Type(QWidget* w, QChar ch)
{
    Key(w, ch.isDigit() ? Qt::Key_0 + ch.digitValue() : Qt::Key_A, QString(ch));
}

void Wheel(QWidget* w, int delta)
{
    QWheelEvent e(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
        Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w, &e);
}

void Enter(QWidget* w)
{
    QEnterEvent e(QPointF(3, 3), QPointF(3, 3), w->mapToGlobal(QPointF(3, 3)));
    QCoreApplication::sendEvent(w, &e);
}

// A shown, active window, so that focus and hover behave as on a desktop.
struct Form {
    QWidget window;
    Form()
    {
        window.resize(400, 200);
        window.show();
        window.activateWindow();
        QApplication::setActiveWindow(&window);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }
};

QColor At(QWidget& w, int x, int y)
{
    return w.grab().toImage().pixelColor(x, y);
}

} // namespace

TEST(FlatEdit, IntegerKeysStepWithinLimits)
{
    TMyFlatEdit edit;
    EXPECT_EQ(edit.ValueType(), evDefault);
    edit.SetValueType(evtInteger);
    edit.setText("5");
    Key(&edit, Qt::Key_Up);
    EXPECT_EQ(edit.text(), "6");
    Key(&edit, Qt::Key_Down);
    Key(&edit, Qt::Key_Down);
    EXPECT_EQ(edit.text(), "4");

    edit.setText("0");
    Key(&edit, Qt::Key_Down);
    EXPECT_EQ(edit.text(), "0") << "MinValue 0 is not stepped below";
    edit.setText("-3");
    Key(&edit, Qt::Key_Down);
    EXPECT_EQ(edit.text(), "-3") << "only values above MinValue step down";
    Key(&edit, Qt::Key_Up);
    EXPECT_EQ(edit.text(), "-2");

    edit.SetMaxValue(10);
    edit.setText("10");
    Key(&edit, Qt::Key_Up);
    EXPECT_EQ(edit.text(), "10");
    edit.setText("12");
    edit.setText("");
    Key(&edit, Qt::Key_Up);
    EXPECT_EQ(edit.text(), "1") << "an empty text counts as 0";

    edit.SetMaxValue(0);
    edit.setText("2147483647");
    Key(&edit, Qt::Key_Up);
    EXPECT_EQ(edit.text(), "2147483647") << "no overflow past the largest integer";

    edit.setText("7");
    Wheel(&edit, 120);
    EXPECT_EQ(edit.text(), "8");
    Wheel(&edit, -120);
    Wheel(&edit, 0);
    EXPECT_EQ(edit.text(), "6") << "a zero delta steps down";
}

TEST(FlatEdit, IntegerTypingRules)
{
    TMyFlatEdit edit;
    edit.SetValueType(evtInteger);
    edit.setText("123");
    edit.setCursorPosition(3);
    Type(&edit, 'a');
    Key(&edit, Qt::Key_Delete);
    EXPECT_EQ(edit.text(), "123") << "letters and Delete do nothing";
    edit.setCursorPosition(0);
    Key(&edit, Qt::Key_Delete);
    EXPECT_EQ(edit.text(), "123");
    edit.setCursorPosition(3);
    Key(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), "12");
    Type(&edit, '9');
    EXPECT_EQ(edit.text(), "129");

    edit.selectAll();
    Key(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), "0") << "a fully selected text erased becomes 0";

    edit.setText("12");
    edit.setCursorPosition(0);
    Type(&edit, '0');
    EXPECT_EQ(edit.text(), "12") << "no leading zero";
    edit.selectAll();
    Type(&edit, '0');
    EXPECT_EQ(edit.text(), "12") << "a selection from position 0 counts as the caret at 0";
    edit.setSelection(1, 1); // the "2"
    Type(&edit, '0');
    EXPECT_EQ(edit.text(), "10");
    edit.setText("12");
    edit.setCursorPosition(2);
    Type(&edit, '0');
    EXPECT_EQ(edit.text(), "120");

    edit.setText("7");
    edit.setCursorPosition(1);
    Key(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), "0") << "erasing the last digit leaves 0";
    Type(&edit, '0');
    EXPECT_EQ(edit.text(), "0");
    Type(&edit, '5');
    EXPECT_EQ(edit.text(), "5") << "a digit replaces a lone zero";
    Key(&edit, Qt::Key_Left);
    Type(&edit, '3');
    EXPECT_EQ(edit.text(), "35") << "cursor keys still work";
}

TEST(FlatEdit, AsIntegerAndConversionErrors)
{
    TMyFlatEdit edit;
    edit.setText("42");
    EXPECT_EQ(edit.asInteger(), 0) << "free text is never a number";
    edit.SetValueType(evtInteger);
    EXPECT_EQ(edit.asInteger(), 42);
    edit.setText("");
    EXPECT_EQ(edit.asInteger(), 0);
    edit.setText("-17");
    EXPECT_EQ(edit.asInteger(), -17);

    edit.setText("12ab");
    try {
        (void)edit.asInteger();
        FAIL() << "no error for a non-number";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'12ab' is not a valid integer value");
    }
    EXPECT_THROW(edit.StepUp(), EConvertError);
    edit.setText("99999999999");
    EXPECT_THROW((void)edit.asInteger(), EConvertError);
    edit.setText("abc");
    Key(&edit, Qt::Key_Up);
    Wheel(&edit, -120);
    EXPECT_EQ(edit.text(), "abc") << "a pasted non-number stays as it is";
}

TEST(FlatEdit, FreeTextAndFloatModes)
{
    TMyFlatEdit edit;
    edit.setText("ab");
    edit.setCursorPosition(0);
    Key(&edit, Qt::Key_Delete);
    Type(&edit, 'x');
    Key(&edit, Qt::Key_Up);
    Wheel(&edit, 120);
    EXPECT_EQ(edit.text(), "xb") << "evDefault passes every key";

    edit.SetValueType(evtFloat);
    edit.setText("1.5");
    edit.setCursorPosition(3);
    Type(&edit, '2');
    Key(&edit, Qt::Key_Backspace);
    Key(&edit, Qt::Key_Up);
    Key(&edit, Qt::Key_Delete);
    EXPECT_EQ(edit.text(), "1.5") << "a float edit takes nothing";
    EXPECT_THROW((void)edit.asInteger(), EConvertError);
}

TEST(FlatEdit, FrameColoursFollowFocusAndHover)
{
    Form form;
    TMyFlatEdit first(&form.window), second(&form.window);
    QPushButton other(&form.window);
    first.setGeometry(10, 10, 121, 25);
    second.setGeometry(10, 50, 121, 25);
    other.setGeometry(10, 90, 80, 25);
    for (QWidget* w : { (QWidget*)&first, (QWidget*)&second, (QWidget*)&other })
        w->show();
    first.SetColorFlat(0x00FF00);
    second.SetColorFlat(0x00FF00);
    const QColor border = ToQColor(0x8396A0), flat(0, 255, 0), focused(Qt::white);

    EXPECT_FALSE(first.IsHighlighted());
    EXPECT_EQ(At(first, 0, 0), border);
    EXPECT_EQ(At(first, 1, 1), flat);
    EXPECT_EQ(At(first, 2, 12), flat);
    const int bottom = first.height() - 1; // the font's height + 6 once shown
    EXPECT_EQ(At(first, 120, bottom), border);
    EXPECT_EQ(first.Color(), 0x00FF00);

    first.setFocus();
    ASSERT_TRUE(first.hasFocus());
    EXPECT_EQ(first.Color(), clWhite);
    EXPECT_EQ(At(first, 0, 0), border);
    EXPECT_EQ(At(first, 1, 1), focused);
    EXPECT_EQ(At(first, 119, bottom - 1), focused);

    Enter(&second);
    EXPECT_FALSE(second.IsHighlighted()) << "another flat edit has the focus";
    EXPECT_EQ(At(second, 2, 2), flat);

    other.setFocus();
    EXPECT_FALSE(first.IsHighlighted());
    Enter(&second);
    EXPECT_TRUE(second.IsHighlighted());
    EXPECT_EQ(At(second, 2, 2), focused);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&second, &leave);
    EXPECT_FALSE(second.IsHighlighted());
    EXPECT_EQ(At(second, 1, 1), flat);

    first.SetColorBorder(0x0000FF);
    EXPECT_EQ(At(first, 0, 0), QColor(255, 0, 0));
}

TEST(FlatEdit, ParentColourAndHeight)
{
    QWidget parent;
    QPalette pal = parent.palette();
    pal.setColor(QPalette::Window, QColor(0x81, 0xA4, 0xD1));
    parent.setPalette(pal);

    TMyFlatEdit edit(&parent);
    EXPECT_TRUE(edit.ParentColor());
    EXPECT_EQ(edit.ColorFlat(), 0xD1A481) << "the parent's colour";
    EXPECT_EQ(edit.ColorFocused(), clWhite);
    EXPECT_EQ(edit.ColorBorder(), 0x8396A0);
    EXPECT_EQ(edit.size(), QSize(121, 19));

    edit.SetColorFlat(clWhite);
    EXPECT_FALSE(edit.ParentColor());
    pal.setColor(QPalette::Window, QColor(10, 20, 30));
    parent.setPalette(pal);
    EXPECT_EQ(edit.ColorFlat(), clWhite);
    edit.SetParentColor(true);
    EXPECT_EQ(edit.ColorFlat(), RGBColor(10, 20, 30));

    TMyFlatEdit loose;
    EXPECT_EQ(loose.ColorFlat(), 0xE1EAEB) << "no parent: the own default";

    QFont f(QStringLiteral("Trebuchet MS"));
    f.setPixelSize(16);
    edit.setFont(f);
    EXPECT_EQ(edit.height(), QFontMetrics(f).height() + 6);

    // A form sets the font and then its stored geometry; the height follows the font once the
    // edit is set up (polished before it is first shown).
    edit.setGeometry(8, 8, 300, 19);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    EXPECT_EQ(edit.size(), QSize(300, QFontMetrics(f).height() + 6));
}

TEST(FlatEdit, TextHasNoLengthLimit)
{
    TMyFlatEdit edit;
    const QString longText(40000, QLatin1Char('x'));
    edit.setText(longText);
    EXPECT_EQ(edit.text().size(), 40000) << "no silent cut at 32,767 characters";
    edit.end(false);
    Type(&edit, 'y');
    edit.insert(QStringLiteral("zz"));
    EXPECT_EQ(edit.text(), longText + QStringLiteral("yzz"));
}

TEST(FlatComboBox, FrameButtonAndTriangle)
{
    TMyFlatComboBox combo;
    EXPECT_EQ(combo.Color(), clWindow);
    EXPECT_EQ(combo.ColorArrowBackground(), 0xC5D6D9);
    EXPECT_EQ(combo.ColorBorder(), 0x8396A0);
    EXPECT_EQ(combo.ItemHeight(), 13);
    EXPECT_EQ(combo.DropDownCount(), 8);
    EXPECT_EQ(combo.Style(), csDropDown);

    combo.SetStyle(csDropDownList);
    combo.SetColor(0xE1EAEB);
    combo.SetColorBorder(clWhite);
    combo.SetColorArrowBackground(0x808000);
    combo.resize(425, 30);
    EXPECT_EQ(combo.ButtonRect(), QRect(412, 0, 13, 30));

    QImage img = combo.Render();
    const QColor color = ToQColor(0xE1EAEB), border(Qt::white), button = ToQColor(0x808000), arrow(Qt::black);
    EXPECT_EQ(img.pixelColor(0, 0), border);
    EXPECT_EQ(img.pixelColor(1, 1), color);
    EXPECT_EQ(img.pixelColor(2, 15), color);
    EXPECT_EQ(img.pixelColor(411, 15), color) << "frame ends at Width - 12";
    EXPECT_EQ(img.pixelColor(412, 15), border) << "button from x = 412";
    EXPECT_EQ(img.pixelColor(424, 15), border) << "to x = 424";
    EXPECT_EQ(img.pixelColor(413, 1), button);
    const int y0 = 30 / 2 - 1;
    for (QPoint p :
        { QPoint(416, y0), QPoint(420, y0), QPoint(418, y0 + 2), QPoint(417, y0 + 1), QPoint(419, y0 + 1) })
        EXPECT_EQ(img.pixelColor(p), arrow) << p.x() << "," << p.y();
    for (QPoint p :
        { QPoint(415, y0), QPoint(421, y0), QPoint(416, y0 + 1), QPoint(417, y0 + 2), QPoint(418, y0 - 1) })
        EXPECT_EQ(img.pixelColor(p), button) << p.x() << "," << p.y();

    combo.setEnabled(false);
    img = combo.Render();
    EXPECT_EQ(img.pixelColor(416, y0), QColor(0x80, 0x80, 0x80));
    EXPECT_EQ(img.pixelColor(418, y0 + 2), QColor(0x80, 0x80, 0x80));
    EXPECT_EQ(img.pixelColor(421, y0 + 1), QColor(Qt::white)) << "embossed shadow one pixel right and down";
    EXPECT_EQ(img.pixelColor(419, y0 + 3), QColor(Qt::white));
}

TEST(FlatComboBox, DroppedDownTriangleAndActiveState)
{
    Form form;
    TMyFlatComboBox combo(&form.window);
    combo.SetStyle(csDropDownList);
    combo.addItems({ "avi", "mp4", "flv" });
    combo.setGeometry(9, 152, 425, 30);
    combo.show();
    EXPECT_FALSE(combo.Active());

    combo.showPopup();
    EXPECT_TRUE(combo.DroppedDown());
    EXPECT_TRUE(combo.Active());
    const QImage img = combo.Render();
    const int y0 = 14;
    EXPECT_EQ(img.pixelColor(418, y0), QColor(Qt::black)) << "pointing up";
    EXPECT_EQ(img.pixelColor(416, y0 + 2), QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(420, y0 + 2), QColor(Qt::black));
    EXPECT_NE(img.pixelColor(416, y0), QColor(Qt::black));
    combo.hidePopup();
    EXPECT_FALSE(combo.DroppedDown());
    EXPECT_FALSE(combo.Active());

    combo.setFocus();
    ASSERT_TRUE(combo.hasFocus());
    EXPECT_TRUE(combo.Active());
    EXPECT_EQ(combo.Render().pixelColor(300, 15), ToQColor(clHighlight)) << "focused selection area";
    combo.clearFocus();
    EXPECT_EQ(combo.Render().pixelColor(300, 15), ToQColor(clWindow));
}

TEST(FlatComboBox, InnerEditPlacementAndFontReset)
{
    Form form;
    TMyFlatComboBox combo(&form.window);
    combo.resize(425, 30);
    combo.show();
    ASSERT_NE(combo.lineEdit(), nullptr);
    EXPECT_EQ(combo.lineEdit()->geometry(), QRect(3, 3, 425 - 11 - 8, 24));
    combo.resize(200, 26);
    EXPECT_EQ(combo.lineEdit()->geometry(), QRect(3, 3, 200 - 11 - 8, 20));

    combo.SetItemHeight(22);
    QFont f(QStringLiteral("Trebuchet MS"));
    f.setPixelSize(16);
    combo.setFont(f);
    EXPECT_EQ(combo.ItemHeight(), 13) << "a font change resets the item height";
    combo.SetItemHeight(22);
    combo.addItem("mp4");
    EXPECT_EQ(combo.view()->sizeHintForRow(0), 22);

    combo.SetStyle(csSimple);
    const QImage img = combo.Render();
    EXPECT_EQ(img.pixelColor(195, 12), ToQColor(clWindow)) << "no button for csSimple";
}
