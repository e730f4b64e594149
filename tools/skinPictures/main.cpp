// Draws every picture of the skin into a folder, or checks that a folder holds what it draws:
//   skinPictures <output folder>          e.g. skinPictures assets/skin (the committed pictures)
//   skinPictures --check <folder>         exit 1 if a picture is missing or no longer matches
// With --icons first, the same for the application icon (assets/icons/NxN/vidmorph.png).
#include "skinPictures.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>
#include <cstring>

namespace {

// Pixels allowed to differ by more than 24 levels: room for another rasteriser version, or for
// another font in the splash title, but not for a changed shape or colour.
constexpr int kTolerance = 24;
constexpr double kPngShare = 0.005, kJpegShare = 0.03;

using Pictures = std::vector<skin::TSkinPicture>;

int Write(const Pictures& pictures, const QDir& out)
{
    if (!out.exists() && !QDir().mkpath(out.path())) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(out.path()));
        return 1;
    }
    int failures = 0;
    for (const auto& picture : pictures) {
        const QImage image = picture.draw();
        const QString path = out.filePath(picture.file);
        const bool ok = QDir().mkpath(QFileInfo(path).path()) && skin::SavePicture(image, path);
        std::printf("%-24s %3d x %3d  %s\n", qPrintable(picture.file), image.width(), image.height(),
            ok ? "written" : "FAILED");
        failures += ok ? 0 : 1;
    }
    return failures == 0 ? 0 : 1;
}

int Check(const Pictures& pictures, const QDir& folder)
{
    int failures = 0;
    for (const auto& picture : pictures) {
        const double share = skin::ShareDiffering(picture.draw(), folder.filePath(picture.file), kTolerance);
        const bool ok = share <= (picture.file.endsWith(".jpg") ? kJpegShare : kPngShare);
        std::printf("%-24s %6.2f %% of pixels differ  %s\n", qPrintable(picture.file), share * 100,
            ok ? "ok" : "OUT OF DATE (run skinPictures again)");
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
    const bool icons = argc > 1 && std::strcmp(argv[1], "--icons") == 0;
    const Pictures pictures = icons ? skin::AppIcons() : skin::AllPictures();
    argv += icons ? 1 : 0;
    argc -= icons ? 1 : 0;
    if (argc == 2)
        return Write(pictures, QDir(QString::fromLocal8Bit(argv[1])));
    if (argc == 3 && std::strcmp(argv[1], "--check") == 0)
        return Check(pictures, QDir(QString::fromLocal8Bit(argv[2])));
    std::fprintf(
        stderr, "usage: skinPictures [--icons] <output folder> | skinPictures [--icons] --check <folder>\n");
    return 2;
}
