// The desktop program with a profile file it cannot use: it says why once, stays up, and keeps
// everything that needs no profile working.
#include "desktopTestSupport.h"

#include "controls/MyButtonEx.h"
#include "desktop/addForm.h"
#include "desktop/startUp.h"
#include "formats/listFile.h"

#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

const std::string kBroken = "<?xml version=\"1.0\"?><profiles><profile><format>X</format>";

} // namespace

TEST(UnusableProfileFile, TheWindowSaysWhyOnceRefusesToAddAndStillImportsAndExports)
{
    TWindowUnderTest w;
    // Started beside the test program, where there is no profile file: one box, not modal.
    ASSERT_FALSE(platform::FileExists(TProfileList::ProfileFilePath()));
    TmainDlg* started = StartUpGuarded();
    ASSERT_NE(started, nullptr);
    ASSERT_EQ(w.dialogs.messages.size(), 1u);
    EXPECT_EQ(w.dialogs.messages[0].text, platform::FromAnsi(started->Controller()->Profiles().LoadError()));
    EXPECT_TRUE(
        w.dialogs.messages[0].text.contains(QString::fromStdString(TProfileList::ProfileFilePath())));
    EXPECT_EQ(w.dialogs.messages[0].icon, QMessageBox::Critical);
    EXPECT_FALSE(w.dialogs.messages[0].modal) << "start-up waits for nobody";
    started->close();
    w.dialogs.messages.clear();

    WriteFileBytes(w.folder.dir.file("command"), kBroken);
    w.Controller().Profiles().LoadProfiles(w.folder.dir.file("command"));
    const QString error = platform::FromAnsi(w.Controller().Profiles().LoadError());
    // Add: OK says why and leaves the dialog open; Cancel then adds nothing.
    const QString clip = QString::fromStdString(w.folder.MakeClip("a.avi"));
    bool openAfterOk = false;
    w.dialogs.openFiles.push_back({ clip });
    w.dialogs.onModal.push_back([&](QDialog& d) {
        auto& dialog = static_cast<TaddDlg&>(d);
        dialog.btnOk->Click();
        openAfterOk = dialog.isVisible() && !dialog.OkFlag();
        dialog.btnCancelClick();
    });
    w.Controller().btnAddClick();
    EXPECT_TRUE(openAfterOk);
    EXPECT_EQ(w.List().TotalCount(), 0u);
    ASSERT_EQ(w.dialogs.messages.size(), 1u);
    EXPECT_TRUE(w.dialogs.messages[0].text.startsWith("There are no conversion profiles"));
    EXPECT_TRUE(w.dialogs.messages[0].text.contains(error)) << error.toStdString();

    // A list made with the profiles comes in and goes out unchanged.
    const std::string made = w.folder.dir.file("made.zfl"), saved = w.folder.dir.file("saved.zfl");
    TFileList list;
    AppendFileRow(list, clip, 1, QString::fromStdString(w.folder.dir.file("out/")));
    AppendFileRow(list, clip, 0, QString());
    ExportList(list, made);
    w.dialogs.openFile.push_back(QString::fromStdString(made));
    w.Controller().btnImportClick();
    ASSERT_EQ(w.List().TotalCount(), 2u);
    w.dialogs.saveFile.push_back(QString::fromStdString(saved));
    w.Controller().btnExportClick();
    EXPECT_EQ(ReadFileBytes(saved), ReadFileBytes(made));
}

// The real program in a program folder of its own with a cut-off profile file (it used to abort
// right after the splash): it says why, stays up, and ends only when told to.
TEST(UnusableProfileFile, TheRealProgramStaysUpAndSaysWhy)
{
    TempDir dir;
    const std::string app = dir.file("app/");
    std::filesystem::create_directory(app);
    std::filesystem::copy_file(VIDMORPH_APP_DIR "/vidmorph", app + "vidmorph");
    WriteFileBytes(app + "command", kBroken);
    QProcess program;
    program.start(QString::fromStdString(app + "vidmorph"), {}); // inherits QT_QPA_PLATFORM=offscreen
    const QByteArray said = "vidmorph: The profile file \"" + QByteArray::fromStdString(app)
        + "command\" cannot be used: Invalid XML Element: Erroneous end of tag, expecting </profile> but "
          "</> found (line 1, column 59).\n";
    QByteArray err;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            err += program.readAllStandardError();
            return err.contains(said) || program.state() == QProcess::NotRunning;
        },
        60000));
    QTest::qWait(200); // into the event loop
    ASSERT_EQ(program.state(), QProcess::Running) << err.toStdString();
    EXPECT_TRUE(err.contains(said)) << err.toStdString();
    program.terminate();
    ASSERT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitStatus(), QProcess::CrashExit) << "ended by itself, not by the signal";
}
