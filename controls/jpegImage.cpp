#include "controls/jpegImage.h"

#include <QByteArray>
#include <QFile>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h> // after <cstdio>: it uses FILE and size_t without including them

// libjpeg reports fatal errors through error_exit, which here longjmps back to the setjmp of
// StartDecoding or ReadLines. Those functions keep only trivially destructible locals; the objects
// with destructors live in LoadJpegFromBytes, whose frame a longjmp never leaves.

namespace {

constexpr long long MaxPixels = 1LL << 25;
constexpr unsigned MaxSide = 16384;

struct JpegErrors {
    jpeg_error_mgr mgr; // first member: libjpeg hands back a jpeg_error_mgr*
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool warned;
};

// Owns the decompressor for one decode.
struct JpegDecoder {
    jpeg_decompress_struct cinfo;
    JpegErrors errors;
    JpegDecoder()
    {
        std::memset(&cinfo, 0, sizeof cinfo);
        std::memset(&errors, 0, sizeof errors);
    }
    ~JpegDecoder() { jpeg_destroy_decompress(&cinfo); } // safe on a zeroed or half-built struct
};

JpegErrors& ErrorsOf(j_common_ptr cinfo)
{
    return *reinterpret_cast<JpegErrors*>(cinfo->err);
}

void OnJpegError(j_common_ptr cinfo)
{
    JpegErrors& e = ErrorsOf(cinfo);
    cinfo->err->format_message(cinfo, e.message);
    std::longjmp(e.jump, 1);
}

// Level -1 is a warning about corrupt or truncated data; higher levels are traces.
void OnJpegMessage(j_common_ptr cinfo, int level)
{
    JpegErrors& e = ErrorsOf(cinfo);
    if (level >= 0 || e.warned)
        return;
    cinfo->err->format_message(cinfo, e.message);
    e.warned = true;
}

bool StartDecoding(JpegDecoder& d, const unsigned char* data, size_t size)
{
    jpeg_decompress_struct& c = d.cinfo;
    c.err = jpeg_std_error(&d.errors.mgr);
    d.errors.mgr.error_exit = OnJpegError;
    d.errors.mgr.emit_message = OnJpegMessage;
    if (setjmp(d.errors.jump))
        return false;
    jpeg_create_decompress(&c);
    jpeg_mem_src(&c, data, static_cast<unsigned long>(size));
    jpeg_read_header(&c, TRUE);
    if (c.image_width > MaxSide || c.image_height > MaxSide
        || (long long)c.image_width * c.image_height > MaxPixels) {
        std::snprintf(d.errors.message, sizeof d.errors.message, "image too large (%u x %u)", c.image_width,
            c.image_height);
        std::longjmp(d.errors.jump, 1);
    }
    c.out_color_space = JCS_RGB;
    jpeg_start_decompress(&c);
    if (c.output_components != 3) {
        std::snprintf(d.errors.message, sizeof d.errors.message, "unsupported colour layout");
        std::longjmp(d.errors.jump, 1);
    }
    return true;
}

bool ReadLines(JpegDecoder& d, JSAMPARRAY rows)
{
    if (setjmp(d.errors.jump))
        return false;
    jpeg_decompress_struct& c = d.cinfo;
    while (c.output_scanline < c.output_height) {
        const JDIMENSION got
            = jpeg_read_scanlines(&c, rows + c.output_scanline, c.output_height - c.output_scanline);
        if (got == 0) {
            std::snprintf(d.errors.message, sizeof d.errors.message, "no more scan lines");
            return false;
        }
    }
    jpeg_finish_decompress(&c);
    return true;
}

[[noreturn]] void Fail(const JpegDecoder& d)
{
    throw EImageError(std::string("JPEG image: ") + d.errors.message);
}

} // namespace

QImage LoadJpegFromBytes(const QByteArray& bytes)
{
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const size_t size = size_t(bytes.size());
    if (size < 3 || data[0] != 0xFF || data[1] != 0xD8 || data[2] != 0xFF)
        throw EImageError("JPEG image: not a JPEG file");

    JpegDecoder d;
    if (!StartDecoding(d, data, size))
        Fail(d);
    QImage rgb(int(d.cinfo.output_width), int(d.cinfo.output_height), QImage::Format_RGB888);
    if (rgb.isNull())
        throw EImageError("JPEG image: out of memory");
    std::vector<JSAMPROW> rows(d.cinfo.output_height);
    for (size_t y = 0; y < rows.size(); ++y)
        rows[y] = rgb.scanLine(int(y));
    if (!ReadLines(d, rows.data()))
        Fail(d);
    if (d.errors.warned)
        Fail(d); // truncated or corrupt data that libjpeg papered over
    return rgb.convertToFormat(QImage::Format_RGB32);
}

QImage LoadJpegFromFile(const QString& path)
{
    return DecodeImageFile(path, "JPEG", [](const QByteArray& bytes) { return LoadJpegFromBytes(bytes); });
}
