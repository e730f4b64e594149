#pragma once
// Flat input controls: a single-line edit with a 3-pixel flat frame whose inner colour follows
// focus and hover (optionally an integer field stepped by keys and wheel), and a combo box with a
// flat frame and a 13-pixel flat drop-down button.
#include "controls/skinGraphics.h"
#include "platform/convert.h" // EConvertError

#include <QComboBox>
#include <QImage>
#include <QLineEdit>

#include <stdexcept>

enum TEditValueType { evDefault, evtInteger, evtFloat };

// Selectors of the edit's shared colour writer (the numbers callers and forms use).
enum class TEditColor : int { Focused = 0, Border = 1, Flat = 2 };
// Selectors of the combo box's shared colour writer.
enum class TComboColor : int { Arrow = 0, ArrowBackground = 1, Border = 2 };

class TMyCustomFlatEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TMyCustomFlatEdit(QWidget* parent = nullptr);

    TEditValueType ValueType() const { return valueType_; }
    void SetValueType(TEditValueType t) { valueType_ = t; }
    int MinValue() const { return minValue_; }
    void SetMinValue(int v) { minValue_ = v; }
    // 0 means no upper limit.
    int MaxValue() const { return maxValue_; }
    void SetMaxValue(int v) { maxValue_ = v; }
    // 0 for evDefault or an empty text, else the text as an integer; throws EConvertError.
    int asInteger() const;

    TColor ColorFocused() const { return colors_[int(TEditColor::Focused)]; }
    void SetColorFocused(TColor c) { SetFrameColor(TEditColor::Focused, c); }
    TColor ColorBorder() const { return colors_[int(TEditColor::Border)]; }
    void SetColorBorder(TColor c) { SetFrameColor(TEditColor::Border, c); }
    TColor ColorFlat() const { return colors_[int(TEditColor::Flat)]; }
    // Also turns ParentColor off.
    void SetColorFlat(TColor c) { SetFrameColor(TEditColor::Flat, c); }
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool value);
    // The background the edit shows now: ColorFocused when highlighted, else ColorFlat.
    TColor Color() const { return color_; }

    // Focused, or hovered while the focus is not on another flat edit.
    bool IsHighlighted() const;
    // Height := the font's height + 6 (the frame and one pixel of air above and below). Runs on
    // every font change and once more when the edit is polished, before it is first shown, so a
    // height set up with the geometry gives way to the font's.
    void AdjustHeight();

    // evtInteger only: one up / one down within the limits; throw EConvertError on a bad text.
    void StepUp();
    void StepDown();

protected:
    // True for the characters an integer edit takes: digits and backspace (code 8).
    virtual bool IsValidChar(QChar ch) const;

    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    // Writes one colour; Flat also turns ParentColor off. Repaints the frame.
    void SetFrameColor(TEditColor index, TColor c);
    void TakeParentColor();
    // Recomputes the background colour and repaints frame and text.
    void RepaintFrame();
    // Runs a step from an event handler: a text that is no number stays and the user hears a beep.
    void SafeStep(bool up);
    // The value-type rules for a typed character; false drops it.
    bool AcceptChar(QChar ch);
    int CurrentValue() const;

    bool parentColor_ = true;
    TColor colors_[3] = { 0xFFFFFF, 0x8396A0, 0xE1EAEB };
    TColor color_ = 0xE1EAEB;
    bool mouseOver_ = false;
    int maxValue_ = 0;
    int minValue_ = 0;
    TEditValueType valueType_ = evDefault;
};

class TMyFlatEdit : public TMyCustomFlatEdit {
    Q_OBJECT
public:
    using TMyCustomFlatEdit::TMyCustomFlatEdit;
};

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

class TMyFlatComboBox : public QComboBox {
    Q_OBJECT
public:
    static constexpr int ButtonWidth = 11;

    explicit TMyFlatComboBox(QWidget* parent = nullptr);

    TComboBoxStyle Style() const { return style_; }
    void SetStyle(TComboBoxStyle s);
    TColor Color() const { return color_; }
    void SetColor(TColor c);
    TColor ColorArrow() const { return colors_[int(TComboColor::Arrow)]; }
    void SetColorArrow(TColor c) { SetButtonColor(TComboColor::Arrow, c); }
    TColor ColorArrowBackground() const { return colors_[int(TComboColor::ArrowBackground)]; }
    void SetColorArrowBackground(TColor c) { SetButtonColor(TComboColor::ArrowBackground, c); }
    TColor ColorBorder() const { return colors_[int(TComboColor::Border)]; }
    void SetColorBorder(TColor c) { SetButtonColor(TComboColor::Border, c); }
    // Height of one entry of the drop-down list, in pixels.
    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int h);
    int DropDownCount() const { return maxVisibleItems(); }
    void SetDropDownCount(int n) { setMaxVisibleItems(n); }

    bool DroppedDown() const { return droppedDown_; }
    bool Active() const { return active_; }
    // The button as drawn: x from Width - 13 to Width - 1, full height.
    QRect ButtonRect() const;
    // The whole control composed off screen (also what the paint copies in one block).
    QImage Render() const;

    void showPopup() override;
    void hidePopup() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool IsListStyle() const { return style_ != csDropDown && style_ != csSimple; }
    void SetButtonColor(TComboColor index, TColor c);
    void UpdateActive();
    void PlaceEdit();
    void ApplyColors();
    void DrawFrame(QPainter& p) const;
    void DrawButton(QPainter& p) const;
    void DrawSelection(QPainter& p) const;

    TComboBoxStyle style_ = csDropDown;
    TColor color_ = clWindow;
    TColor colors_[3] = { 0, 0xC5D6D9, 0x8396A0 };
    int itemHeight_ = 13;
    bool droppedDown_ = false;
    bool active_ = false;
};
