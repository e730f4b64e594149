#pragma once
// Flat tooltips: TMyFlatHint placed on a form switches the whole application to TMyFlatHintWindow,
// a borderless box with a one-pixel frame, word-wrapped text and a 14-pixel strip holding a small
// arrow that points at the cursor. The window opens toward the middle of the primary screen.
#include "controls/skinGraphics.h"

#include <QFont>
#include <QImage>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>

class QHelpEvent;
class QTimer;

enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };

// What a show-hint handler may change besides the text and the may-show flag.
struct THintInfo {
    QWidget* HintControl = nullptr; // the widget the hint belongs to
    QPoint CursorPos; // global cursor position when the hint was asked for
    int HintMaxWidth = 0; // informational; the window uses MaxHintWidth of the component
};

using TShowHintEvent = std::function<void(QString& hintStr, bool& canShow, THintInfo& hintInfo)>;

class TMyFlatHintWindow;
class TMyFlatHintFilter;

class TMyFlatHint : public QObject {
    Q_OBJECT
public:
    // Hint timings the application uses while a flat hint exists, in milliseconds.
    static constexpr int HintShortPause = 25;
    static constexpr int HintPause = 500;
    static constexpr int HintHidePause = 5000;

    // owner: the form the component sits on; a component without one is never found by the hint
    // window, so it gives no hints.
    explicit TMyFlatHint(QObject* owner);
    ~TMyFlatHint() override;

    TColor ColorBackground() const { return colors_[0]; }
    void SetColorBackground(TColor c) { SetColor(0, c); }
    TColor ColorBorder() const { return colors_[1]; }
    void SetColorBorder(TColor c) { SetColor(1, c); }
    TColor ColorArrowBackground() const { return colors_[2]; }
    void SetColorArrowBackground(TColor c) { SetColor(2, c); }
    TColor ColorArrow() const { return colors_[3]; }
    void SetColorArrow(TColor c) { SetColor(3, c); }
    int MaxHintWidth() const { return maxHintWidth_; }
    void SetMaxHintWidth(int w) { maxHintWidth_ = w; }
    const QFont& Font() const { return font_; }
    void SetFont(const QFont& f) { font_ = f; }
    // The font's colour (a QFont carries none).
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor c) { fontColor_ = c; }
    TBiDiMode BidiMode() const { return bidiMode_; }
    void SetBidiMode(TBiDiMode m);

    TShowHintEvent OnShowHint;

    // The application's show-hint handler: forwards to OnShowHint when assigned.
    void DoShowHint(QString& hintStr, bool& canShow, THintInfo& hintInfo);

    // The component whose look the hint window uses now (nullptr: hints are not shown).
    static TMyFlatHint* FindHintComponent();
    // The application's one hint window (nullptr before the first TMyFlatHint).
    static TMyFlatHintWindow* HintWindow();
    // The application-wide tooltip filter (nullptr before the first TMyFlatHint).
    static TMyFlatHintFilter* HintFilter();

private:
    void SetColor(int index, TColor c) { colors_[index] = c; }

    QFont font_;
    TColor colors_[4] = { clWhite, clBlack, 0x53D2FF, clBlack };
    TColor fontColor_ = clWindowText;
    int maxHintWidth_ = 200;
    TBiDiMode bidiMode_ = bdLeftToRight;
};

class TMyFlatHintWindow : public QWidget {
    Q_OBJECT
public:
    TMyFlatHintWindow();

    // Shows text next to the cursor in the look of the current hint component. The proposed
    // rectangle is ignored apart from being overwritten: the window places itself by the cursor.
    void ActivateHint(QRect rect, const QString& text);
    // The same with the cursor position and primary screen size given (tests, other screens).
    void ActivateHintAt(QRect rect, const QString& text, QPoint cursor, QSize screen);

    const QString& Text() const { return text_; }
    // 0 cursor top-right of the screen, 1 top-left, 2 bottom-right, 3 bottom-left.
    int Direction() const { return direction_; }
    // The arrow's tip in client coordinates, as computed by the last paint.
    QPoint ArrowAnchor() const { return arrowAnchor_; }

    // Direction for a cursor position on a screen of the given size (quarters as half-open
    // rectangles; anything outside the first three quarters counts as bottom right).
    static int DirectionFor(QPoint cursor, QSize screen);
    // Window bounds for a window of size w x h and a cursor in the given direction.
    static QRect WindowRectFor(int direction, QPoint cursor, QSize size);
    // The same rectangle moved as little as needed to lie on the screen of the given size, when the
    // cursor is on it.
    static QRect KeptOnScreen(QRect bounds, QPoint cursor, QSize screen);

    // The whole client area composed off screen (also what the paint copies in one block).
    QImage Render();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void DrawArrow(QPainter& p, QRect strip);

    QString text_;
    int direction_ = 1;
    QPoint arrowAnchor_;
    QPointer<TMyFlatHint> hint_;
    QFont canvasFont_;
};

// The application-wide tooltip filter: answers QEvent::ToolTip with the flat hint window and
// hides it again on leave, press, key, wheel or after the hide pause.
//
// The pauses are its own: once the mouse rests (no button held) on a widget for HintPause, or
// HintShortPause while a hint is showing, it sends that widget a QEvent::ToolTip. Qt's own tooltip
// events that arrive while such a pause runs are dropped, so Qt's timings never apply.
class TMyFlatHintFilter : public QObject {
    Q_OBJECT
public:
    explicit TMyFlatHintFilter(QObject* parent);
    TMyFlatHintWindow* Window() { return window_; }
    void SetForwarder(TMyFlatHint* hint) { forwarder_ = hint; }
    TMyFlatHint* Forwarder() const { return forwarder_; }
    // Runs the show-hint step for a control's hint text at the global cursor position; true if
    // shown. Controls that keep hints per entry (not as their toolTip) call it themselves.
    bool ShowHint(QWidget* control, QString text, QPoint globalPos);
    // The hint of widget at a local position: its toolTip, or for an item view's viewport the
    // ToolTipRole text of the entry there.
    static QString HintTextAt(QWidget* widget, QPoint pos);
    void HideHint();
    // The pause in milliseconds after which a resting mouse gets its hint; -1 when none runs.
    int PendingPause() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A mouse move without buttons over widget at pos (local): (re)starts the pause.
    void MouseRests(QWidget* widget, QPoint pos, QPoint globalPos);
    // The pause is over: the widget under the resting mouse gets its ToolTip event.
    void WakeUp();
    bool HandleToolTip(QWidget* widget, QHelpEvent* help);

    TMyFlatHintWindow* window_;
    QPointer<TMyFlatHint> forwarder_;
    QPointer<QWidget> hintControl_;
    QTimer* hideTimer_;
    QTimer* wakeTimer_;
    QPointer<QWidget> wakeWidget_; // where the mouse rests, and where (local and global)
    QPoint wakePos_;
    QPoint wakeGlobalPos_;
    bool wakingUp_ = false; // the ToolTip event being delivered is the filter's own
};
