#include "controls/pngImage.h"

#include "controls/pngImageList.h"
#include "imageTestFiles.h"
#include "testFiles.h"

#include <QFile>
#include <QPainter>
#include <gtest/gtest.h>

#include <chrono>

namespace {

PngPlan Plan(int w, int h, int colorType, int bitDepth, std::vector<std::vector<uint8_t>> rows)
{
    PngPlan s;
    s.width = w;
    s.height = h;
    s.colorType = colorType;
    s.bitDepth = bitDepth;
    s.rows = std::move(rows);
    return s;
}

QRgb At(const TPngImage& img, int x, int y)
{
    return img.Pixels().pixel(x, y);
}

QImage Canvas(int w, int h, QRgb fill)
{
    QImage c(w, h, QImage::Format_RGB32);
    c.fill(fill);
    return c;
}

} // namespace

TEST(PngImage, DecodesEveryColourTypeAndBitDepth)
{
    const TPngImage rgba = TPngImage::FromBytes(EncodeRgbaPng(2, 1, { 0x80FF0000, 0xFF00FF00 }));
    EXPECT_EQ(rgba.ColorType(), ctRGBAlpha);
    EXPECT_TRUE(rgba.HasAlphaChannel());
    EXPECT_EQ(rgba.Width(), 2);
    EXPECT_EQ(rgba.Height(), 1);
    EXPECT_EQ(At(rgba, 0, 0), 0x80FF0000u);
    EXPECT_EQ(rgba.Alpha(0, 0), 0x80);
    EXPECT_EQ(rgba.PixelColor(1, 0), clLime);

    const TPngImage rgb = TPngImage::FromBytes(EncodePng(Plan(1, 1, PNG_COLOR_TYPE_RGB, 8, { { 1, 2, 3 } })));
    EXPECT_EQ(rgb.ColorType(), ctRGB);
    EXPECT_FALSE(rgb.HasAlphaChannel());
    EXPECT_EQ(At(rgb, 0, 0), qRgba(1, 2, 3, 255));

    // 1-bit grey: 8 pixels in one byte, scaled to 0 / 255.
    const TPngImage grey1 = TPngImage::FromBytes(EncodePng(Plan(8, 1, PNG_COLOR_TYPE_GRAY, 1, { { 0xA0 } })));
    EXPECT_EQ(grey1.ColorType(), ctGrayscale);
    EXPECT_EQ(grey1.BitDepth(), 1);
    EXPECT_EQ(At(grey1, 0, 0), qRgba(255, 255, 255, 255));
    EXPECT_EQ(At(grey1, 1, 0), qRgba(0, 0, 0, 255));
    EXPECT_EQ(At(grey1, 2, 0), qRgba(255, 255, 255, 255));

    const TPngImage greyAlpha
        = TPngImage::FromBytes(EncodePng(Plan(1, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, { { 100, 30 } })));
    EXPECT_EQ(greyAlpha.ColorType(), ctGrayscaleAlpha);
    EXPECT_EQ(At(greyAlpha, 0, 0), qRgba(100, 100, 100, 30));

    // 16-bit samples are scaled to 8 bits.
    const TPngImage deep = TPngImage::FromBytes(
        EncodePng(Plan(1, 1, PNG_COLOR_TYPE_RGBA, 16, { { 0xFF, 0xFF, 0x80, 0x80, 0, 0, 0xFF, 0xFF } })));
    EXPECT_EQ(deep.BitDepth(), 16);
    EXPECT_EQ(At(deep, 0, 0), qRgba(255, 128, 0, 255));

    // 4-bit palette, two pixels per byte.
    PngPlan pal = Plan(2, 1, PNG_COLOR_TYPE_PALETTE, 4, { { 0x10 } });
    pal.palette = { { 10, 20, 30 }, { 40, 50, 60 } };
    const TPngImage palette = TPngImage::FromBytes(EncodePng(pal));
    EXPECT_EQ(palette.ColorType(), ctPalette);
    EXPECT_FALSE(palette.HasTransparentColor());
    EXPECT_EQ(At(palette, 0, 0), qRgba(40, 50, 60, 255));
    EXPECT_EQ(At(palette, 1, 0), qRgba(10, 20, 30, 255));

    // Interlaced images come out in the same layout.
    std::vector<std::vector<uint8_t>> rows;
    for (int y = 0; y < 9; ++y) {
        std::vector<uint8_t> row;
        for (int x = 0; x < 9; ++x)
            row.insert(row.end(), { uint8_t(x * 20), uint8_t(y * 20), 7 });
        rows.push_back(row);
    }
    PngPlan inter = Plan(9, 9, PNG_COLOR_TYPE_RGB, 8, rows);
    inter.interlaced = true;
    const TPngImage interlaced = TPngImage::FromBytes(EncodePng(inter));
    EXPECT_EQ(At(interlaced, 5, 7), qRgba(100, 140, 7, 255));
    EXPECT_EQ(At(interlaced, 8, 8), qRgba(160, 160, 7, 255));
}

