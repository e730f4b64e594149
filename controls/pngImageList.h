#pragma once
// A list of equally sized PNG images, drawn by index (list icons, menu and list-box glyphs).
//
//   TPngImageList icons;                                 // size taken from the first image
//   icons.Add(TPngImage::FromFile(":/skin/waiting.png"));
//   icons.Draw(painter, 4, 4, 0);                        // image 0 with its top-left at (4, 4)
//
// Add throws EImageError for an empty image or one whose size differs from the list's.
// Drawing an index outside 0..Count()-1 draws nothing.
#include "controls/pngImage.h"

#include <vector>

class QPainter;

class TPngImageList {
public:
    TPngImageList() = default;
    // A list whose images must be width x height.
    TPngImageList(int width, int height);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Count() const { return static_cast<int>(images_.size()); }
    const TPngImage& Image(int index) const { return images_.at(static_cast<size_t>(index)); }

    // Appends a copy of image; returns its index.
    int Add(const TPngImage& image);
    void Clear() { images_.clear(); }
    void Draw(QPainter& painter, int x, int y, int index) const;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<TPngImage> images_;
};
