#pragma once
// A decoded PNG picture for the skin (libpng called directly, so the colour type, bit depth and
// single-colour transparency of the file stay known).
//
//   TPngImage img = TPngImage::FromFile(":/skin/add.png");   // bytes, a file or a Qt resource
//   img.Draw(painter, QRect(0, 0, img.Width(), img.Height())); // alpha-blended, scaled to the rect
//
// Pixels are kept as straight (non-premultiplied) ARGB with the file's transparency already
// applied: a tRNS colour or palette entry becomes the pixel's alpha. Drawing uses a premultiplied
// copy that is built once and dropped whenever pixels change. Copies share pixels (copy on write).
// Bad data (not a PNG, truncated, corrupt, absurd size) throws EImageError; the image is unchanged.
#include "controls/skinGraphics.h"

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QRect>
#include <QString>

#include <cstdint>
#include <stdexcept>
#include <string>

class QPainter;

class EImageError : public std::runtime_error {
public:
    explicit EImageError(const std::string& message)
        : std::runtime_error(message)
    {
    }
};

// The bytes of an image file (a Qt resource path works too); `kind` ("PNG", "JPEG") names the
// format in the error. Errors raised by decode get the path appended.
template <class Decode> auto DecodeImageFile(const QString& path, const char* kind, Decode decode)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw EImageError(std::string(kind) + " image: cannot open " + path.toStdString());
    try {
        return decode(f.readAll());
    } catch (const EImageError& e) {
        throw EImageError(std::string(e.what()) + " (" + path.toStdString() + ")");
    }
}

// The PNG colour types, with their codes in the file header.
enum TPngColorType : uint8_t {
    ctGrayscale = 0,
    ctRGB = 2,
    ctPalette = 3,
    ctGrayscaleAlpha = 4,
    ctRGBAlpha = 6,
};

class TPngImage {
public:
    // Decoding refuses images wider or taller than this, before allocating anything.
    static constexpr int MaxSide = 16384;

    TPngImage() = default;

    static TPngImage FromBytes(const QByteArray& bytes);
    // A file path or a Qt resource path (":/..."); a missing file throws EImageError. A companion
    // "NAME@2x.png" of exactly twice the size beside it is kept for drawing on devices of pixel
    // ratio above 1 (all else, sizes and pixel access included, is the 1x picture's).
    static TPngImage FromFile(const QString& path);
    // An RGBA image of the given picture (any QImage format); a null QImage gives an empty image.
    static TPngImage FromQImage(const QImage& image);

    void LoadFromBytes(const QByteArray& bytes) { *this = FromBytes(bytes); }
    void LoadFromFile(const QString& path) { *this = FromFile(path); }
    void Assign(const TPngImage& other) { *this = other; }
    void Clear() { *this = TPngImage(); }

    bool Empty() const { return pixels_.isNull(); }
    int Width() const { return pixels_.width(); }
    int Height() const { return pixels_.height(); }
    TPngColorType ColorType() const { return colorType_; }
    int BitDepth() const { return bitDepth_; }
    bool HasAlphaChannel() const { return colorType_ == ctGrayscaleAlpha || colorType_ == ctRGBAlpha; }

    // Single-colour transparency (tRNS) of a grey, colour or palette image. For a palette image
    // the colour is that of the first fully transparent entry (clBlack if only partial ones).
    bool HasTransparentColor() const { return hasTransparentColor_; }
    TColor TransparentColor() const { return transparentColor_; }
    // True for a pixel made invisible by the tRNS colour or palette entry.
    bool IsTransparentPixel(int x, int y) const { return hasTransparentColor_ && Alpha(x, y) == 0; }

    // Per-pixel access; x, y must lie inside the image. Alpha is 255 where the file has none.
    uint8_t Alpha(int x, int y) const { return static_cast<uint8_t>(qAlpha(pixels_.pixel(x, y))); }
    void SetAlpha(int x, int y, uint8_t alpha);
    // The colour of a pixel as 0x00BBGGRR, ignoring its alpha.
    TColor PixelColor(int x, int y) const;

    // Adds an alpha channel (grey -> grey+alpha, colour or palette -> RGBA). Every pixel becomes
    // opaque except those the tRNS transparency hid, which keep alpha 0; tRNS itself is dropped.
    // Images that already have alpha are unchanged.
    void CreateAlpha();
    // Rebuilds the image as 8-bit RGBA with each pixel's colour and alpha unchanged.
    void ConvertToRGBAlpha();

    // Scales the image into r and blends it over what the painter's device holds; an empty image
    // or rectangle draws nothing. Scaling follows the painter's render hints. On a device of pixel
    // ratio above 1 the @2x companion is drawn, while the pixels are still the file's.
    void Draw(QPainter& painter, const QRect& r) const;
    // Straight-alpha ARGB32 pixels (null when empty).
    const QImage& Pixels() const { return pixels_; }
    // The premultiplied picture that Draw uses.
    const QImage& Premultiplied() const;

private:
    void PixelsChanged()
    {
        premultiplied_ = QImage();
        detail_ = QImage(); // no longer the same picture
    }

    QImage pixels_; // Format_ARGB32
    mutable QImage premultiplied_; // Format_ARGB32_Premultiplied, built on first draw
    QImage detail_; // the @2x companion, premultiplied; null when there is none
    TPngColorType colorType_ = ctRGBAlpha;
    uint8_t bitDepth_ = 8;
    bool hasTransparentColor_ = false;
    TColor transparentColor_ = clBlack;
};
