#pragma once
// The gallery's list of shots. Each control file registers its shots with one static
// TGalleryShots::Entry, so adding a control to the gallery means adding one source file here.
#include <QImage>
#include <QString>

#include <functional>
#include <vector>

struct TGalleryShot {
    QString file; // PNG file name in the output folder
    std::function<QImage()> render;
};

class TGalleryShots {
public:
    static std::vector<TGalleryShot>& All();

    // Registers a shot at start-up: static TGalleryShots::Entry e{"name.png", [] { ... }};
    struct Entry {
        Entry(const QString& file, std::function<QImage()> render);
    };
};
