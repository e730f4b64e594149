#include "controls/pngImage.h"

#include <QByteArray>
#include <QFile>
#include <QPainter>
#include <png.h>

#include <cstring>
#include <vector>

// libpng reports errors by longjmp. The functions that call setjmp (ReadHeader, ReadRows) keep
// only trivially destructible locals, and every object with a destructor lives in their callers,
// so a longjmp never skips a destructor.

namespace {

constexpr int64_t MaxPixels = int64_t(1) << 25; // 128 MB of RGBA; the skin's images are tiny

struct PngSource {
    const unsigned char* data;
    size_t size;
    size_t pos;
    char message[256];
};

struct PngHeader {
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0;
    bool hasTransparentColor = false;
    TColor transparentColor = clBlack;
};

// Owns the libpng read structures for the lifetime of one decode.
struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngReader()
    {
        if (png)
            png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
};

void OnPngError(png_structp png, png_const_charp message)
{
    auto* src = static_cast<PngSource*>(png_get_error_ptr(png));
    std::snprintf(src->message, sizeof src->message, "%s", message ? message : "unknown error");
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) { } // benign: ignored

void OnPngRead(png_structp png, png_bytep out, png_size_t length)
{
    auto* src = static_cast<PngSource*>(png_get_io_ptr(png));
    if (length > src->size - src->pos)
        png_error(png, "unexpected end of data (truncated file)");
    std::memcpy(out, src->data + src->pos, length);
    src->pos += length;
}

// A sample of the given bit depth scaled to 0..255.
int ScaleSample(int value, int bitDepth)
{
    const int maxValue = (1 << bitDepth) - 1;
    return RoundHalfEven(double(value) * 255.0 / maxValue);
}

void ReadTransparency(png_structp png, png_infop info, PngHeader& h)
{
    if (!png_get_valid(png, info, PNG_INFO_tRNS))
        return;
    png_bytep alphas = nullptr;
    int count = 0;
    png_color_16p colour = nullptr;
    png_get_tRNS(png, info, &alphas, &count, &colour);
    h.hasTransparentColor = true;
    if (h.colorType == PNG_COLOR_TYPE_PALETTE) {
        png_colorp palette = nullptr;
        int entries = 0;
        png_get_PLTE(png, info, &palette, &entries);
        for (int i = 0; i < count && i < entries; ++i) {
            if (alphas[i] == 0) {
                h.transparentColor = RGBColor(palette[i].red, palette[i].green, palette[i].blue);
                break;
            }
        }
    } else if (colour && h.colorType == PNG_COLOR_TYPE_GRAY) {
        const int g = ScaleSample(colour->gray, h.bitDepth);
        h.transparentColor = RGBColor(g, g, g);
    } else if (colour && h.colorType == PNG_COLOR_TYPE_RGB) {
        h.transparentColor = RGBColor(ScaleSample(colour->red, h.bitDepth),
            ScaleSample(colour->green, h.bitDepth), ScaleSample(colour->blue, h.bitDepth));
    } else {
        h.hasTransparentColor = false; // tRNS is not allowed with an alpha channel
    }
}

// Reads the header and sets up decoding to 8-bit RGBA rows. False on error (message in src).
bool ReadHeader(PngReader& r, PngHeader& h)
{
    if (setjmp(png_jmpbuf(r.png)))
        return false;
    png_read_info(r.png, r.info);
    int interlace = 0;
    png_get_IHDR(r.png, r.info, &h.width, &h.height, &h.bitDepth, &h.colorType, &interlace, nullptr, nullptr);
    if (int64_t(h.width) * h.height > MaxPixels)
        png_error(r.png, "image too large");
    ReadTransparency(r.png, r.info, h);
    png_set_expand(r.png); // palette -> RGB, low-bit grey -> 8 bit, tRNS -> alpha
    png_set_scale_16(r.png);
    png_set_gray_to_rgb(r.png);
    png_set_add_alpha(r.png, 0xFF, PNG_FILLER_AFTER); // no-op when alpha is already there
    png_set_interlace_handling(r.png);
    png_read_update_info(r.png, r.info);
    if (png_get_rowbytes(r.png, r.info) != size_t(h.width) * 4)
        png_error(r.png, "unsupported pixel layout");
    return true;
}

bool ReadRows(PngReader& r, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(r.png)))
        return false;
    png_read_image(r.png, rows);
    png_read_end(r.png, nullptr);
    return true;
}

[[noreturn]] void Fail(const PngSource& src)
{
    throw EImageError(std::string("PNG image: ") + src.message);
}

