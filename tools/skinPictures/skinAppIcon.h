#pragma once
// The application icon for the desktop's menus and launchers, in the hicolor theme's sizes.
#include <QImage>

#include <array>

namespace skin {

// Pixel sizes installed under share/icons/hicolor/NxN/apps/.
constexpr std::array<int, 8> kAppIconSizes = { 16, 22, 24, 32, 48, 64, 128, 256 };

// The icon at size x size pixels: a film card behind the gold convert disc on an amber tile.
QImage AppIcon(int size);

} // namespace skin
