#include "controls/pngImageList.h"

#include <QPainter>

TPngImageList::TPngImageList(int width, int height)
    : width_(width)
    , height_(height)
{
}

int TPngImageList::Add(const TPngImage& image)
{
    if (image.Empty())
        throw EImageError("image list: cannot add an empty image");
    if (width_ == 0 && height_ == 0 && images_.empty()) {
        width_ = image.Width();
        height_ = image.Height();
    }
    if (image.Width() != width_ || image.Height() != height_) {
        throw EImageError("image list: image is " + std::to_string(image.Width()) + " x "
            + std::to_string(image.Height()) + ", the list holds " + std::to_string(width_) + " x "
            + std::to_string(height_));
    }
    images_.push_back(image);
    return Count() - 1;
}

void TPngImageList::Draw(QPainter& painter, int x, int y, int index) const
{
    if (index < 0 || index >= Count())
        return;
    images_[size_t(index)].Draw(painter, QRect(x, y, width_, height_));
}
