// The window's list survives a crash: the real program killed mid-batch shows its list again at
// the next start, without the killed converter's file; a normal close leaves nothing behind; a
// damaged journal or a state folder that cannot be written costs the window nothing.
#include "desktopTestSupport.h"

#include "engine/listJournal.h"
#include "formats/listFile.h"

#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

namespace {

constexpr int kWait = 60000; // ms; generous for sanitizer builds

// The statuses of the journal in folder, "converted,converting+output,waiting"; empty while there
// is none or it cannot be read.
std::string JournalState(const std::string& folder)
{
    const QStringList names = QDir(QString::fromStdString(folder)).entryList({ "list-*.zfl" }, QDir::Files);
    if (names.size() != 1)
        return {};
    std::string state;
    try {
        TListFile file;
        file.ReadEntries(folder + names[0].toStdString(), [&state](const TItemData&, TSimpleXMLElem& entry) {
            TSimpleXMLElem* status = entry.Children().FindElement("status");
            state += (state.empty() ? "" : ",") + (status ? status->ValueString() : std::string("?"));
            if (entry.Children().FindElement("output"))
                state += "+output";
        });
    } catch (const std::exception&) {
        return {};
    }
    return state;
}

bool ConverterRunning(const std::string& source)
{
    return std::system(
               ("pgrep -f '[" + source.substr(0, 1) + "]" + source.substr(1) + "' >/dev/null").c_str())
        == 0;
}

// The real program in a program folder of its own (the test's profiles, ffmpeg beside it), its
// state in stateHome; with a tool tip, the control that bears it is clicked once it is shown.
void StartProgram(QProcess& program, const std::string& app, const std::string& stateHome, const QString& click)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_STATE_HOME", QString::fromStdString(stateHome));
    if (!click.isEmpty()) {
        environment.insert("LD_PRELOAD", VIDMORPH_HELPER_DIR "/libvmclick.so");
        environment.insert("VMCLICK_TOOLTIP", click);
        // A sanitizer build would refuse a library loaded before its runtime.
        environment.insert("ASAN_OPTIONS", environment.value("ASAN_OPTIONS") + ":verify_asan_link_order=0");
    }
    program.setProcessEnvironment(environment);
    program.start(QString::fromStdString(app + "vidmorph"), {});
}

// A crashed session's journal in folder: rows a, b, c of dir; a converted, b converting.
void WriteCrashedJournal(const std::string& folder, const TempDir& dir)
{
    TFileList list;
    for (const char* name : { "a.avi", "b.avi", "c.avi" })
        AppendFileRow(list, QString::fromStdString(dir.file(name)), 0, QString::fromStdString(dir.file("out/")));
    TFileList::GetNodeData(list.NodeAt(0))->Status = isConverted;
    TFileList::GetNodeData(list.NodeAt(1))->Status = isConverting;
    std::string bytes;
    {
        TListJournal journal(list, folder);
        bytes = ReadFileBytes(journal.Path());
    }
    WriteFileBytes(folder + "list-crashed.zfl", bytes);
}

} // namespace

TEST(ListJournal, TheRealProgramKilledMidBatchShowsItsListAgainWithoutThePartialFile)
{
    TProgramFolder folder;
    TempDir dir;
    const std::string app = dir.file("app/"), state = dir.file("state/vidmorph/"), out = dir.file("out/");
    std::filesystem::create_directories(app);
    std::filesystem::create_directories(state);
    std::filesystem::copy_file(VIDMORPH_APP_DIR "/vidmorph", app + "vidmorph");
    std::filesystem::copy_file(folder.dir.file("command"), app + "command");
    symlink(TProgramFolder::FindFfmpeg().c_str(), (app + "ffmpeg").c_str());
    // The list comes in as a journal the program takes over: a quick row, an endless one, a quick one.
    TFileList list;
    const int profiles[] = { 0, 1, 0 };
    for (int i = 0; i < 3; ++i)
        AppendFileRow(list, QString::fromStdString(folder.MakeClip(std::string(1, char('a' + i)) + ".avi")),
            profiles[i], QString::fromStdString(out));
    ExportList(list, state + "list-seed.zfl");

    QProcess first;
    StartProgram(first, app, dir.file("state"), "start converting");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return JournalState(state) == "converted,converting+output,waiting" || first.state() == QProcess::NotRunning; },
        kWait))
        << JournalState(state) << first.readAllStandardError().toStdString();
    ASSERT_EQ(first.state(), QProcess::Running);
    EXPECT_TRUE(first.readAllStandardError().contains("restored: 3 files, 0 converted."));
    ASSERT_TRUE(platform::FileExists(out + "b.avi")) << "the endless row is under way";
    kill(static_cast<pid_t>(first.processId()), SIGKILL);
    ASSERT_TRUE(first.waitForFinished(kWait));
    const std::string endless = folder.dir.file("b.avi");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !ConverterRunning(endless); }, kWait)) << "the converter died with it";

    QProcess second;
    StartProgram(second, app, dir.file("state"), {});
    const QByteArray restored = "vidmorph: The list of the last session was restored: 3 files, 1 converted.\n";
    QByteArray said;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            said += second.readAllStandardError();
            return said.contains(restored) || second.state() == QProcess::NotRunning;
        },
        kWait))
        << said.toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return JournalState(state) == "converted,waiting,waiting"; }, kWait))
        << JournalState(state);
    EXPECT_FALSE(platform::FileExists(out + "b.avi")) << "the killed converter's file is removed";
    EXPECT_TRUE(platform::FileExists(out + "a.avi"));
    EXPECT_EQ(QDir(QString::fromStdString(state)).entryList(QDir::Files).size(), 2) << "its own journal and lock";
    kill(static_cast<pid_t>(second.processId()), SIGKILL);
    ASSERT_TRUE(second.waitForFinished(kWait));
}

