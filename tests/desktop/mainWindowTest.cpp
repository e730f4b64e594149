// The main window driven as a user drives it, with the real ffmpeg: adding, converting, stopping,
// removing rows, list files, closing mid-batch.
#include "desktopTestSupport.h"

#include "controls/FSProgressBar.h"
#include "controls/MyButtonEx.h"
#include "controls/imagebutton.h"
#include "desktop/addForm.h"
#include "desktop/fileListView.h"
#include "desktop/problemsForm.h"

#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <thread>

TFileList& TWindowUnderTest::List()
{
    return window->fileList->List();
}

QString TWindowUnderTest::Hint(PVirtualNode node)
{
    return window->fileList->model()->index(static_cast<int>(node->row), 0).data(Qt::ToolTipRole).toString();
}

namespace {

constexpr int kWait = 60000; // ms; generous for sanitizer builds

const TItemNodeData& Row(TWindowUnderTest& w, int row)
{
    return *TFileList::GetNodeData(w.List().NodeAt(row));
}

// Answers the next add: these files, profile `profile`, output folder `out`, OK.
void ScriptAdd(TWindowUnderTest& w, const QStringList& files, int profile, const std::string& out,
    QStringList* infoLines = nullptr)
{
    w.dialogs.openFiles.push_back(files);
    w.dialogs.folders.push_back(QString::fromStdString(out));
    w.dialogs.onModal.push_back([profile, infoLines](QDialog& d) {
        auto& dialog = static_cast<TaddDlg&>(d);
        dialog.profileBox->setCurrentIndex(profile);
        dialog.btDirectoryClick();
        if (infoLines)
            *infoLines = dialog.InfoLines();
        dialog.btnOk->Click();
    });
}

void Click(QWidget* w)
{
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(2, 2));
}

// Whether a converter of this source file runs (the bracket keeps pgrep from finding the shell
// that runs it; the path is unique to the test).
bool ConverterRunning(const std::string& source)
{
    return std::system(
               ("pgrep -f '[" + source.substr(0, 1) + "]" + source.substr(1) + "' >/dev/null").c_str())
        == 0;
}

// Starts a batch whose first row converts for ever, and waits until its output file exists.
std::string StartEndlessBatch(TWindowUnderTest& w, const std::string& out)
{
    const std::string clip = w.folder.MakeClip("endless.avi");
    ScriptAdd(w, { QString::fromStdString(clip) }, 1, out);
    ScriptAdd(w, { QString::fromStdString(w.folder.MakeClip("second.avi")) }, 0, out);
    w.Controller().btnAddClick();
    w.Controller().btnAddClick();
    w.Controller().btnConvertClick();
    const std::string partial = out + "/endless.avi";
    EXPECT_TRUE(QTest::qWaitFor([&] { return platform::FileExists(partial); }, kWait));
    return partial;
}

} // namespace

TEST(MainWindow, ThreeFilesAddedThroughTheDialogsConvertToTheEndWithStatusesCountBarAndMessage)
{
    TWindowUnderTest w;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.window.get()));
    TmainDlg& f = *w.window;
    EXPECT_EQ(f.lbCount->text(), "0 files finished 0 of 0");
    EXPECT_EQ(f.lbTimer->text(), "timestamp: 00:00:00");
    const std::string out = w.folder.dir.file("out");
    QStringList files;
    for (const char* name : { "a.avi", "b.avi", "c.avi" })
        files << QString::fromStdString(w.folder.MakeClip(name));
    QStringList info;
    ScriptAdd(w, files, 0, out, &info);
    Click(f.lbAdd); // the label passes the click to its button
    EXPECT_EQ(info,
        QStringList({ "file count: 3", "format: AVI", QString::fromStdString("save to: " + out + "/"),
            "Ready to go...click OK", "Cancel the operation...click Cancel" }));
    ASSERT_EQ(w.List().TotalCount(), 3u);
    EXPECT_EQ(f.lbCount->text(), "3 files, finished 0 of 3");
    EXPECT_EQ(Row(w, 2).ItemData.FileName, files[2]);
    EXPECT_EQ(Row(w, 2).ItemData.OutputFolder, QString::fromStdString(out + "/"));
    EXPECT_EQ(w.Controller().Items().Count(), 0);

    Click(f.lbConvert);
    EXPECT_FALSE(f.btnAdd->Enabled());
    EXPECT_TRUE(f.btnStop->Enabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.dialogs.messages.empty(); }, kWait));
    EXPECT_EQ(w.dialogs.messages[0].text, "Congratulations, works done!");
    EXPECT_EQ(w.dialogs.messages[0].icon, QMessageBox::Information);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Row(w, i).Status, isConverted) << i;
    EXPECT_EQ(f.progressBar->Position(), 100);
    EXPECT_EQ(f.lbCount->text(), "3 files, finished 3 of 3");
    EXPECT_TRUE(f.btnAdd->Enabled());
    EXPECT_FALSE(f.btnStop->Enabled());
    for (const char* name : { "/a.avi", "/b.avi", "/c.avi" })
        EXPECT_TRUE(platform::FileExists(out + name)) << name;
    EXPECT_EQ(w.Hint(w.List().NodeAt(0)).count('\n'), 2);

    w.List().SelectOnly(nullptr);
    w.Controller().pmiDeleteClick(); // nothing selected: nothing removed, the line rewritten
    EXPECT_EQ(w.List().TotalCount(), 3u);
    EXPECT_EQ(f.lbCount->text(), "3 files, finished 0 of 3");
    w.Controller().pmiClearClick();
    EXPECT_EQ(f.lbCount->text(), "0 files, finished 0 of 0");
    EXPECT_EQ(f.progressBar->Position(), 100);
}

