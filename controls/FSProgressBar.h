#pragma once
// A window-less progress bar: one-pixel border, two-colour gradient background and a two-colour
// gradient fill whose length follows Position between Min and Max.
//
//   auto* bar = new TFSProgressBar(window);  // 200 x 16, csDesert colours
//   bar->setGeometry(16, 432, 828, 17);
//   bar->SetPosition(50);                    // repaints at once
//
// Position, Min, Max and Step repaint at once (repaint()); colours, scheme and orientation
// invalidate (update()). Position below Min, Min above Max and Max below Min are ignored.
#include <QImage>
#include <QWidget>
#include <cstdint>

#include "controls/skinGraphics.h"

enum TColorScheme : uint8_t {
    csCustom,
    csDesert,
    csGrass,
    csSilver,
    csSky,
    csRose,
    csSun,
    csHackers,
    csNight,
    csVelvet,
    csMetal,
    csViolet,
    csToxic,
};

enum TProgressBarOrientation : uint8_t { pbHorizontal, pbVertical };

class TFSProgressBar : public QWidget {
    Q_OBJECT
public:
    explicit TFSProgressBar(QWidget* parent = nullptr);

    TColor ColorBorder() const { return colorBorder_; }
    void SetColorBorder(TColor c) { SetColor(0, c); }
    TColor BackColorFace() const { return backColorFace_; }
    void SetBackColorFace(TColor c) { SetColor(10, c); }
    TColor BackColorGrad() const { return backColorGrad_; }
    void SetBackColorGrad(TColor c) { SetColor(11, c); }
    TColor ForeColorFace() const { return foreColorFace_; }
    void SetForeColorFace(TColor c) { SetColor(20, c); }
    TColor ForeColorGrad() const { return foreColorGrad_; }
    void SetForeColorGrad(TColor c) { SetColor(21, c); }
    // Shared colour writer: index 0 border, 10/11 background start/end, 20/21 fill start/end;
    // other indexes write nothing. Always switches the scheme to csCustom and invalidates.
    void SetColor(int index, TColor color);

    TColorScheme ColorScheme() const { return colorScheme_; }
    void SetColorScheme(TColorScheme scheme);
    int Max() const { return max_; }
    void SetMax(int value);
    int Min() const { return min_; }
    void SetMin(int value);
    int Position() const { return position_; }
    void SetPosition(int value);
    int Step() const { return step_; }
    void SetStep(int value);
    TProgressBarOrientation Orientation() const { return orientation_; }
    void SetOrientation(TProgressBarOrientation value);

    // Fill length in pixels (horizontal) from the left edge; 0 when Max equals Min.
    int FillLength() const;
    // First row of the fill (vertical); H - 1 (on the bottom border) when empty.
    int FillTop() const;
    // The picture a paint copies to the screen: width() x height(), RGB32.
    QImage Compose() const;

    TNotifyEvent OnClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void ComposeHorizontal(QImage& img) const;
    void ComposeVertical(QImage& img) const;
    double Share(int extent) const; // extent x (Position - Min) / (Max - Min)

    TColor colorBorder_ = clBlack;
    TColor backColorFace_ = clBlack;
    TColor backColorGrad_ = clBlack;
    TColor foreColorFace_ = clBlack;
    TColor foreColorGrad_ = clBlack;
    TProgressBarOrientation orientation_ = pbHorizontal;
    TColorScheme colorScheme_ = csCustom;
    int position_ = 0;
    int min_ = 0;
    int max_ = 100;
    int step_ = 10;
    bool leftDown_ = false;
};