TEST(PngImage, SingleColourTransparencyOfGreyColourAndPalette)
{
    PngPlan grey = Plan(2, 1, PNG_COLOR_TYPE_GRAY, 8, { { 7, 8 } });
    grey.hasTrnsColor = true;
    grey.trnsColor.gray = 7;
    const TPngImage g = TPngImage::FromBytes(EncodePng(grey));
    EXPECT_TRUE(g.HasTransparentColor());
    EXPECT_EQ(g.TransparentColor(), RGBColor(7, 7, 7));
    EXPECT_TRUE(g.IsTransparentPixel(0, 0));
    EXPECT_FALSE(g.IsTransparentPixel(1, 0));
    EXPECT_EQ(g.Alpha(0, 0), 0);
    EXPECT_EQ(g.Alpha(1, 0), 255);

    PngPlan rgb = Plan(2, 1, PNG_COLOR_TYPE_RGB, 8, { { 1, 2, 3, 1, 2, 4 } });
    rgb.hasTrnsColor = true;
    rgb.trnsColor.red = 1;
    rgb.trnsColor.green = 2;
    rgb.trnsColor.blue = 3;
    const TPngImage c = TPngImage::FromBytes(EncodePng(rgb));
    EXPECT_EQ(c.TransparentColor(), RGBColor(1, 2, 3));
    EXPECT_EQ(c.Alpha(0, 0), 0);
    EXPECT_EQ(c.Alpha(1, 0), 255); // one channel differs: stays opaque
    EXPECT_EQ(c.PixelColor(0, 0), RGBColor(1, 2, 3)); // the colour survives under alpha 0

    PngPlan pal = Plan(3, 1, PNG_COLOR_TYPE_PALETTE, 8, { { 0, 1, 2 } });
    pal.palette = { { 9, 9, 9 }, { 200, 100, 50 }, { 1, 1, 1 } };
    pal.trnsAlpha = { 255, 0, 128 };
    const TPngImage p = TPngImage::FromBytes(EncodePng(pal));
    EXPECT_TRUE(p.HasTransparentColor());
    EXPECT_EQ(p.TransparentColor(), RGBColor(200, 100, 50));
    EXPECT_EQ(p.Alpha(0, 0), 255);
    EXPECT_EQ(p.Alpha(1, 0), 0);
    EXPECT_EQ(p.Alpha(2, 0), 128);
    EXPECT_TRUE(p.IsTransparentPixel(1, 0));
    EXPECT_FALSE(p.IsTransparentPixel(2, 0));
}

