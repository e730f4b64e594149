#pragma once
// The skin's colours, taken from the window settings so the pictures sit on what surrounds them.
#include "controls/skinGraphics.h"

#include <QColor>

namespace skin {

inline QColor Tc(TColor c)
{
    return ToQColor(c);
}
inline QColor Tc(TColor c, int alpha)
{
    QColor q = ToQColor(c);
    q.setAlpha(alpha);
    return q;
}

constexpr TColor kWindow = 0xD1A481; // main window and dialog background
constexpr TColor kCaption = 0x8B4215; // caption labels: dark navy
constexpr TColor kLine = 0xE3B28D; // panel lines and progress-bar border
constexpr TColor kPanel = 0xFFDBBF; // list panel behind the tabs
constexpr TColor kList = 0xEEEAE9; // list control background
constexpr TColor kListText = 0x797993;
constexpr TColor kAmberLight = 0x9BDEFF; // progress fill, light end
constexpr TColor kAmberDark = 0x007BB7; // progress fill, dark end
constexpr TColor kCream = 0xC6ECFF; // progress background

// Symbol colours (light top, dark bottom of a glossy shape).
constexpr TColor kGreenLight = RGBColor(0x8A, 0xE0, 0x62);
constexpr TColor kGreenDark = RGBColor(0x1C, 0x8A, 0x2C);
constexpr TColor kRedLight = RGBColor(0xFF, 0x86, 0x72);
constexpr TColor kRedDark = RGBColor(0xC0, 0x1E, 0x1A);
constexpr TColor kBlueLight = RGBColor(0x6F, 0xA8, 0xEE);
constexpr TColor kBlueDark = RGBColor(0x15, 0x42, 0x8B);
constexpr TColor kGoldLight = RGBColor(0xFF, 0xD9, 0x73);
constexpr TColor kGoldDark = RGBColor(0xD8, 0x8A, 0x0C);

} // namespace skin
