#include "controls/jpegImage.h"

#include "imageTestFiles.h"
#include "testFiles.h"

#include <gtest/gtest.h>

namespace {

QByteArray SolidJpeg(int w, int h, uint8_t r, uint8_t g, uint8_t b)
{
    std::vector<uint8_t> samples;
    for (int i = 0; i < w * h; ++i)
        samples.insert(samples.end(), { r, g, b });
    return EncodeJpeg(w, h, false, samples);
}

} // namespace

TEST(JpegImage, DecodesColourAndGreyPictures)
{
    const QImage colour = LoadJpegFromBytes(SolidJpeg(24, 10, 200, 40, 90));
    EXPECT_EQ(colour.size(), QSize(24, 10));
    EXPECT_EQ(colour.format(), QImage::Format_RGB32);
    const QRgb p = colour.pixel(23, 9);
    EXPECT_NEAR(qRed(p), 200, 3);
    EXPECT_NEAR(qGreen(p), 40, 3);
    EXPECT_NEAR(qBlue(p), 90, 3);

    const QImage grey = LoadJpegFromBytes(EncodeJpeg(8, 8, true, std::vector<uint8_t>(64, 77)));
    EXPECT_EQ(grey.size(), QSize(8, 8));
    EXPECT_NEAR(qRed(grey.pixel(3, 3)), 77, 2);
    EXPECT_EQ(qRed(grey.pixel(3, 3)), qBlue(grey.pixel(3, 3)));

    const QImage stored = LoadJpegFromFile(QStringLiteral(VIDMORPH_TEST_DATA "/images/testsrc-16x16.jpg"));
    EXPECT_EQ(stored.size(), QSize(16, 16));
}

TEST(JpegImage, BadDataThrowsImageError)
{
    const QByteArray good = SolidJpeg(16, 16, 10, 200, 30);
    ASSERT_NO_THROW(LoadJpegFromBytes(good));
    EXPECT_THROW(LoadJpegFromBytes(QByteArray()), EImageError);
    EXPECT_THROW(LoadJpegFromBytes(QByteArray("\x89PNG\r\n\x1a\n")), EImageError);
    // libjpeg would pad a truncated scan with grey and only warn; that is refused too.
    for (int n = 1; n < good.size(); n += 7)
        EXPECT_THROW(LoadJpegFromBytes(good.left(n)), EImageError) << "prefix " << n;

    QByteArray corrupt = good;
    const int sos = int(corrupt.indexOf("\xFF\xDA"));
    ASSERT_GT(sos, 0);
    corrupt[sos + 3] = char(0x00); // scan header length 0
    EXPECT_THROW(LoadJpegFromBytes(corrupt), EImageError);

    TempDir dir;
    try {
        LoadJpegFromFile(QString::fromStdString(dir.file("none.jpg")));
        FAIL();
    } catch (const EImageError& e) {
        EXPECT_NE(std::string(e.what()).find("none.jpg"), std::string::npos);
    }
}