TEST(PngImage, EmptyImageCopiesAndAlphaEditing)
{
    TPngImage empty;
    EXPECT_TRUE(empty.Empty());
    EXPECT_EQ(empty.Width(), 0);
    EXPECT_EQ(empty.Height(), 0);

    TPngImage a = TPngImage::FromBytes(EncodeRgbaPng(1, 1, { 0xFF102030 }));
    TPngImage b;
    b.Assign(a);
    b.SetAlpha(0, 0, 51);
    EXPECT_EQ(a.Alpha(0, 0), 255) << "a copy must not share edits";
    EXPECT_EQ(b.Alpha(0, 0), 51);
    EXPECT_EQ(b.PixelColor(0, 0), RGBColor(0x10, 0x20, 0x30));
    b.Assign(empty);
    EXPECT_TRUE(b.Empty());

    PngPlan rgb = Plan(2, 1, PNG_COLOR_TYPE_RGB, 8, { { 1, 2, 3, 4, 5, 6 } });
    rgb.hasTrnsColor = true;
    rgb.trnsColor.red = 4;
    rgb.trnsColor.green = 5;
    rgb.trnsColor.blue = 6;
    TPngImage c = TPngImage::FromBytes(EncodePng(rgb));
    c.CreateAlpha();
    EXPECT_EQ(c.ColorType(), ctRGBAlpha);
    EXPECT_FALSE(c.HasTransparentColor());
    EXPECT_EQ(c.Alpha(0, 0), 255);
    EXPECT_EQ(c.Alpha(1, 0), 0) << "the hidden colour stays hidden";

    TPngImage g = TPngImage::FromBytes(EncodePng(Plan(1, 1, PNG_COLOR_TYPE_GRAY, 8, { { 9 } })));
    g.CreateAlpha();
    EXPECT_EQ(g.ColorType(), ctGrayscaleAlpha);
    g.ConvertToRGBAlpha();
    EXPECT_EQ(g.ColorType(), ctRGBAlpha);
    EXPECT_EQ(At(g, 0, 0), qRgba(9, 9, 9, 255));
}

TEST(PngImage, DrawBlendsScalesAndSkipsEmpty)
{
    // 50 % red over blue: each channel is src * a + dst * (1 - a).
    const TPngImage img = TPngImage::FromBytes(EncodeRgbaPng(2, 1, { 0x80FF0000, 0x00000000 }));
    QImage canvas = Canvas(4, 2, qRgb(0, 0, 255));
    {
        QPainter p(&canvas);
        img.Draw(p, QRect(1, 1, 2, 1));
    }
    const QRgb blended = canvas.pixel(1, 1);
    EXPECT_NEAR(qRed(blended), 128, 1);
    EXPECT_EQ(qGreen(blended), 0);
    EXPECT_NEAR(qBlue(blended), 127, 1);
    EXPECT_EQ(canvas.pixel(2, 1), qRgb(0, 0, 255)) << "alpha 0 leaves the background";
    EXPECT_EQ(canvas.pixel(1, 0), qRgb(0, 0, 255)) << "nothing outside the rectangle";

    // Scaled to a rectangle of another size.
    const TPngImage solid = TPngImage::FromBytes(EncodeRgbaPng(1, 1, { 0xFF00FF00 }));
    QImage big = Canvas(5, 5, qRgb(0, 0, 0));
    {
        QPainter p(&big);
        solid.Draw(p, QRect(1, 1, 3, 3));
        TPngImage().Draw(p, QRect(0, 0, 5, 5));
        solid.Draw(p, MakeRect(0, 0, 0, 5));
    }
    EXPECT_EQ(big.pixel(1, 1), qRgb(0, 255, 0));
    EXPECT_EQ(big.pixel(3, 3), qRgb(0, 255, 0));
    EXPECT_EQ(big.pixel(4, 4), qRgb(0, 0, 0));
    EXPECT_EQ(big.pixel(0, 0), qRgb(0, 0, 0)) << "empty image or rectangle draws nothing";

    // Editing alpha after a draw must not reuse the stale drawing cache.
    TPngImage fading = solid;
    QImage first = Canvas(1, 1, qRgb(0, 0, 0));
    {
        QPainter p(&first);
        fading.Draw(p, QRect(0, 0, 1, 1));
    }
    fading.SetAlpha(0, 0, 0);
    QImage second = Canvas(1, 1, qRgb(0, 0, 0));
    {
        QPainter p(&second);
        fading.Draw(p, QRect(0, 0, 1, 1));
    }
    EXPECT_EQ(second.pixel(0, 0), qRgb(0, 0, 0));
}

