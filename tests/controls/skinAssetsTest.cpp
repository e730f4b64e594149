// The committed skin pictures: every picture the window and the dialogs use is there, listed in
// the resource file, decodes, and has the size, pixel format and shape its place needs.
#include "controls/jpegImage.h"
#include "controls/pngImage.h"
#include "controls/pngImageList.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QSet>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

namespace {

const QString kSkinDir = QStringLiteral(VIDMORPH_SOURCE_DIR "/assets/skin/");
const QString kQrc = QStringLiteral(VIDMORPH_SOURCE_DIR "/assets/skin.qrc");

enum class Kind { kRgba, kRgb, kJpeg };

struct Expected {
    const char* file;
    int width, height;
    Kind kind;
};

const Expected kPictures[] = {
    { "splash.jpg", 570, 330, Kind::kJpeg },
    { "header.png", 400, 200, Kind::kRgba },
    { "addNormal.png", 112, 101, Kind::kRgba },
    { "addOver.png", 112, 101, Kind::kRgba },
    { "addDown.png", 112, 101, Kind::kRgba },
    { "addDisabled.png", 112, 101, Kind::kRgba },
    { "convertNormal.png", 112, 101, Kind::kRgba },
    { "convertOver.png", 112, 101, Kind::kRgba },
    { "convertDown.png", 112, 101, Kind::kRgba },
    { "convertDisabled.png", 112, 101, Kind::kRgba },
    { "stopNormal.png", 112, 101, Kind::kRgba },
    { "stopOver.png", 112, 101, Kind::kRgba },
    { "stopDown.png", 112, 101, Kind::kRgba },
    { "stopDisabled.png", 112, 101, Kind::kRgba },
    { "supportNormal.png", 112, 101, Kind::kRgba },
    { "supportOver.png", 112, 101, Kind::kRgba },
    { "supportDown.png", 112, 101, Kind::kRgba },
    { "supportDisabled.png", 112, 101, Kind::kRgba },
    { "tabNormal.png", 66, 29, Kind::kRgba },
    { "tabOver.png", 66, 29, Kind::kRgba },
    { "tabDown.png", 66, 29, Kind::kRgba },
    { "bottomStrip.png", 6, 21, Kind::kRgba },
    { "grip.png", 11, 11, Kind::kRgba },
    { "listBackground.png", 256, 256, Kind::kRgb },
    { "statusWaiting.png", 16, 16, Kind::kRgba },
    { "statusConverting.png", 16, 16, Kind::kRgba },
    { "statusConverted.png", 16, 16, Kind::kRgba },
    { "statusFailed.png", 16, 16, Kind::kRgba },
    { "folder.png", 16, 16, Kind::kRgba },
    { "videoFile.png", 32, 32, Kind::kRgba },
};

QByteArray FileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Straight-alpha ARGB pixels, decoded by the program's own PNG layer.
QImage Load(const char* file)
{
    return TPngImage::FromFile(kSkinDir + file).Pixels();
}

// The files named in the resource file, by alias.
QSet<QString> QrcAliases()
{
    QSet<QString> names;
    QXmlStreamReader xml(FileBytes(kQrc));
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("file")) {
            const QString alias = xml.attributes().value("alias").toString();
            const QString path = xml.readElementText();
            EXPECT_EQ(path, "skin/" + alias) << "resource alias and file differ";
            names.insert(alias);
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return names;
}

// Mean Rec. 601 luminance of the pixels at least half opaque.
double MeanLuma(const QImage& image)
{
    double sum = 0;
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            if (qAlpha(c) >= 128) {
                sum += qGray(c);
                ++n;
            }
        }
    return n ? sum / n : 0;
}

// Where the white symbol of a status icon lies: its pixels in each half and the rows and columns it
// covers. An arrow has more white towards its head than towards its tail.
struct SymbolShape {
    int top = 0, bottom = 0, left = 0, right = 0, rows = 0, columns = 0;
};

SymbolShape WhiteSymbol(const QImage& image)
{
    auto white = [&](int x, int y) {
        const QRgb c = image.pixel(x, y);
        return qAlpha(c) == 255 && qRed(c) > 235 && qGreen(c) > 235 && qBlue(c) > 235;
    };
    SymbolShape s;
    for (int i = 0; i < 16; ++i) {
        int inRow = 0, inColumn = 0;
        for (int j = 0; j < 16; ++j) {
            inRow += white(j, i);
            inColumn += white(i, j);
        }
        (i < 8 ? s.top : s.bottom) += inRow;
        (i < 8 ? s.left : s.right) += inColumn;
        s.rows += inRow > 0;
        s.columns += inColumn > 0;
    }
    return s;
}

} // namespace