TEST(MainWindow, AFailedRowTellsWhyInItsHintAndTheBatchGoesOn)
{
    TWindowUnderTest w;
    const std::string bogus = w.folder.dir.file("not a video.mpg");
    WriteFileBytes(bogus, "this is no video");
    const std::string out = w.folder.dir.file("out");
    ScriptAdd(w, { QString::fromStdString(bogus) }, 0, out);
    ScriptAdd(w, { QString::fromStdString(w.folder.MakeClip("ok.avi")) }, 0, out);
    w.Controller().btnAddClick();
    w.Controller().btnAddClick();
    TFileList::GetNodeData(w.List().NodeAt(1))->ItemData.ProfileIndex = 9; // names no profile
    AppendFileRow(
        w.List(), QString::fromStdString(w.folder.dir.file("ok.avi")), 0, QString::fromStdString(out));
    w.Controller().btnConvertClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.window->btnConvert->Enabled(); }, kWait));
    EXPECT_EQ(Row(w, 0).Status, isFailed);
    EXPECT_EQ(Row(w, 1).Status, isFailed);
    EXPECT_EQ(Row(w, 2).Status, isConverted);
    ASSERT_EQ(w.dialogs.messages.size(), 1u) << "a box per failed row";
    EXPECT_EQ(w.dialogs.messages[0].text, "1 of 3 files converted, 2 failed.");
    EXPECT_EQ(w.dialogs.messages[0].icon, QMessageBox::Warning);

    const QStringList hint = w.Hint(w.List().NodeAt(0)).split('\n');
    ASSERT_EQ(hint.size(), 4);
    EXPECT_EQ(hint[0], QString::fromStdString("[File Name]: " + bogus));
    EXPECT_EQ(hint[1], "[format]: AVI");
    const QStringList result = hint[3].split(' '); // "[result]:", the exit code, the converter's words
    ASSERT_GT(result.size(), 2) << hint[3].toStdString();
    EXPECT_GT(result[1].toInt(), 0) << hint[3].toStdString();
    const QStringList notStarted = w.Hint(w.List().NodeAt(1)).split('\n');
    ASSERT_EQ(notStarted.size(), 4);
    EXPECT_EQ(notStarted[1], "[format]: ");
    EXPECT_TRUE(notStarted[3].startsWith("[result]: Cannot convert"))
        << "no exit code for a row that never ran";

    // Both problems in the problems window, each naming its file once.
    const QStringList problems = w.Controller().Problems().Messages();
    ASSERT_EQ(problems.size(), 2);
    EXPECT_EQ(problems[0].count(QString::fromStdString(bogus)), 1) << problems[0].toStdString();
    EXPECT_TRUE(problems[0].contains(result.mid(2).join(' ')));
    EXPECT_EQ(problems[1], notStarted[3].mid(10));
}