TEST(PngImage, BadDataThrowsImageError)
{
    const QByteArray good = EncodeRgbaPng(3, 3, std::vector<uint32_t>(9, 0xFF336699));
    ASSERT_NO_THROW(TPngImage::FromBytes(good));

    EXPECT_THROW(TPngImage::FromBytes(QByteArray()), EImageError);
    EXPECT_THROW(TPngImage::FromBytes(QByteArray("GIF89a this is not a png")), EImageError);
    // Every truncation of a valid file fails cleanly (no crash, no partial image).
    for (int n = 1; n < good.size(); ++n)
        EXPECT_THROW(TPngImage::FromBytes(good.left(n)), EImageError) << "prefix " << n;

    QByteArray badCrc = good;
    badCrc[29] = char(badCrc[29] ^ 0x01); // inside the IHDR CRC
    EXPECT_THROW(TPngImage::FromBytes(badCrc), EImageError);

    QByteArray badData = good;
    const int idat = int(badData.indexOf("IDAT"));
    ASSERT_GT(idat, 0);
    for (int i = idat + 4; i < idat + 12 && i < badData.size(); ++i)
        badData[i] = char(0xFF);
    EXPECT_THROW(TPngImage::FromBytes(badData), EImageError);

    // A header claiming an enormous picture is refused before any allocation.
    QByteArray huge = good;
    huge[16] = char(0x00), huge[17] = char(0x01), huge[18] = char(0x00), huge[19] = char(0x00); // width 65536
    EXPECT_THROW(TPngImage::FromBytes(huge), EImageError);
    // A text chunk claiming 2 GB that the file does not hold: refused before libpng allocates it
    // (under the fuzzer's sanitizer that allocation took over ten seconds).
    QByteArray forged = good.left(33) + QByteArray::fromHex("79797979") + "iTXt" + QByteArray(64, 'y') + good.mid(33);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_THROW(TPngImage::FromBytes(forged), EImageError);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));

    try {
        TPngImage::FromBytes(good.left(good.size() / 2));
        FAIL();
    } catch (const EImageError& e) {
        EXPECT_NE(std::string(e.what()).find("PNG"), std::string::npos) << e.what();
    }
}

TEST(PngImage, LoadsFromFileAndResource)
{
    TempDir dir;
    const QByteArray bytes = EncodeRgbaPng(2, 2, { 0xFF000000, 0xFFFFFFFF, 0xFFFF0000, 0x00000000 });
    WriteFileBytes(dir.file("a.png"), bytes.toStdString());
    const TPngImage img = TPngImage::FromFile(QString::fromStdString(dir.file("a.png")));
    EXPECT_EQ(img.Width(), 2);
    EXPECT_EQ(At(img, 0, 1), 0xFFFF0000u);

    try {
        TPngImage::FromFile(QString::fromStdString(dir.file("missing.png")));
        FAIL();
    } catch (const EImageError& e) {
        EXPECT_NE(std::string(e.what()).find("missing.png"), std::string::npos);
    }

    const QString data = QStringLiteral(VIDMORPH_TEST_DATA "/images/rgba-4x3.png");
    const TPngImage stored = TPngImage::FromFile(data);
    EXPECT_EQ(stored.Width(), 4);
    EXPECT_EQ(stored.Height(), 3);

    // Qt resource paths go through QFile like files; QtWidgets ships PNG resources of its own.
    const QString resource = QStringLiteral(":/qt-project.org/styles/commonstyle/images/up-16.png");
    if (QFile::exists(resource)) {
        EXPECT_EQ(TPngImage::FromFile(resource).Width(), 16);
    }
}

