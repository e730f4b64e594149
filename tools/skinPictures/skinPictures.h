#pragma once
// Every picture of the skin: its file name under assets/skin/ and how to draw it.
#include <QImage>
#include <QString>

#include <functional>
#include <vector>

namespace skin {

struct TSkinPicture {
    QString file; // name under assets/skin/; the suffix chooses the format
    std::function<QImage()> draw;
};

// All pictures in the order of the resource file.
std::vector<TSkinPicture> AllPictures();
// The application icon in every hicolor size, as "NxN/vidmorph.png".
std::vector<TSkinPicture> AppIcons();

// Writes one picture: PNG (8-bit RGBA, or 24-bit RGB for an image without alpha) or JPEG.
bool SavePicture(const QImage& image, const QString& path);

// How far a stored picture is from a freshly drawn one: the share (0..1) of pixels whose colour or
// alpha differ by more than `tolerance` in some channel; 1 when the sizes differ or the file is
// unreadable. The drawing is first stored and read back in the file's format (JPEG is lossy).
double ShareDiffering(const QImage& drawn, const QString& storedPath, int tolerance);

} // namespace skin