TEST(SkinAssets, EveryPictureIsPresentWithItsSizeAndFormat)
{
    const QSet<QString> listed = QrcAliases();
    const QStringList onDisk = QDir(kSkinDir).entryList(QDir::Files);
    EXPECT_EQ(listed, QSet<QString>(onDisk.begin(), onDisk.end())) << "assets/skin and skin.qrc disagree";
    for (const Expected& e : kPictures) {
        SCOPED_TRACE(e.file);
        EXPECT_TRUE(listed.contains(e.file));
        QImage image;
        if (e.kind == Kind::kJpeg) {
            ASSERT_NO_THROW(image = LoadJpegFromFile(kSkinDir + e.file));
        } else {
            TPngImage png;
            ASSERT_NO_THROW(png = TPngImage::FromFile(kSkinDir + e.file));
            EXPECT_EQ(png.ColorType(), e.kind == Kind::kRgba ? ctRGBAlpha : ctRGB);
            EXPECT_EQ(png.BitDepth(), 8);
            image = png.Pixels();
        }
        EXPECT_EQ(image.width(), e.width);
        EXPECT_EQ(image.height(), e.height);
    }
    // The list's four status icons form one image list.
    TPngImageList icons(16, 16);
    for (const char* file :
        { "statusWaiting.png", "statusConverting.png", "statusConverted.png", "statusFailed.png" })
        EXPECT_NO_THROW(icons.Add(TPngImage::FromFile(kSkinDir + file))) << file;
    EXPECT_EQ(icons.Count(), 4);
    int once = 0; // the @2x pictures are checked below
    for (const QString& name : listed)
        once += name.contains("@2x.") ? 0 : 1;
    EXPECT_EQ(once, int(std::size(kPictures))) << "a picture is listed that nothing expects";
}

TEST(SkinAssets, PicturesFitWhereTheyAreLaid)
{
    // The strip is stretched sideways over the window's width: every column must be the same.
    const QImage strip = Load("bottomStrip.png");
    for (int y = 0; y < strip.height(); ++y)
        for (int x = 1; x < strip.width(); ++x) {
            ASSERT_EQ(strip.pixel(x, y), strip.pixel(0, y)) << "column " << x << " row " << y;
            ASSERT_EQ(qAlpha(strip.pixel(x, y)), 255);
        }
    // The list background is placed in the list's bottom-right corner: its top and left edges must
    // be the list colour (0xEEEAE9) so no seam shows.
    const QImage back = Load("listBackground.png");
    for (int i = 0; i < back.width(); ++i) {
        ASSERT_EQ(back.pixel(i, 0), qRgb(0xE9, 0xEA, 0xEE)) << "top edge at " << i;
        ASSERT_EQ(back.pixel(0, i), qRgb(0xE9, 0xEA, 0xEE)) << "left edge at " << i;
    }
    // The header lies over the window background and ends at x = 400 without an edge.
    const QImage header = Load("header.png");
    for (int y = 0; y < header.height(); ++y)
        ASSERT_EQ(qAlpha(header.pixel(header.width() - 1, y)), 0) << "row " << y;
    // Buttons, tabs and icons are shaped: transparent corners, solid middle.
    for (const char* file : { "addNormal.png", "stopDisabled.png", "tabNormal.png", "statusWaiting.png",
             "statusFailed.png", "folder.png", "videoFile.png" }) {
        SCOPED_TRACE(file);
        const QImage image = Load(file);
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(image.pixel(image.width() - 1, 0)), 0);
        EXPECT_GT(qAlpha(image.pixel(image.width() / 2, image.height() / 2)), 128);
    }
    // The tab's bottom rows run into the list below it: opaque across the tab's inside.
    const QImage tab = Load("tabNormal.png");
    for (int x = 1; x < tab.width() - 1; ++x)
        ASSERT_EQ(qAlpha(tab.pixel(x, tab.height() - 1)), 255) << "column " << x;
}