TEST(MainWindow, ABatchsProblemsGatherInOneWindowThatTheNextBatchEmptiesAndRefills)
{
    TWindowUnderTest w;
    const QString out = QString::fromStdString(w.folder.dir.file("out"));
    const QString clip = QString::fromStdString(w.folder.MakeClip("fine.avi"));
    QStringList missing; // rows whose profile does not exist
    for (int i = 0; i < 30; ++i) {
        missing << QString::fromStdString(w.folder.dir.file("row " + std::to_string(i) + ".avi"));
        AppendFileRow(w.List(), missing.back(), 7, out);
    }
    AppendFileRow(w.List(), clip, 0, out);
    w.Controller().btnConvertClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.window->btnConvert->Enabled(); }, kWait));
    TProblemsDlg& problems = w.Controller().Problems();
    EXPECT_TRUE(problems.isVisible());
    EXPECT_EQ(problems.windowTitle(), "Problems: 30");
    const QStringList messages = problems.Messages();
    ASSERT_EQ(messages.size(), 30);
    for (int i = 0; i < 30; ++i)
        EXPECT_EQ(messages[i].count(missing[i]), 1) << messages[i].toStdString();
    const QScrollBar* scroll = problems.ProblemList->verticalScrollBar();
    EXPECT_GT(scroll->maximum(), 0);
    EXPECT_EQ(scroll->value(), scroll->maximum()) << "the newest problem is out of view";
    ASSERT_EQ(w.dialogs.messages.size(), 1u) << "a box per row that could not start";
    EXPECT_EQ(w.dialogs.messages[0].text, "1 of 31 files converted, 30 failed.");

    // The next batch empties the same window and fills it with its own problems.
    w.Controller().pmiClearClick();
    AppendFileRow(w.List(), missing[0], 7, out);
    AppendFileRow(w.List(), missing[1], 7, out);
    w.Controller().btnConvertClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.window->btnConvert->Enabled(); }, kWait));
    EXPECT_EQ(problems.windowTitle(), "Problems: 2");
    EXPECT_EQ(problems.Messages(), messages.mid(0, 2));
    EXPECT_EQ(w.dialogs.messages.back().text, "0 of 2 files converted, 2 failed.");
    problems.btnClose->Click();
    EXPECT_FALSE(problems.isVisible());

    // A batch without problems shows none, and is congratulated.
    w.Controller().pmiClearClick();
    AppendFileRow(w.List(), clip, 0, out);
    w.Controller().btnConvertClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.window->btnConvert->Enabled(); }, kWait));
    EXPECT_EQ(problems.Count(), 0);
    EXPECT_FALSE(problems.isVisible());
    EXPECT_EQ(w.dialogs.messages.back().text, "Congratulations, works done!");
    EXPECT_EQ(w.dialogs.messages.back().icon, QMessageBox::Information);
}

TEST(MainWindow, StopEndsTheBatchAndRemovalsAreRefusedWhileRunningButAllowedRightAfterStop)
{
    TWindowUnderTest w;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.window.get()));
    const std::string out = w.folder.dir.file("out");
    const std::string partial = StartEndlessBatch(w, out);
    w.List().SelectOnly(w.List().NodeAt(1));
    w.Controller().pmiDeleteClick();
    w.Controller().pmiClearClick();
    EXPECT_EQ(w.List().TotalCount(), 2u) << "rows removed while converting";
    w.dialogs.openFile.push_back(QString::fromStdString(w.folder.dir.file("none.zfl")));
    w.Controller().btnImportClick();
    EXPECT_EQ(w.dialogs.openFile.size(), 1u) << "import offered while converting";

    Click(w.window->lbStop);
    w.List().SelectOnly(w.List().NodeAt(0)); // the row whose converter is being stopped
    w.Controller().pmiDeleteClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.List().TotalCount() == 1; }, kWait));
    EXPECT_TRUE(w.window->btnConvert->Enabled());
    ASSERT_EQ(w.dialogs.messages.size(), 1u);
    EXPECT_EQ(w.dialogs.messages[0].text, "Stopped: 0 of 2 files converted.");
    EXPECT_EQ(Row(w, 0).Status, isWaiting);
    EXPECT_FALSE(platform::FileExists(partial));
    EXPECT_FALSE(ConverterRunning(w.folder.dir.file("endless.avi")));
    EXPECT_EQ(w.window->lbCount->text(), "1 files, finished 0 of 1");

    // Clear right after a second Stop.
    w.Controller().btnConvertClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Row(w, 0).Status == isConverted; }, kWait));
    const std::string partial2 = StartEndlessBatch(w, out);
    w.Controller().btnStopClick();
    w.Controller().pmiClearClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.List().TotalCount() == 0; }, kWait));
    EXPECT_FALSE(platform::FileExists(partial2));

    // A stopped row is no problem: its hint says it was stopped, in words.
    StartEndlessBatch(w, out);
    w.Controller().btnStopClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.window->btnConvert->Enabled(); }, kWait));
    EXPECT_EQ(w.Hint(w.List().NodeAt(0)).section('\n', 3), "[result]: stopped");
    EXPECT_EQ(w.Controller().Problems().Count(), 0);
    EXPECT_EQ(w.dialogs.messages.back().text, "Stopped: 0 of 2 files converted.");
}

TEST(MainWindow, ClosingMidBatchLeavesNoConverterAndNoPartialFile)
{
    auto w = std::make_unique<TWindowUnderTest>();
    const std::string partial = StartEndlessBatch(*w, w->folder.dir.file("out"));
    ASSERT_TRUE(ConverterRunning(w->folder.dir.file("endless.avi")));
    w->window.reset();
    EXPECT_FALSE(platform::FileExists(partial));
    EXPECT_FALSE(ConverterRunning(w->folder.dir.file("endless.avi")))
        << "the window's end left its converter running";
}

