// The desktop program with a profile file it cannot use: it says why once, stays up, and keeps
// everything that needs no profile working.
#include "uiTestSupport.h"

#include "controls/MyButtonEx.h"
#include "controls/imagebutton.h"
#include "settings/saveManager.h"
#include "ui/addForm.h"
#include "ui/startUp.h"

#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

constexpr int kWait = 60000; // ms; generous for sanitizer builds
const std::string kBroken = "<?xml version=\"1.0\"?><profiles><profile><format>X</format>";

// The profile indexes and output folders of a list file, read back by the list-file manager.
std::vector<std::pair<int, QString>> Entries(const std::string& listFile)
{
    TFileList list;
    TSaveManager(list).ImportList(listFile);
    std::vector<std::pair<int, QString>> entries;
    for (PVirtualNode n = list.GetFirst(); n; n = list.GetNext(n))
        entries.emplace_back(TFileList::GetNodeData(n)->ItemData.ProfileIndex,
            TFileList::GetNodeData(n)->ItemData.OutputFolder);
    return entries;
}

} // namespace

TEST(UnusableProfileFile, TheWindowSaysWhyOnceRefusesToAddAndStillImportsExportsAndConverts)
{
    TWindowUnderTest w;
    // Start-up beside the test program, where there is no profile file: one box, not modal.
    ASSERT_FALSE(platform::FileExists(TCommandManager::ProfileFilePath()));
    TmainDlg* started = StartUpGuarded();
    ASSERT_NE(started, nullptr);
    const std::string missing = started->Hook()->Profiles().LoadError();
    EXPECT_NE(missing.find(TCommandManager::ProfileFilePath()), std::string::npos) << missing;
    ASSERT_EQ(w.dialogs.messages.size(), 1u);
    EXPECT_EQ(w.dialogs.messages[0].text, platform::FromAnsi(missing));
    EXPECT_EQ(w.dialogs.messages[0].icon, QMessageBox::Critical);
    EXPECT_FALSE(w.dialogs.messages[0].modal) << "start-up waits for nobody";
    started->close();
    w.dialogs.messages.clear();

    const std::string command = w.folder.dir.file("command");
    WriteFileBytes(command, kBroken);
    w.Hook().Profiles().LoadProfiles(command);
    const QString error = platform::FromAnsi(w.Hook().Profiles().LoadError());
    ASSERT_TRUE(error.contains("(line 1, column 59)")) << error.toStdString();

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
    w.Hook().btnAddClick();
    EXPECT_TRUE(openAfterOk);
    EXPECT_EQ(w.List().TotalCount(), 0u);
    ASSERT_EQ(w.dialogs.messages.size(), 1u);
    EXPECT_TRUE(w.dialogs.messages[0].text.startsWith("There are no conversion profiles"));
    EXPECT_TRUE(w.dialogs.messages[0].text.contains(error));
    EXPECT_TRUE(w.dialogs.messages[0].modal);

    // A list made with the profiles comes in and goes out with its indexes and folders intact.
    const std::string made = w.folder.dir.file("made.zfl");
    const std::string out = w.folder.dir.file("out/");
    {
        TFileList list;
        AppendFileRow(list, clip, 1, QString::fromStdString(out));
        AppendFileRow(list, clip, 0, QString());
        TSaveManager(list).ExportList(made);
    }
    w.dialogs.openFile.push_back(QString::fromStdString(made));
    w.Hook().btnImportClick();
    ASSERT_EQ(w.List().TotalCount(), 2u);
    const std::string saved = w.folder.dir.file("saved.zfl");
    w.dialogs.saveFile.push_back(QString::fromStdString(saved));
    w.Hook().btnExportClick();
    EXPECT_EQ(Entries(saved), Entries(made));

    // Converting fails each row without running anything, and the window comes back.
    w.Hook().btnConvertClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.window->btnConvert->Enabled(); }, kWait));
    EXPECT_EQ(TFileList::GetNodeData(w.List().NodeAt(0))->Status, isFailed);
    EXPECT_EQ(TFileList::GetNodeData(w.List().NodeAt(1))->Status, isFailed);
    EXPECT_FALSE(platform::DirectoryExists(out));
}

// The real program in a program folder of its own, whose profile file is cut off: it used to
// abort right after the splash. It must report the file, stay up, and end only when told to.
TEST(UnusableProfileFile, TheRealProgramStaysUpAndSaysWhy)
{
    TempDir dir;
    const std::string app = dir.file("app/");
    std::filesystem::create_directory(app);
    std::filesystem::copy_file(VIDMORPH_APP_DIR "/vidmorph", app + "vidmorph");
    WriteFileBytes(app + "command", kBroken);

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(environment);
    program.start(QString::fromStdString(app + "vidmorph"), {});
    ASSERT_TRUE(program.waitForStarted(kWait));
    QByteArray err;
    const QByteArray said = "vidmorph: The profile file \"" + QByteArray::fromStdString(app)
        + "command\" cannot be used: Invalid XML Element: Erroneous end of tag, expecting </profile> but "
          "</> found (line 1, column 59).\n";
    const bool reported = QTest::qWaitFor(
        [&] {
            err += program.readAllStandardError();
            return err.contains(said) || program.state() == QProcess::NotRunning;
        },
        kWait);
    EXPECT_TRUE(reported && err.contains(said)) << err.toStdString();
    QTest::qWait(200); // into the event loop
    ASSERT_EQ(program.state(), QProcess::Running) << "ended at start-up: " << err.toStdString();
    program.terminate();
    ASSERT_TRUE(program.waitForFinished(kWait));
    EXPECT_EQ(program.exitStatus(), QProcess::CrashExit) << "it ended by itself, not by the signal";
}