TEST(SkinAssets, ButtonStatesReadAsHoverPressedAndDisabled)
{
    for (const char* tool : { "add", "convert", "stop", "support" }) {
        SCOPED_TRACE(tool);
        const QString base = QString::fromLatin1(tool);
        const QImage normal = Load(qPrintable(base + "Normal.png"));
        const QImage over = Load(qPrintable(base + "Over.png"));
        const QImage down = Load(qPrintable(base + "Down.png"));
        const QImage disabled = Load(qPrintable(base + "Disabled.png"));
        EXPECT_GT(MeanLuma(over), MeanLuma(normal) + 5) << "hover is lighter";
        EXPECT_LT(MeanLuma(down), MeanLuma(normal) - 5) << "pressed is darker";
        for (int y = 0; y < disabled.height(); ++y)
            for (int x = 0; x < disabled.width(); ++x) {
                const QRgb c = disabled.pixel(x, y);
                if (qAlpha(c) > 0) {
                    ASSERT_TRUE(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c))
                        << "disabled is grey at " << x << "," << y;
                }
            }
    }
    for (const char* tab : { "tabOver.png", "tabDown.png" })
        EXPECT_NE(Load(tab), Load("tabNormal.png")) << tab;
    EXPECT_LT(MeanLuma(Load("tabDown.png")), MeanLuma(Load("tabNormal.png")));
}

TEST(SkinAssets, StatusIconsPointTheWayTheirIndexSays)
{
    // Index order of the list's image list: 0 down arrow, 1 right arrow, 2 up arrow, 3 bar.
    const SymbolShape down = WhiteSymbol(Load("statusWaiting.png"));
    const SymbolShape right = WhiteSymbol(Load("statusConverting.png"));
    const SymbolShape up = WhiteSymbol(Load("statusConverted.png"));
    const SymbolShape bar = WhiteSymbol(Load("statusFailed.png"));
    EXPECT_GT(down.bottom, down.top + 2);
    EXPECT_GE(down.rows, 7);
    EXPECT_GT(right.right, right.left + 2);
    EXPECT_GE(right.columns, 7);
    EXPECT_GT(up.top, up.bottom + 2);
    EXPECT_GE(up.rows, 7);
    EXPECT_LE(bar.rows, 3) << "a flat bar";
    EXPECT_GE(bar.columns, 7);
    // Each is a green disc: the pixel left of the symbol is green.
    for (const char* file :
        { "statusWaiting.png", "statusConverting.png", "statusConverted.png", "statusFailed.png" }) {
        const QRgb c = Load(file).pixel(8, 14);
        EXPECT_GT(qGreen(c), qRed(c) + 40) << file;
        EXPECT_GT(qGreen(c), qBlue(c) + 40) << file;
    }
}

// Every picture but the splash, the tiled list background and the stretched bottom strip has a
// NAME@2x.png of twice its size that shows the same thing (not, say, the picture at 1x in a
// corner, or shifted): scaled down it stays close to the 1x picture.
TEST(SkinAssets, DoubleSizePicturesMatchTheirOriginals)
{
    int doubles = 0;
    for (const QString& name : QrcAliases())
        doubles += name.contains("@2x.") ? 1 : 0;
    int checked = 0;
    for (const Expected& e : kPictures) {
        const QString file = e.file;
        if (e.kind != Kind::kRgba || file == "bottomStrip.png")
            continue;
        SCOPED_TRACE(e.file);
        ++checked;
        TPngImage png;
        ASSERT_NO_THROW(png = TPngImage::FromFile(kSkinDir + QString(file).replace(".png", "@2x.png")));
        EXPECT_EQ(png.ColorType(), ctRGBAlpha);
        const QImage twice = png.Pixels();
        ASSERT_EQ(twice.size(), QSize(e.width, e.height) * 2);
        const QImage small = twice.scaled(e.width, e.height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                 .convertToFormat(QImage::Format_ARGB32);
        const QImage once = Load(e.file).convertToFormat(QImage::Format_ARGB32);
        double off = 0;
        for (int y = 0; y < e.height; ++y)
            for (int x = 0; x < e.width; ++x) {
                const QRgb a = small.pixel(x, y), b = once.pixel(x, y);
                off += std::abs(qAlpha(a) - qAlpha(b)) + std::abs(qGray(a) - qGray(b));
            }
        EXPECT_LT(off / (e.width * e.height), 16.0) << "mean difference per pixel";
    }
    EXPECT_EQ(doubles, checked) << "a @2x picture is listed that nothing expects";
}
