// Decodes arbitrary bytes as JPEG: must either give a picture or throw EImageError.
#include "controls/jpegImage.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const QImage img = LoadJpegFromBytes(bytes);
        if (img.isNull() || img.format() != QImage::Format_RGB32)
            std::abort();
    } catch (const EImageError&) {
    }
    return 0;
}