TEST(MainWindow, ExportAndImportRoundTripAndABadListFileChangesNothing)
{
    TWindowUnderTest w;
    const QStringList files = { QString::fromStdString(w.folder.dir.file("x.mpg")),
        QString::fromStdString(w.folder.dir.file("y.MOV")) };
    ScriptAdd(w, files, 1, w.folder.dir.file("out"));
    w.Controller().btnAddClick();
    w.dialogs.saveFile.push_back(QString::fromStdString(w.folder.dir.file("list")));
    w.Controller().btnExportClick();
    ASSERT_TRUE(platform::FileExists(w.folder.dir.file("list.zfl")));
    w.Controller().pmiClearClick();

    w.dialogs.openFile.push_back(QString::fromStdString(w.folder.dir.file("list.zfl")));
    w.Controller().btnImportClick();
    ASSERT_EQ(w.List().TotalCount(), 2u);
    EXPECT_EQ(Row(w, 1).ItemData.FileName, files[1]);
    EXPECT_EQ(Row(w, 1).ItemData.ProfileIndex, 1);
    EXPECT_EQ(Row(w, 1).ItemData.OutputFolder, QString::fromStdString(w.folder.dir.file("out") + "/"));
    EXPECT_EQ(w.window->lbCount->text(), "2 files, finished 0 of 2");

    const std::string bad = w.folder.dir.file("bad.zfl");
    WriteFileBytes(bad, "<?xml version=\"1.0\"?><list><item><filename>a</filename>");
    w.dialogs.openFile.push_back(QString::fromStdString(bad));
    w.window->btnImport->Click(); // raises inside the handler: shown, not thrown through Qt
    ASSERT_EQ(w.dialogs.messages.size(), 1u);
    EXPECT_EQ(w.dialogs.messages[0].icon, QMessageBox::Critical);
    EXPECT_FALSE(w.dialogs.messages[0].text.isEmpty());
    EXPECT_EQ(w.List().TotalCount(), 2u);

    // Entry 2 has no profile: entry 1 stays, and the count line says so beside the error box.
    const std::string half = w.folder.dir.file("half.zfl");
    WriteFileBytes(half,
        "<?xml version=\"1.0\"?><list><item><filename>/v/p.mpg</filename><format>0</format>"
        "<path></path></item><item><filename>/v/q.mpg</filename><path></path></item></list>");
    w.dialogs.openFile.push_back(QString::fromStdString(half));
    w.window->btnImport->Click();
    ASSERT_EQ(w.dialogs.messages.size(), 2u);
    EXPECT_EQ(w.List().TotalCount(), 3u);
    EXPECT_EQ(w.window->lbCount->text(), "3 files, finished 0 of 3");

    w.Controller().btnImportClick(); // cancelled
    EXPECT_EQ(w.List().TotalCount(), 3u);
}

TEST(MainWindow, TheSupportButtonAndTheUpdateLinkOpenTheirPages)
{
    TWindowUnderTest w;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.window.get()));
    Click(w.window->lbSupport);
    Click(w.window->lbUpdate);
    ASSERT_EQ(w.dialogs.urls.size(), 2u);
    EXPECT_EQ(w.dialogs.urls[0].path(), "/support.html");
    EXPECT_EQ(w.dialogs.urls[1].path(), "/vidmorph/index.html");
    EXPECT_EQ(w.dialogs.urls[0].host(), w.dialogs.urls[1].host());
    EXPECT_EQ(w.window->lbUpdate->cursor().shape(), Qt::PointingHandCursor);
}

TEST(MainWindow, TextsOfTheCountTimeAndExportNameRules)
{
    EXPECT_EQ(TMainController::CountLine(3, 1), "3 files, finished 1 of 3");
    EXPECT_EQ(TMainController::TimeLine(3725), "timestamp: 01:02:05");
    EXPECT_EQ(TMainController::TimeLine(360000), "timestamp: 100:00:00");
    EXPECT_EQ(TMainController::ExportName("/t/list"), "/t/list.zfl");
    EXPECT_EQ(TMainController::ExportName("/t/list.zfl"), "/t/list.zfl");
    EXPECT_EQ(TMainController::ExportName("/t/list.ZFL"), "/t/list.ZFL.zfl");
    EXPECT_EQ(TMainController::ExportName("/t.d/a.b"), "/t.d/a.b.zfl");
    EXPECT_EQ(TMainController::ExportName("/t.d/list"), "/t.d/list.zfl");
    EXPECT_EQ(QtFileFilter("Video|*.mpg;*.mp4|All Files|*.*"), "Video (*.mpg *.mp4);;All Files (*)");
    EXPECT_EQ(TMainController::EndMessage(5, 1, 2, true), "Stopped: 1 of 5 files converted, 2 failed.");
}
