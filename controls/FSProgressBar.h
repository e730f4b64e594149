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
#include "controls/skinGraphics.h"

#include <QImage>
#include <QWidget>

#include <cstdint>

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

// Selectors of the shared colour writer; the numbers are the ones forms and callers pass.
enum class TBarColor : int {
    Border = 0,
    BackFace = 10, // background gradient start
    BackGrad = 11, // background gradient end
    ForeFace = 20, // fill gradient start
    ForeGrad = 21, // fill gradient end
};

class TFSProgressBar : public QWidget {
    Q_OBJECT
public:
    explicit TFSProgressBar(QWidget* parent = nullptr);

    TColor ColorBorder() const { return colorBorder_; }
    void SetColorBorder(TColor c) { SetColor(TBarColor::Border, c); }
    TColor BackColorFace() const { return backColorFace_; }
    void SetBackColorFace(TColor c) { SetColor(TBarColor::BackFace, c); }
    TColor BackColorGrad() const { return backColorGrad_; }
    void SetBackColorGrad(TColor c) { SetColor(TBarColor::BackGrad, c); }
    TColor ForeColorFace() const { return foreColorFace_; }
    void SetForeColorFace(TColor c) { SetColor(TBarColor::ForeFace, c); }
    TColor ForeColorGrad() const { return foreColorGrad_; }
    void SetForeColorGrad(TColor c) { SetColor(TBarColor::ForeGrad, c); }
    // Shared colour writer; a value outside TBarColor writes nothing. Always switches the scheme
    // to csCustom and invalidates.
    void SetColor(TBarColor index, TColor color);

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
    // The picture a paint copies to the screen: width() x height() logical pixels at the widget's
    // device pixel ratio, RGB32.
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
