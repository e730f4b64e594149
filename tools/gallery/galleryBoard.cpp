#include "galleryBoard.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <memory>

namespace {
constexpr int kGap = 16;
const QColor kText(0x15, 0x42, 0x8B);

QFont BoardFont(int px, bool bold)
{
    QFont f("Trebuchet MS");
    f.setPixelSize(px);
    f.setBold(bold);
    return f;
}
} // namespace

TGalleryBoard::TGalleryBoard(const QString& title, const QColor& background)
    : title_(title)
    , background_(background)
{
}

void TGalleryBoard::NewRow(const QString& heading)
{
    rows_.push_back({ heading, {} });
}

void TGalleryBoard::Add(const QString& caption, const QImage& image)
{
    if (rows_.empty())
        NewRow();
    rows_.back().cells.push_back({ caption, image });
}

QImage TGalleryBoard::Render() const
{
    const QFont titleFont = BoardFont(18, true), headFont = BoardFont(13, true),
                capFont = BoardFont(11, false);
    const int titleH = QFontMetrics(titleFont).height() + kGap;
    const int headH = QFontMetrics(headFont).height() + 6;
    const int capH = QFontMetrics(capFont).height() + 4;
    int width = 0, height = kGap + titleH;
    for (const Row& row : rows_) {
        int w = kGap, h = 0;
        for (const Cell& c : row.cells) {
            w += std::max(c.image.width(), QFontMetrics(capFont).horizontalAdvance(c.caption)) + kGap;
            h = std::max(h, c.image.height());
        }
        width = std::max({ width, w, QFontMetrics(headFont).horizontalAdvance(row.heading) + 2 * kGap });
        height += (row.heading.isEmpty() ? 0 : headH) + h + capH + kGap;
    }
    width = std::max(width, QFontMetrics(titleFont).horizontalAdvance(title_) + 2 * kGap);
    QImage board(width, height, QImage::Format_ARGB32);
    board.fill(background_);
    QPainter p(&board);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(kText);
    p.setFont(titleFont);
    p.drawText(QRect(kGap, kGap, width, titleH), Qt::AlignLeft | Qt::AlignTop, title_);
    int y = kGap + titleH;
    for (const Row& row : rows_) {
        if (!row.heading.isEmpty()) {
            p.setFont(headFont);
            p.drawText(QRect(kGap, y, width, headH), Qt::AlignLeft | Qt::AlignTop, row.heading);
            y += headH;
        }
        int x = kGap, h = 0;
        p.setFont(capFont);
        for (const Cell& c : row.cells) {
            const int cw = std::max(c.image.width(), QFontMetrics(capFont).horizontalAdvance(c.caption));
            p.drawImage(x, y, c.image);
            h = std::max(h, c.image.height());
            x += cw + kGap;
        }
        x = kGap;
        for (const Cell& c : row.cells) {
            const int cw = std::max(c.image.width(), QFontMetrics(capFont).horizontalAdvance(c.caption));
            p.drawText(QRect(x, y + h + 2, cw, capH), Qt::AlignLeft | Qt::AlignTop, c.caption);
            x += cw + kGap;
        }
        y += h + capH + kGap;
    }
    return board;
}

QImage GrabInHost(
    QWidget* widget, const QColor& background, int margin, const std::function<void(QWidget*)>& prepare)
{
    auto host = std::make_unique<QWidget>();
    host->setAttribute(Qt::WA_DontShowOnScreen);
    QPalette pal = host->palette();
    pal.setColor(QPalette::Window, background);
    host->setPalette(pal);
    host->setAutoFillBackground(true);
    widget->setParent(host.get());
    widget->move(margin, margin);
    host->resize(widget->width() + 2 * margin, widget->height() + 2 * margin);
    widget->show();
    host->show();
    QApplication::setActiveWindow(host.get()); // so that focus states can be captured
    QApplication::processEvents();
    if (QWidget* focused = QApplication::focusWidget()) // activation focuses the first child
        focused->clearFocus();
    if (prepare) {
        prepare(widget);
        QApplication::processEvents();
    }
    return host->grab().toImage();
}

QImage Zoom(const QImage& image, int factor)
{
    return image.scaled(image.size() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}
