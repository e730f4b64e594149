#pragma once
// A board of labelled renders, laid out in rows on a background colour, and off-screen capture
// of widgets.
#include <QColor>
#include <QImage>
#include <QString>

#include <functional>
#include <vector>

class QWidget;

class TGalleryBoard {
public:
    TGalleryBoard(const QString& title, const QColor& background);

    // Starts a new row with an optional heading.
    void NewRow(const QString& heading = {});
    // Adds a cell to the current row: the image with its caption underneath.
    void Add(const QString& caption, const QImage& image);
    QImage Render() const;

private:
    struct Cell {
        QString caption;
        QImage image;
    };
    struct Row {
        QString heading;
        std::vector<Cell> cells;
    };
    QString title_;
    QColor background_;
    std::vector<Row> rows_;
};

// Shows the widget off screen inside a host window of the given background, lets it lay out and
// paint, and returns what it drew. The widget becomes the host's child; the host takes it over.
// prepare runs once the widget is on (the off-screen) screen, to put it into a state to capture.
QImage GrabInHost(QWidget* widget, const QColor& background, int margin = 8,
    const std::function<void(QWidget*)>& prepare = {});
// The same picture magnified by an integer factor, pixels kept square.
QImage Zoom(const QImage& image, int factor);
