// The program's main window (the real form, its controller and list), idle with rows in all four
// states and while a batch runs.
#include "galleryBoard.h"
#include "galleryInput.h"
#include "galleryShots.h"

#include "controls/FSProgressBar.h"
#include "controls/imagebutton.h"
#include "desktop/fileListView.h"
#include "desktop/mainController.h"
#include "desktop/mainForm.h"

#include <QLabel>

using namespace gallery;

namespace {

struct Row {
    const char* file;
    int status; // 0 waiting, 1 converting, 2 converted, 3 failed
    int offset; // the moving block's offset while converting
};

QWidget* MainWindow(bool running)
{
    auto* form = new TmainDlg;
    const Row rows[] = { { "/home/anna/Videos/holiday 2009/beach.mpg", 2, 0 },
        { "/home/anna/Videos/birthday.avi", running ? 2 : 3, 0 },
        { "/home/anna/Videos/garden party.mov", running ? 1 : 2, 23 },
        { "/home/anna/Videos/old tapes/wedding 1998.vob", 0, 0 } };
    for (const Row& row : rows) {
        PVirtualNode node = AppendFileRow(form->fileList->List(), row.file, 0, QString());
        TItemNodeData* data = TFileList::GetNodeData(node);
        data->Status = row.status;
        if (row.status == isConverting)
            form->fileList->SetAnimationOffset(row.offset);
    }
    if (running)
        form->Controller()->SetRunningState();
    form->progressBar->SetPosition(running ? 50 : 100);
    form->lbCount->setText(TMainController::CountLine(4, running ? 2 : 4));
    form->lbTimer->setText(TMainController::TimeLine(running ? 161 : 317));
    return form;
}

QImage MainWindowShot()
{
    TGalleryBoard board("Main window (861 x 529)", ToQColor(0xF4F0EE));
    board.NewRow("Idle, after a batch with one failed entry and one still waiting");
    board.Add("mainDlg, idle", GrabInHost(MainWindow(false), ToQColor(kWindow), 0));
    board.NewRow("Converting the third of four entries");
    board.Add("mainDlg, running", GrabInHost(MainWindow(true), ToQColor(kWindow), 0));
    return board.Render();
}

const TGalleryShots::Entry shot { "mainWindow.png", MainWindowShot };

} // namespace

