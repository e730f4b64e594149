// Pictures of the real program on a real display (run it under Xvfb: scripts/screenshots):
//   screenshots <output folder>
// The splash; the main window with its controller and the shipped profiles: idle with rows in all four
// states, during a real conversion, the Add Files dialog, the properties dialog, the popup menu,
// a row's hint, a batch whose rows fail: its problems window and its end message, and the start after a
// crash, which restores the list and says so. Screens are grabbed
// from the display, so separate windows (menu, hint) show.
#include "controls/MyFlatHintUnit.h"
#include "desktop/addForm.h"
#include "desktop/dialogSeam.h"
#include "desktop/fileListPresenter.h"
#include "desktop/fileListView.h"
#include "desktop/mainController.h"
#include "desktop/mainForm.h"
#include "desktop/problemsForm.h"
#include "desktop/skinFonts.h"
#include "desktop/splashForm.h"
#include "engine/jobRunner.h"
#include "engine/listJournal.h"
#include "formats/profileList.h"

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <utility>

namespace {

QString gOut;
int gFailures = 0;

void Settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Grabs a rectangle of the screen (global coordinates) into <out>/<name>.
void Shoot(const QString& name, QRect area)
{
    Settle(300);
    const QPixmap shot
        = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    const QString file = gOut + "/" + name;
    const bool ok = !shot.isNull() && shot.save(file);
    std::printf("  %-22s %s\n", qPrintable(name), ok ? "written" : "FAILED");
    gFailures += ok ? 0 : 1;
}

QRect FrameOf(QWidget* w)
{
    return w->frameGeometry();
}

// Answers the program's dialogs: the modal ones are photographed, then closed.
class TShotDialogs : public TRealDialogs {
public:
    QString modalShot;
    void ExecModal(QDialog& dialog) override
    {
        const QString name = modalShot;
        QTimer::singleShot(0, &dialog, [&dialog, name] {
            Shoot(name, FrameOf(&dialog));
            dialog.close();
        });
        dialog.exec();
    }
    // Photographed when a name is set, else not shown.
    QString messageShot;
    void ShowMessage(
        QWidget* owner, const QString& title, const QString& text, QMessageBox::Icon icon) override
    {
        const QString name = std::exchange(messageShot, QString());
        if (name.isEmpty())
            return;
        QMessageBox box(icon, title, text, QMessageBox::Ok, owner);
        QTimer::singleShot(0, &box, [&box, name] {
            Shoot(name, FrameOf(&box));
            box.close();
        });
        box.exec();
    }
};

std::string MakeClip(const QString& folder, const char* name, int seconds, const char* size)
{
    const std::string path = (folder + "/" + name).toStdString();
    const std::string make = "ffmpeg -nostdin -v error -f lavfi -i testsrc=duration="
        + std::to_string(seconds) + ":size=" + size + ":rate=25 -y '" + path + "'";
    return std::system(make.c_str()) == 0 ? path : std::string();
}

// Four rows, one in each state, the second one failed with a converter message.
void FillIdleRows(TmainDlg& window, const QString& folder)
{
    TFileList& list = window.fileList->List();
    const char* names[] = { "beach.mp4", "birthday.mp4", "garden party.mp4", "wedding 1998.mp4" };
    for (int i = 0; i < 4; ++i) {
        PVirtualNode node
            = AppendFileRow(list, folder + "/" + names[i], i % 2, i == 2 ? folder + "/out/" : QString());
        TFileList::GetNodeData(node)->Status = (i + 2) % 4;
    }
    window.fileList->SetAnimationOffset(30);
    TFileList::GetNodeData(list.NodeAt(1))->Outcome.reset(new TRowOutcome {
        TEntryResult::Failed, 1, "birthday.mp4: Invalid data found when processing input", {}, {}, {} });
    window.lbCount->setText(TMainController::CountLine(4, 3));
}

// The start after a crash: a journal left by a session killed while its third row converted.
void ShootRestoredList(const QString& folder)
{
    const QString state = folder + "/state/";
    TFileList crashed;
    const char* names[] = { "beach.mp4", "birthday.mp4", "garden party.mp4", "wedding 1998.mp4" };
    const int32_t statuses[] = { isConverted, isConverted, isConverting, isFailed };
    for (int i = 0; i < 4; ++i)
        TFileList::GetNodeData(AppendFileRow(crashed, folder + "/" + names[i], 0, QString()))->Status = statuses[i];
    TFileList::GetNodeData(crashed.NodeAt(3))->Outcome = std::make_unique<TRowOutcome>(
        TRowOutcome { TEntryResult::Failed, 1, "disk full: No space left on device", "", "", {} });
    QString journalPath;
    {
        TListJournal journal(crashed, state.toStdString());
        journalPath = QString::fromStdString(journal.Path());
        QFile::copy(journalPath, state + "list-crashed.zfl");
    }
    TmainDlg window;
    window.Controller()->Profiles().LoadProfiles(VIDMORPH_APP_DIR "/command");
    window.show();
    window.activateWindow();
    Settle(500);
    window.Controller()->StartJournal(state.toStdString());
    Settle(300);
    QRect area = FrameOf(&window);
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->isVisible() && qobject_cast<QMessageBox*>(top))
            area = area.united(FrameOf(top));
    Shoot("restored.png", area);
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->isVisible() && qobject_cast<QMessageBox*>(top))
            top->close();
    // The failed row still says why.
    QWidget* rows = window.fileList->viewport();
    const QPoint rowPoint = rows->mapToGlobal(QPoint(200, 3 * 25 + 12));
    QCursor::setPos(rowPoint);
    TMyFlatHint::HintFilter()->ShowHint(
        rows, window.fileList->model()->index(3, 0).data(Qt::ToolTipRole).toString(), rowPoint);
    Shoot("restoredHint.png", QRect(window.frameGeometry().topLeft(), QSize(900, 600)));
    TMyFlatHint::HintFilter()->HideHint();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2 || QGuiApplication::platformName() == "offscreen") {
        std::fprintf(stderr, "usage: screenshots <output folder>   (on a display: xvfb-run -a ...)\n");
        return 2;
    }
    gOut = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(gOut);
    QApplication::setApplicationName(kApplicationTitle);
    InstallSkinFonts();
    TShotDialogs dialogs;
    SetDialogs(&dialogs);
    QTemporaryDir work;
    const QString folder = work.path();

    if (app.devicePixelRatio() == 1) {
        TSplashDlg splash;
        splash.show();
        Shoot("splash.png", splash.frameGeometry());
    }

    TmainDlg window;
    TMainController& controller = *window.Controller();
    controller.Profiles().LoadProfiles(VIDMORPH_APP_DIR "/command");
    controller.JobRunner().SetProgramFolder(VIDMORPH_APP_DIR);
    window.show();
    window.activateWindow();
    Settle(500);

    // Idle, rows in all four states.
    FillIdleRows(window, folder);
    if (window.devicePixelRatioF() > 1) { // a scaled run (QT_SCALE_FACTOR=2) photographs only this
        Shoot(QString("mainIdle@%1x.png").arg(window.devicePixelRatioF()), FrameOf(&window));
        SetDialogs(nullptr);
        return gFailures == 0 ? 0 : 1;
    }
    Shoot("mainIdle.png", FrameOf(&window));
    TFileList& list = window.fileList->List();

    // The hint of the failed row and the popup menu.
    QWidget* rows = window.fileList->viewport();
    const QPoint rowPoint = rows->mapToGlobal(QPoint(200, 25 + 12));
    QCursor::setPos(rowPoint); // the hint places itself by the real pointer
    TMyFlatHint::HintFilter()->ShowHint(rows, window.fileList->model()->index(1, 0).data(Qt::ToolTipRole).toString(), rowPoint);
    Shoot("hint.png", QRect(window.frameGeometry().topLeft(), QSize(900, 600)));
    TMyFlatHint::HintFilter()->HideHint();
    window.listMenu->popup(rowPoint);
    Settle(200);
    Shoot("popupMenu.png", window.listMenu->frameGeometry().adjusted(-40, -40, 40, 40));
    window.listMenu->hide();

    // A real conversion, photographed while the second file converts.
    list.Clear();
    for (const char* name : { "short.mp4", "long.mp4", "third.mp4" })
        AppendFileRow(list,
            QString::fromStdString(MakeClip(folder, name, name[0] == 'l' ? 60 : 1, "1280x720")), 0,
            folder + "/converted/");
    controller.btnConvertClick();
    for (int i = 0; i < 600 && TFileList::GetNodeData(list.NodeAt(1))->Status != isConverting; ++i)
        Settle(50);
    Settle(2500);
    Shoot("mainConverting.png", FrameOf(&window));
    controller.btnStopClick();
    Settle(500);

    // The two dialogs, filled as the program fills them.
    dialogs.modalShot = "propertiesDialog.png";
    list.SetFocusedNode(list.NodeAt(0));
    controller.pmiPropertiesClick();
    TaddDlg add(controller.Profiles().FormatNames());
    add.Fill({ folder + "/beach.mp4", folder + "/birthday.mp4", folder + "/garden party.mp4" });
    dialogs.modalShot = "addDialog.png";
    dialogs.ExecModal(add);

    // A batch whose rows fail in three ways, and what it says at its end.
    list.Clear();
    const std::string broken = (folder + "/broken.mp4").toStdString();
    std::system(("echo 'no video' > '" + broken + "'").c_str());
    AppendFileRow(list, QString::fromStdString(broken), 0, folder + "/converted/");
    AppendFileRow(list, folder + "/holiday.mp4", 99, folder + "/converted/");
    AppendFileRow(list, folder + "/gone.mov", 0, folder + "/converted/");
    AppendFileRow(list, folder + "/third.mp4", 0, folder + "/converted/");
    dialogs.messageShot = "endMessage.png";
    controller.btnConvertClick();
    for (int i = 0; i < 600 && !controller.JobRunner().Idle(); ++i)
        Settle(50);
    Shoot("problems.png", FrameOf(&window).united(FrameOf(&controller.Problems())));
    controller.Problems().hide();
    window.hide();
    ShootRestoredList(folder);
    SetDialogs(nullptr);
    return gFailures == 0 ? 0 : 1;
}
