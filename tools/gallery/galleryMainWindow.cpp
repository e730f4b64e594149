// The main window put together from the skinned controls at the form's positions, idle and
// while a batch runs. The list control is not a skinned control: a plain stand-in paints its rows.
#include "controls/FSProgressBar.h"
#include "controls/LinePanelUnit.h"
#include "controls/imagebutton.h"
#include "galleryBoard.h"
#include "galleryForms.h"
#include "galleryInput.h"
#include "galleryShots.h"

#include <QLabel>
#include <QPainter>

using namespace gallery;

namespace {

struct Row {
    const char* file;
    int status; // 0 waiting, 1 converting, 2 converted, 3 failed
    int offset; // the moving block's offset while converting
};

// Paints what the list control shows: background picture in the bottom-right corner, one row of
// 25 pixels per entry with its status icon, its path and the status bar of column 1.
class ListStandIn : public QWidget {
    Q_OBJECT
public:
    ListStandIn(QWidget* parent, std::vector<Row> rows)
        : QWidget(parent)
        , rows_(std::move(rows))
    {
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        static const char* icons[]
            = { "statusWaiting", "statusConverting", "statusConverted", "statusFailed" };
        QPainter p(this);
        p.fillRect(rect(), ToQColor(kList));
        const QImage back(":/skin/listBackground.png");
        p.drawImage(width() - back.width(), height() - back.height(), back);
        QFont f("Trebuchet MS");
        f.setPixelSize(16);
        p.setFont(f);
        for (size_t i = 0; i < rows_.size(); ++i) {
            const int top = 5 + 25 * int(i);
            p.drawImage(8, top + 4, QImage(QString(":/skin/%1.png").arg(icons[rows_[i].status])));
            p.setPen(ToQColor(kEntryText));
            p.drawText(QRect(30, top, 660, 25), Qt::AlignVCenter, rows_[i].file);
            const QRect bar = MakeRect(700 + 5, top + 5, 800 - 5, top + 25 - 5);
            const QColor pen(127, 157, 185);
            p.setPen(pen);
            p.setBrush(ToQColor(kList));
            p.drawRect(bar.adjusted(0, 0, -1, -1));
            if (rows_[i].status == 1)
                p.fillRect(QRect(bar.left() + rows_[i].offset, bar.top(), 15, bar.height()), pen);
        }
    }

private:
    std::vector<Row> rows_;
};

void ToolBar(QWidget* form, bool running)
{
    const struct {
        int x, lx;
        const char* stem;
        const char* caption;
        bool enabled;
    } tools[] = { { 16, 60, "add", "Add", !running }, { 144, 176, "convert", "Convert", !running },
        { 272, 315, "stop", "Stop", running }, { 400, 432, "support", "Support", true } };
    for (const auto& t : tools) {
        FormImageButton(form, QRect(t.x, 16, 112, 101), t.stem, t.enabled);
        FormLabel(form, QRect(t.lx, 96, 0, 0), t.caption, 13, t.enabled ? kCaption : 0x8D8D8D, true);
    }
}

void ListPanel(QWidget* form, bool running)
{
    TLinePanel* panel = FormLinePanel(form, QRect(16, 136, 828, 289), kPanel, 0);
    FormImageButton(panel, QRect(8, 14, 66, 29), "tab");
    auto* line = new QWidget(panel);
    line->setGeometry(0, 39, 828, 1);
    line->setAutoFillBackground(true);
    QPalette pal = line->palette();
    pal.setColor(QPalette::Window, ToQColor(kLine));
    line->setPalette(pal);
    FormLabel(panel, QRect(32, 21, 0, 0), "List", 11, kCaption, true);
    FormLabel(panel, QRect(576, 8, 244, 18),
        running ? "4 files, finished 2 of 4" : "4 files, finished 4 of 4", 12, kCaption, false,
        Qt::AlignRight);
    std::vector<Row> rows { { "/home/anna/Videos/holiday 2009/beach.mpg", 2, 0 },
        { "/home/anna/Videos/birthday.avi", running ? 2 : 3, 0 },
        { "/home/anna/Videos/garden party.mov", running ? 1 : 2, 23 },
        { "/home/anna/Videos/old tapes/wedding 1998.vob", running ? 0 : 2, 0 } };
    auto* list = new ListStandIn(panel, rows);
    list->setGeometry(0, 40, 828, 249);
}

QWidget* MainWindow(bool running)
{
    auto* form = new QWidget;
    form->resize(861, 529);
    FormPicture(form, QRect(0, 0, 400, 200), "header.png");
    ToolBar(form, running);
    FormPicture(form, QRect(0, 508, 861, 21), "bottomStrip.png", true);
    auto* progress = new TFSProgressBar(form);
    progress->setGeometry(16, 432, 828, 17);
    progress->SetColorBorder(kLine);
    progress->SetBackColorFace(0xC6ECFF);
    progress->SetBackColorGrad(clWhite);
    progress->SetForeColorFace(0x9BDEFF);
    progress->SetForeColorGrad(0x007BB7);
    progress->SetPosition(running ? 50 : 100);
    QLabel* update
        = FormLabel(form, QRect(740, 8, 104, 18), "check for updates", 12, clWhite, true, Qt::AlignRight);
    QFont f = update->font();
    f.setItalic(true);
    f.setUnderline(true);
    update->setFont(f);
    FormPicture(form, QRect(849, 517, 11, 11), "grip.png");
    QLabel* timer = FormLabel(form, QRect(600, 456, 244, 18),
        running ? "timestamp: 00:02:41" : "timestamp: 00:05:17", 12, clWhite, false, Qt::AlignRight);
    f = timer->font();
    f.setItalic(true);
    timer->setFont(f);
    FormPushButton(form, QRect(16, 456, 121, 41), "&Import");
    FormPushButton(form, QRect(144, 456, 121, 41), "&Export");
    ListPanel(form, running);
    return form;
}

QImage MainWindowShot()
{
    GalleryBoard board("Main window (861 x 529); the list control is a stand-in", ToQColor(0xF4F0EE));
    board.NewRow("Idle, after a batch with one failed entry");
    board.Add("mainDlg, idle", GrabInHost(MainWindow(false), ToQColor(kWindow), 0));
    board.NewRow("Converting the third of four entries");
    board.Add("mainDlg, running", GrabInHost(MainWindow(true), ToQColor(kWindow), 0));
    return board.Render();
}

const GalleryShots::Entry shot { "mainWindow.png", MainWindowShot };

} // namespace

#include "galleryMainWindow.moc"
