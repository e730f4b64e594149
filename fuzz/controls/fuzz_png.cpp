// Decodes arbitrary bytes as PNG: must either give a consistent image or throw EImageError.
#include "controls/pngImage.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        TPngImage img = TPngImage::FromBytes(bytes);
        if (img.Empty() || img.Width() <= 0 || img.Height() <= 0)
            std::abort();
        const QImage& drawn = img.Premultiplied();
        if (drawn.size() != img.Pixels().size())
            std::abort();
        img.CreateAlpha();
        img.SetAlpha(img.Width() - 1, img.Height() - 1, 51);
        (void)img.IsTransparentPixel(0, 0);
    } catch (const EImageError&) {
    }
    return 0;
}
