#pragma once
// The gallery's list of shots. Each control file registers its shots with one static
// GalleryShots::Entry, so adding a control to the gallery means adding one source file here.
#include <QImage>
#include <QString>

#include <functional>
#include <vector>

struct GalleryShot {
    QString file; // PNG file name in the output folder
    std::function<QImage()> render;
};

class GalleryShots {
public:
    static std::vector<GalleryShot>& All();

    // Registers a shot at start-up: static GalleryShots::Entry e{"name.png", [] { ... }};
    struct Entry {
        Entry(const QString& file, std::function<QImage()> render);
    };
};