TEST(PngImageList, HoldsEquallySizedImagesAndDrawsByIndex)
{
    TPngImageList list;
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Width(), 0);
    const TPngImage red = TPngImage::FromBytes(EncodeRgbaPng(2, 2, std::vector<uint32_t>(4, 0xFFFF0000)));
    const TPngImage blue = TPngImage::FromBytes(EncodeRgbaPng(2, 2, std::vector<uint32_t>(4, 0xFF0000FF)));
    EXPECT_EQ(list.Add(red), 0);
    EXPECT_EQ(list.Add(blue), 1);
    EXPECT_EQ(list.Width(), 2);
    EXPECT_EQ(list.Height(), 2);
    EXPECT_THROW(
        list.Add(TPngImage::FromBytes(EncodeRgbaPng(3, 2, std::vector<uint32_t>(6, 0)))), EImageError);
    EXPECT_THROW(list.Add(TPngImage()), EImageError);
    EXPECT_EQ(list.Count(), 2);

    QImage canvas = Canvas(6, 3, qRgb(0, 0, 0));
    {
        QPainter p(&canvas);
        list.Draw(p, 1, 1, 1);
        list.Draw(p, 3, 1, 0);
        list.Draw(p, 0, 0, 2);
        list.Draw(p, 0, 0, -1);
    }
    EXPECT_EQ(canvas.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(canvas.pixel(1, 1), qRgb(0, 0, 255));
    EXPECT_EQ(canvas.pixel(2, 2), qRgb(0, 0, 255));
    EXPECT_EQ(canvas.pixel(3, 1), qRgb(255, 0, 0));
    EXPECT_EQ(canvas.pixel(5, 2), qRgb(0, 0, 0));

    TPngImageList fixed(16, 16);
    EXPECT_THROW(fixed.Add(red), EImageError);
}

// A file's NAME@2x.png companion is what a device of pixel ratio 2 gets; everything else (size,
// pixels, a device at ratio 1) stays the 1x picture's, and a changed picture drops it.
TEST(PngImage, DoubleSizeCompanionDrawnOnHiDpiDevices)
{
    TempDir dir;
    QImage once(4, 4, QImage::Format_ARGB32);
    once.fill(Qt::red);
    QImage twice(8, 8, QImage::Format_ARGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            twice.setPixel(x, y, (x + y) % 2 ? qRgb(0, 0, 255) : qRgb(0, 255, 0));
    ASSERT_TRUE(once.save(QString::fromStdString(dir.file("glyph.png"))));
    ASSERT_TRUE(twice.save(QString::fromStdString(dir.file("glyph@2x.png"))));
    ASSERT_TRUE(once.save(QString::fromStdString(dir.file("odd.png"))));
    ASSERT_TRUE(once.scaled(6, 6).save(QString::fromStdString(dir.file("odd@2x.png"))));

    auto drawn = [](const TPngImage& img, qreal ratio) {
        QImage target(int(4 * ratio), int(4 * ratio), QImage::Format_ARGB32_Premultiplied);
        target.setDevicePixelRatio(ratio);
        target.fill(Qt::white);
        QPainter p(&target);
        img.Draw(p, QRect(0, 0, 4, 4));
        p.end();
        return target.convertToFormat(QImage::Format_RGB32);
    };
    TPngImage img = TPngImage::FromFile(QString::fromStdString(dir.file("glyph.png")));
    EXPECT_EQ(img.Width(), 4);
    EXPECT_EQ(img.PixelColor(1, 1), RGBColor(255, 0, 0));
    EXPECT_EQ(drawn(img, 1).pixel(1, 1), qRgb(255, 0, 0));
    const QImage sharp = drawn(img, 2);
    EXPECT_EQ(sharp.pixel(0, 0), qRgb(0, 255, 0));
    EXPECT_EQ(sharp.pixel(1, 0), qRgb(0, 0, 255)) << "one device pixel of the companion each";
    const TPngImage copy = img; // copies keep it
    EXPECT_EQ(drawn(copy, 2).pixel(1, 0), qRgb(0, 0, 255));

    img.SetAlpha(0, 0, 255); // a changed picture: the companion no longer shows it
    EXPECT_EQ(drawn(img, 2).pixel(1, 0), qRgb(255, 0, 0));
    // A companion that is not twice the size is ignored.
    EXPECT_EQ(drawn(TPngImage::FromFile(QString::fromStdString(dir.file("odd.png"))), 2).pixel(1, 0),
        qRgb(255, 0, 0));
}
