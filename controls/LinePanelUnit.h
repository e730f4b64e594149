#pragma once
// A panel that paints a solid background, optional one-pixel lines along its edges and a
// single-line caption, composed off screen.
#include "controls/skinGraphics.h"

#include <QImage>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <initializer_list>

enum TLineBorder { lbTop, lbLeft, lbRight, lbBottom };

// A set of TLineBorder, stored as bits 0 to 3.
class TLineBorders {
public:
    TLineBorders() = default;
    TLineBorders(std::initializer_list<TLineBorder> items)
    {
        for (TLineBorder b : items)
            bits_ |= Bit(b);
    }
    bool Contains(TLineBorder b) const { return bits_ & Bit(b); }
    uint8_t Bits() const { return bits_; }
    static TLineBorders FromBits(uint8_t bits)
    {
        TLineBorders s;
        s.bits_ = bits & 0x0F;
        return s;
    }
    bool operator==(const TLineBorders&) const = default;

private:
    static uint8_t Bit(TLineBorder b) { return static_cast<uint8_t>(1u << b); }
    uint8_t bits_ = 0;
};

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

class TLinePanel : public QWidget {
    Q_OBJECT
public:
    explicit TLinePanel(QWidget* parent = nullptr);

    TColor LineColor() const { return lineColor_; }
    void SetLineColor(TColor c);
    TLineBorders LineBorders() const { return lineBorders_; }
    void SetLineBorders(TLineBorders b);
    const QString& Caption() const { return caption_; }
    void SetCaption(const QString& text);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);
    // Background; while ParentColor is on it is the parent's background colour.
    TColor Color() const;
    void SetColor(TColor c);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool value);
    // Border around the client area, filled in Color; children belong inside contentsRect().
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int w);

    // The client area (inside BorderWidth) composed off screen, as the paint copies it.
    const QImage& Render();

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void SyncPalette();

    QImage buffer_;
    TColor lineColor_ = 0xB99D7F;
    TLineBorders lineBorders_;
    QString caption_;
    TAlignment alignment_ = taCenter;
    TColor color_ = clBtnFace;
    bool parentColor_ = true;
    int borderWidth_ = 0;
};