TEST(ListJournal, ClosingTheWindowMidBatchLeavesNoJournal)
{
    TempDir state;
    const std::string out = state.file("out/");
    {
        TWindowUnderTest w;
        w.Controller().StartJournal(state.path() + "/");
        ASSERT_TRUE(w.Controller().Journal()->Active()) << w.Controller().Journal()->Problem();
        TFileList& list = w.List();
        AppendFileRow(list, QString::fromStdString(w.folder.MakeClip("endless.avi")), 1, QString::fromStdString(out));
        w.Controller().btnConvertClick();
        EXPECT_TRUE(QTest::qWaitFor([&] { return JournalState(state.path() + "/") == "converting+output"; }, kWait))
            << JournalState(state.path() + "/");
        w.window->close();
        w.window.reset();
    }
    EXPECT_TRUE(QDir(QString::fromStdString(state.path())).entryList({ "list-*" }, QDir::Files).isEmpty());
    EXPECT_FALSE(platform::FileExists(out + "endless.avi"));
}

TEST(ListJournal, TheWindowSaysWhatItRestoredAndDropsADamagedJournalWithAReason)
{
    TempDir dir;
    const std::string state = dir.file("state/");
    std::filesystem::create_directories(state);
    WriteCrashedJournal(state, dir);
    TWindowUnderTest w;
    w.Controller().StartJournal(state);
    ASSERT_EQ(w.dialogs.messages.size(), 1u);
    EXPECT_EQ(w.dialogs.messages[0].text, "The list of the last session was restored: 3 files, 1 converted.");
    EXPECT_EQ(w.dialogs.messages[0].icon, QMessageBox::Information);
    EXPECT_FALSE(w.dialogs.messages[0].modal);
    EXPECT_EQ(w.List().TotalCount(), 3u);
    EXPECT_EQ(w.window->lbCount->text(), TMainController::CountLine(3, 1));

    TWindowUnderTest other; // a second window: the first one's journal is not for it
    WriteCrashedJournal(state, dir);
    const std::string bytes = ReadFileBytes(state + "list-crashed.zfl");
    WriteFileBytes(state + "list-crashed.zfl", bytes.substr(0, bytes.size() / 2));
    other.Controller().StartJournal(state);
    ASSERT_EQ(other.dialogs.messages.size(), 1u);
    EXPECT_TRUE(other.dialogs.messages[0].text.startsWith("The list of the last session could not be restored"))
        << other.dialogs.messages[0].text.toStdString();
    EXPECT_TRUE(other.dialogs.messages[0].text.contains("list-crashed.zfl"));
    EXPECT_EQ(other.dialogs.messages[0].icon, QMessageBox::Warning);
    EXPECT_EQ(other.List().TotalCount(), 0u);
    EXPECT_FALSE(platform::FileExists(state + "list-crashed.zfl"));
    EXPECT_NE(other.Controller().Journal()->Path(), w.Controller().Journal()->Path());
    EXPECT_TRUE(platform::FileExists(w.Controller().Journal()->Path()));
}

TEST(ListJournal, AStateFolderThatCannotBeWrittenLeavesTheWindowWorking)
{
    TWindowUnderTest w;
    WriteFileBytes(w.folder.dir.file("file"), "");
    w.Controller().StartJournal(w.folder.dir.file("file/vidmorph/")); // a file where a folder should be
    EXPECT_FALSE(w.Controller().Journal()->Active());
    EXPECT_TRUE(w.dialogs.messages.empty());
    AppendFileRow(w.List(), QString::fromStdString(w.folder.MakeClip("a.avi")), 0,
        QString::fromStdString(w.folder.dir.file("out/")));
    w.Controller().btnConvertClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.dialogs.messages.empty(); }, kWait));
    EXPECT_EQ(w.dialogs.messages[0].text, TMainController::kEndMessage);
    EXPECT_TRUE(platform::FileExists(w.folder.dir.file("out/a.avi")));
}
