#pragma once
// The large and plain pictures: splash, header, list background, bottom strip and grip.
#include <QImage>

namespace skin {

// 570 x 330, opaque, with the application title; saved as JPEG.
QImage Splash();
// 400 x 200 light behind the tool buttons; fades out towards its right and bottom edges.
QImage Header();
// 256 x 256 without alpha; top and left edges in the list colour so it joins the list seamlessly.
QImage ListBackground();
// 6 x 21, every column alike: stretched over the window's width.
QImage BottomStrip();
// 11 x 11 dots for the bottom-right corner.
QImage Grip();

} // namespace skin
