// Draws every picture of the skin into a folder, or checks that a folder holds what it draws:
//   skinPictures <output folder>          e.g. skinPictures assets/skin (the committed pictures)
//   skinPictures --check <folder>         exit 1 if a picture is missing or no longer matches
#include "skinPictures.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>
#include <cstring>

namespace {

// Pixels allowed to differ by more than 24 levels: room for another rasteriser version, or for
// another font in the splash title, but not for a changed shape or colour.
constexpr int kTolerance = 24;
constexpr double kPngShare = 0.005, kJpegShare = 0.03;

int Write(const QDir& out)
{
    if (!out.exists() && !QDir().mkpath(out.path())) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(out.path()));
        return 1;
    }
    int failures = 0;
    for (const auto& picture : skin::AllPictures()) {
        const QImage image = picture.draw();
        const bool ok = skin::SavePicture(image, out.filePath(picture.file));
        std::printf("%-24s %3d x %3d  %s\n", qPrintable(picture.file), image.width(), image.height(),
            ok ? "written" : "FAILED");
        failures += ok ? 0 : 1;
    }
    return failures == 0 ? 0 : 1;
}

int Check(const QDir& folder)
{
    int failures = 0;
    for (const auto& picture : skin::AllPictures()) {
        const double share = skin::ShareDiffering(picture.draw(), folder.filePath(picture.file), kTolerance);
        const bool ok = share <= (picture.file.endsWith(".jpg") ? kJpegShare : kPngShare);
        std::printf("%-24s %6.2f %% of pixels differ  %s\n", qPrintable(picture.file), share * 100,
            ok ? "ok" : "OUT OF DATE (run skinPictures assets/skin)");
        failures += ok ? 0 : 1;
    }
    return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc == 2)
        return Write(QDir(QString::fromLocal8Bit(argv[1])));
    if (argc == 3 && std::strcmp(argv[1], "--check") == 0)
        return Check(QDir(QString::fromLocal8Bit(argv[2])));
    std::fprintf(stderr, "usage: skinPictures <output folder> | skinPictures --check <folder>\n");
    return 2;
}
