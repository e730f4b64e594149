#pragma once
// Builds PNG and JPEG files in memory for the image tests (libpng and libjpeg write APIs), so every
// colour type, bit depth and transparency form can be produced exactly.
#include <QByteArray>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h> // after <cstdio>: it uses FILE and size_t without including them

struct PngPlan {
    int width = 1, height = 1;
    int colorType = PNG_COLOR_TYPE_RGBA;
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<std::vector<uint8_t>> rows; // packed as in the file (libpng's row layout)
    std::vector<png_color> palette;
    std::vector<uint8_t> trnsAlpha; // palette images: alpha per palette entry
    bool hasTrnsColor = false;
    png_color_16 trnsColor {}; // grey (gray) or colour (red, green, blue) images
};

namespace imagetest {

inline void AppendBytes(png_structp png, png_bytep data, png_size_t n)
{
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), n);
}

// Writes with trivially destructible locals only, since libpng longjmps on error.
inline bool WritePng(const PngPlan& s, std::string* out, png_bytepp rows)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, AppendBytes, nullptr);
    png_set_IHDR(png, info, s.width, s.height, s.bitDepth, s.colorType,
        s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
        PNG_FILTER_TYPE_DEFAULT);
    if (!s.palette.empty())
        png_set_PLTE(png, info, s.palette.data(), int(s.palette.size()));
    if (!s.trnsAlpha.empty())
        png_set_tRNS(png, info, s.trnsAlpha.data(), int(s.trnsAlpha.size()), nullptr);
    if (s.hasTrnsColor)
        png_set_tRNS(png, info, nullptr, 0, &s.trnsColor);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace imagetest

inline QByteArray EncodePng(const PngPlan& s)
{
    std::string out;
    std::vector<png_bytep> rows;
    for (const auto& r : s.rows)
        rows.push_back(const_cast<png_bytep>(r.data()));
    if (!imagetest::WritePng(s, &out, rows.data()))
        return {};
    return QByteArray(out.data(), qsizetype(out.size()));
}

// An 8-bit RGBA PNG from 0xAARRGGBB pixels, row by row.
inline QByteArray EncodeRgbaPng(int width, int height, const std::vector<uint32_t>& argb)
{
    PngPlan s;
    s.width = width;
    s.height = height;
    for (int y = 0; y < height; ++y) {
        std::vector<uint8_t> row;
        for (int x = 0; x < width; ++x) {
            const uint32_t p = argb[size_t(y * width + x)];
            row.insert(row.end(), { uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), uint8_t(p >> 24) });
        }
        s.rows.push_back(row);
    }
    return EncodePng(s);
}

// A baseline JPEG of 8-bit samples (3 per pixel for RGB, 1 for grey).
inline QByteArray EncodeJpeg(int width, int height, bool grey, const std::vector<uint8_t>& samples)
{
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = JDIMENSION(width);
    c.image_height = JDIMENSION(height);
    c.input_components = grey ? 1 : 3;
    c.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 100, TRUE);
    jpeg_start_compress(&c, TRUE);
    const int stride = width * c.input_components;
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(&samples[size_t(c.next_scanline) * size_t(stride)]);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    QByteArray bytes(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    return bytes;
}