// True when every chunk up to IEND lies inside the file. libpng allocates a chunk's length, which
// comes from the file, before it finds that the data is not there: a forged text chunk had it
// allocate and clear 2 GB, whatever its chunk size limit says.
bool ChunksFit(const unsigned char* data, size_t size)
{
    size_t at = 8; // after the signature
    while (at + 12 <= size) { // length, type, data, CRC
        const size_t length = (size_t(data[at]) << 24) | (size_t(data[at + 1]) << 16) | (size_t(data[at + 2]) << 8)
            | size_t(data[at + 3]);
        if (length > size - at - 12)
            return false;
        if (std::memcmp(data + at + 4, "IEND", 4) == 0)
            return true;
        at += 12 + length;
    }
    return false;
}

} // namespace

TPngImage TPngImage::FromBytes(const QByteArray& bytes)
{
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const size_t size = size_t(bytes.size());
    if (size < 8 || png_sig_cmp(data, 0, 8) != 0)
        throw EImageError("PNG image: not a PNG file");

    if (!ChunksFit(data, size))
        throw EImageError("PNG image: the file is cut off or a chunk's length is wrong");
    PngSource src { data, size, 0, {} };
    PngReader r;
    r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &src, OnPngError, OnPngWarning);
    if (r.png)
        r.info = png_create_info_struct(r.png);
    if (!r.png || !r.info)
        throw EImageError("PNG image: out of memory");
    png_set_read_fn(r.png, &src, OnPngRead);
    png_set_user_limits(r.png, MaxSide, MaxSide);
    // A chunk's length comes from the file: without a bound, a forged text chunk makes libpng
    // allocate and clear hundreds of megabytes before it fails. Skin pictures carry none that large.
    png_set_chunk_malloc_max(r.png, 1 << 20);

    PngHeader h;
    if (!ReadHeader(r, h))
        Fail(src);
    QImage rgba(int(h.width), int(h.height), QImage::Format_RGBA8888);
    if (rgba.isNull())
        throw EImageError("PNG image: out of memory");
    std::vector<png_bytep> rows(h.height);
    for (png_uint_32 y = 0; y < h.height; ++y)
        rows[y] = rgba.scanLine(int(y));
    if (!ReadRows(r, rows.data()))
        Fail(src);

    TPngImage img;
    img.pixels_ = rgba.convertToFormat(QImage::Format_ARGB32);
    img.colorType_ = static_cast<TPngColorType>(h.colorType);
    img.bitDepth_ = static_cast<uint8_t>(h.bitDepth);
    img.hasTransparentColor_ = h.hasTransparentColor;
    img.transparentColor_ = h.transparentColor;
    return img;
}

TPngImage TPngImage::FromFile(const QString& path)
{
    const auto decode = [](const QByteArray& bytes) { return FromBytes(bytes); };
    TPngImage img = DecodeImageFile(path, "PNG", decode);
    const QString twice = path.endsWith(".png") ? path.chopped(4) + "@2x.png" : QString();
    if (!twice.isEmpty() && QFile::exists(twice)) {
        try {
            const TPngImage detail = DecodeImageFile(twice, "PNG", decode);
            if (detail.pixels_.size() == img.pixels_.size() * 2)
                img.detail_ = detail.Premultiplied();
        } catch (const EImageError&) {
            // A broken companion only costs sharpness: the 1x picture is drawn.
        }
    }
    return img;
}

TPngImage TPngImage::FromQImage(const QImage& image)
{
    TPngImage img;
    if (!image.isNull())
        img.pixels_ = image.convertToFormat(QImage::Format_ARGB32);
    return img;
}

void TPngImage::SetAlpha(int x, int y, uint8_t alpha)
{
    const QRgb p = pixels_.pixel(x, y);
    pixels_.setPixel(x, y, qRgba(qRed(p), qGreen(p), qBlue(p), alpha));
    PixelsChanged();
}

TColor TPngImage::PixelColor(int x, int y) const
{
    const QRgb p = pixels_.pixel(x, y);
    return RGBColor(qRed(p), qGreen(p), qBlue(p));
}

void TPngImage::CreateAlpha()
{
    if (HasAlphaChannel())
        return;
    colorType_ = colorType_ == ctGrayscale ? ctGrayscaleAlpha : ctRGBAlpha;
    bitDepth_ = 8;
    hasTransparentColor_ = false;
}

void TPngImage::ConvertToRGBAlpha()
{
    colorType_ = ctRGBAlpha;
    bitDepth_ = 8;
    hasTransparentColor_ = false;
}

const QImage& TPngImage::Premultiplied() const
{
    if (premultiplied_.isNull() && !pixels_.isNull())
        premultiplied_ = pixels_.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    return premultiplied_;
}

void TPngImage::Draw(QPainter& painter, const QRect& r) const
{
    if (Empty() || r.isEmpty())
        return;
    if (!detail_.isNull() && painter.device() && painter.device()->devicePixelRatioF() > 1)
        painter.drawImage(r, detail_);
    else if (r.size() == pixels_.size())
        painter.drawImage(r.topLeft(), Premultiplied());
    else
        painter.drawImage(r, Premultiplied());
}
