// The job runner end to end with the real ffmpeg on tiny clips the test makes itself.
#include "engine/entryPlan.h"
#include "engine/jobRunner.h"
#include "engine/localPath.h"
#include "engine/reporter.h"
#include "engine/sourceProbe.h"
#include "loopbackListener.h"
#include "platform/fileSystem.h"
#include "testFiles.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QtCore/qtestsupport_core.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <set>
#include <signal.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// A stand-in converter for runs whose timing matters more than their pictures: the profile's
// parameters choose what it does ("mode-write-exit" writes its output and fails, anything else
// sleeps until killed).
const char kFakeConverter[] = "#!/bin/sh\n"
                              "for last; do :; done\n"
                              "case \"$*\" in\n"
                              "  *mode-write-exit*) : > \"${last#file:}\"; sleep 0.1; exit 1;;\n"
                              "  *) exec sleep 30;;\n"
                              "esac\n";

// Whether an endless converter writing into this test's own folder runs (other tests may run
// converters of their own at the same time; the bracket keeps pgrep from finding the shell).
bool EndlessConverterRuns(const std::string& outputFolder)
{
    const std::string pattern = "[l]oop=loop=-1.*" + outputFolder;
    return std::system(("pgrep -f '" + pattern + "' >/dev/null").c_str()) == 0;
}

std::string SystemFfmpeg()
{
    for (const char* dir : { "/usr/bin/", "/usr/local/bin/" })
        if (platform::FileExists(std::string(dir) + "ffmpeg"))
            return std::string(dir) + "ffmpeg";
    return {};
}

// A program folder with the converter link and a profile file, plus one tiny source clip.
class CommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string ffmpeg = SystemFfmpeg();
        ASSERT_FALSE(ffmpeg.empty()) << "ffmpeg is not installed (scripts/install-deps installs it)";
        programFolder = dir.path() + "/app/";
        mkdir(programFolder.c_str(), 0755);
        ASSERT_EQ(symlink(ffmpeg.c_str(), (programFolder + "ffmpeg").c_str()), 0);
        WriteFileBytes(programFolder + "command",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<profiles>\r\n"
            "<p><format>AVI</format><params>-nostdin -n -v error -c:v mpeg4 -q:v "
            "10</params><ext>avi</ext></p>\r\n"
            "<p><format>endless</format><params>-nostdin -n -v error -vf loop=loop=-1:size=5 -c:v "
            "mpeg4</params>"
            "<ext>avi</ext></p>\r\n"
            "<p><format>fake sleeps</format><params>mode-sleep</params><ext>avi</ext></p>\r\n"
            "<p><format>fake writes, fails</format><params>mode-write-exit</params><ext>avi</ext></p>\r\n"
            "<p><format>H.264</format><params>-nostdin -n -v error -c:v libx264 -preset ultrafast "
            "-an</params>"
            "<ext>mp4</ext></p>\r\n"
            "<p><format>fake H.264 fails</format><params>mode-write-exit -c:v libx264 "
            "-an</params><ext>mp4</ext></p>\r\n"
            "<p><format>fake H.264 sleeps</format><params>mode-sleep -c:v libx264 "
            "-an</params><ext>mp4</ext></p>\r\n"
            "<p><format>H.265</format><params>-nostdin -n -v error -c:v libx265 -preset ultrafast "
            "-x265-params log-level=error -an</params><ext>mkv</ext></p>\r\n"
            "</profiles>\r\n");
        profiles = std::make_unique<TProfileList>(programFolder + "command");
        source = dir.file("movie.mp4");
        const std::string make = "'" + ffmpeg
            + "' -nostdin -v error -f lavfi -i testsrc=duration=0.4:size=64x48:rate=10 "
            + "-pix_fmt yuv420p '" + source + "'";
        ASSERT_EQ(std::system(make.c_str()), 0);
        command = std::make_unique<TJobRunner>(list, *profiles);
        command->SetProgramFolder(programFolder);
        command->OnProgress = [this](QObject*, int32_t p) { progress.push_back(p); };
        command->OnFinish = [this](QObject*, bool stopped) { finished.push_back(stopped); };
        command->OnEntryEnded = [this](const TEntryEnd& end) { ends.push_back(end); };
        SetErrorReporter([this](const std::string& m) { reports.push_back(m); });
    }
    // Runs the rows with the stand-in converter instead of ffmpeg.
    void UseFakeConverter()
    {
        const std::string folder = dir.path() + "/fake/";
        mkdir(folder.c_str(), 0755);
        WriteFileBytes(folder + "ffmpeg", kFakeConverter);
        chmod((folder + "ffmpeg").c_str(), 0755);
        command->SetProgramFolder(folder);
    }
    void TearDown() override
    {
        command.reset();
        SetErrorReporter({});
    }

    PVirtualNode Add(const std::string& file, int profile, const std::string& folder)
    {
        return AppendFileRow(list, platform::FromAnsi(file), profile, platform::FromAnsi(folder));
    }
    int Status(int row) { return TFileList::GetNodeData(list.NodeAt(row))->Status; }
    bool RunToEnd(int timeoutMs = 60000)
    {
        command->Start();
        return QTest::qWaitFor([this] { return !finished.empty(); }, timeoutMs);
    }

    TempDir dir;
    std::string programFolder, source;
    TFileList list;
    std::unique_ptr<TProfileList> profiles;
    std::unique_ptr<TJobRunner> command;
    std::vector<int32_t> progress;
    std::vector<bool> finished;
    std::vector<std::string> reports;
    std::vector<TEntryEnd> ends;
};

} // namespace

TEST_F(CommandTest, ConvertsEveryRowWithProgressAndUniqueNames)
{
    const std::string out = dir.file("out"); // no trailing '/', and missing: created
    WriteFileBytes(dir.file("clip"), ReadFileBytes(source));
    Add(source, 0, out);
    Add(dir.file("clip"), 0, out + "/");
    Add(source, 0, ""); // the global output folder beside the program
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(progress, (std::vector<int32_t> { 33, 66, 100 }));
    EXPECT_EQ(finished, std::vector<bool> { false });
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(Status(row), isConverted) << row;
    EXPECT_TRUE(platform::FileExists(out + "/movie.avi"));
    EXPECT_TRUE(platform::FileExists(out + "/clip.avi"));
    EXPECT_TRUE(platform::FileExists(programFolder + "convert/movie.avi"));
    EXPECT_TRUE(command->Idle());
    EXPECT_EQ(command->ElapsedSeconds(), 0);
    const TRowOutcome* outcome = TFileList::GetNodeData(list.NodeAt(2))->Outcome.get();
    ASSERT_NE(outcome, nullptr) << "the row's record holds how it ended";
    EXPECT_EQ(outcome->Result, TEntryResult::Converted);
    EXPECT_EQ(outcome->OutputPath, programFolder + "convert/movie.avi");
    EXPECT_TRUE(reports.empty());

    // A second batch converts every row again; existing outputs make the names unique.
    progress.clear();
    finished.clear();
    ASSERT_TRUE(RunToEnd());
    EXPECT_TRUE(platform::FileExists(out + "/movie_2.avi"));
    EXPECT_TRUE(platform::FileExists(out + "/clip_2.avi"));
    EXPECT_TRUE(platform::FileExists(programFolder + "convert/movie_2.avi"));
    EXPECT_EQ(progress.back(), 100);
}

TEST_F(CommandTest, FailedRowsDoNotStopTheBatch)
{
    const std::string blocker = dir.file("blocker");
    WriteFileBytes(blocker, "a file where a folder should be");
    Add(source, 70, dir.file("out")); // no such profile: never run
    Add(dir.file("missing.mp4"), 0, dir.file("out")); // the converter fails
    Add(source, 0, blocker + "/sub/"); // the folder cannot be made
    Add(source, 0, dir.file("out"));
    // Every row, run or not: OnProgress, then its status, then OnEntryEnded carrying its problem;
    // nothing goes to the error reporter.
    std::vector<std::string> events;
    command->OnProgress = [&](QObject*, int32_t p) {
        progress.push_back(p);
        events.push_back("progress " + std::to_string(p));
    };
    command->OnEntryEnded = [&](const TEntryEnd& end) {
        ends.push_back(end);
        events.push_back("ended " + std::to_string(TFileList::AbsoluteIndex(end.node))
            + (TFileList::GetNodeData(end.node)->Status == isConverting ? " early" : ""));
    };
    SetErrorReporter([&](const std::string& m) {
        reports.push_back(m);
        events.push_back("report");
    });
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(events,
        (std::vector<std::string> { "progress 25", "ended 0", "progress 50", "ended 1", "progress 75",
            "ended 2", "progress 100", "ended 3" }));
    ASSERT_EQ(ends.size(), 4u);
    EXPECT_EQ(ends[0].result, TEntryResult::NotStarted);
    EXPECT_EQ(ends[1].result, TEntryResult::Failed);
    EXPECT_NE(ends[1].exitCode, 0u);
    EXPECT_EQ(ends[2].result, TEntryResult::NotStarted);
    EXPECT_EQ(ends[3].result, TEntryResult::Converted);
    EXPECT_EQ(Status(0), isFailed);
    EXPECT_EQ(Status(1), isFailed);
    EXPECT_EQ(Status(2), isFailed);
    EXPECT_EQ(Status(3), isConverted);
    EXPECT_EQ(progress, (std::vector<int32_t> { 25, 50, 75, 100 }));
    EXPECT_EQ(finished, std::vector<bool> { false });
    EXPECT_TRUE(reports.empty());
    EXPECT_NE(ends[0].problem.find("There is no conversion profile with index 70"), std::string::npos)
        << ends[0].problem;
    EXPECT_NE(ends[2].problem.find("Cannot create the output folder \"" + blocker + "/sub/\""),
        std::string::npos)
        << ends[2].problem;
    EXPECT_FALSE(platform::FileExists(dir.file("out/missing.avi")));
}

TEST_F(CommandTest, AwkwardFileNamesReachTheConverterAsOneArgument)
{
    const std::string folder = dir.file("o\"ut $x `y`; \\z\xC3\xA9\n/");
    const std::string odd = dir.file("-a \"b\" \\c\\ $HOME `id`; caf\xC3\xA9\nx.mp4");
    WriteFileBytes(odd, ReadFileBytes(source));
    Add(odd, 0, folder);
    // A relative output folder whose name starts with '-' (run from the temporary folder).
    const QString oldFolder = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(dir.path())));
    Add(source, 0, "-dashed/");
    // Characters a URL would decode or cut at, and a Latin-1 byte that is no UTF-8.
    const std::string urlish = dir.file("what?#%20 ok&x=1 caf\xE9.mp4");
    WriteFileBytes(urlish, ReadFileBytes(source));
    Add(urlish, 0, dir.file("out/"));
    const bool ended = RunToEnd();
    QDir::setCurrent(oldFolder);
    ASSERT_TRUE(ended);
    EXPECT_EQ(Status(0), isConverted);
    EXPECT_TRUE(platform::FileExists(folder + "-a \"b\" \\c\\ $HOME `id`; caf\xC3\xA9\nx.avi"));
    EXPECT_EQ(Status(1), isConverted);
    EXPECT_TRUE(platform::FileExists(dir.file("-dashed/movie.avi")));
    EXPECT_EQ(Status(2), isConverted);
    EXPECT_TRUE(platform::FileExists(dir.file("out/what?#%20 ok&x=1 caf\xE9.avi")));
    // QTemporaryDir cannot remove names that are no UTF-8.
    std::remove(urlish.c_str());
    std::remove(dir.file("out/what?#%20 ok&x=1 caf\xE9.avi").c_str());
}

TEST_F(CommandTest, StopKillsTheConverterAndRemovesItsPartialOutput)
{
    const std::string out = dir.file("out/");
    Add(source, 1, out); // never ends by itself
    Add(source, 0, out);
    Add(source, 0, out);
    int ticks = 0;
    command->OnTimer = [&](QObject*) { ++ticks; };
    std::vector<PVirtualNode> started;
    command->OnEntryStarted = [&](PVirtualNode node) { started.push_back(node); };
    command->Start();
    EXPECT_FALSE(command->Idle());
    EXPECT_EQ(started, std::vector<PVirtualNode> { list.NodeAt(0) });
    EXPECT_EQ(list.GetFirstSelected(), nullptr) << "selecting the converting row is the window's";
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return ticks >= 2 && platform::FileSize(out + "movie.avi") > 0; }, 20000));
    EXPECT_EQ(command->ElapsedSeconds(), static_cast<int64_t>(ticks));
    command->Stop();
    EXPECT_TRUE(command->Idle());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !finished.empty(); }, 20000));
    EXPECT_EQ(finished, std::vector<bool> { true });
    EXPECT_EQ(progress, std::vector<int32_t> { 33 });
    EXPECT_EQ(Status(0), isFailed);
    EXPECT_EQ(Status(1), isWaiting);
    EXPECT_EQ(Status(2), isWaiting);
    EXPECT_FALSE(platform::FileExists(out + "movie.avi")); // the unfinished output is gone
    EXPECT_FALSE(EndlessConverterRuns(out)) << "a converter survived the stop";

    // Stop while no batch runs changes nothing and raises nothing.
    command->Stop();
    QCoreApplication::processEvents();
    EXPECT_EQ(finished.size(), 1u);
}

TEST_F(CommandTest, StopDuringTheLastRowStillReportsAllProgress)
{
    Add(source, 1, dir.file("out/"));
    command->Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return platform::FileSize(dir.file("out/movie.avi")) > 0; }, 20000));
    command->Stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !finished.empty(); }, 20000));
    EXPECT_EQ(progress, std::vector<int32_t> { 100 });
    EXPECT_EQ(finished, std::vector<bool> { true });
    EXPECT_EQ(Status(0), isFailed);
}

TEST_F(CommandTest, UrlsAndProtocolNamesNeverReachTheNetwork)
{
    LoopbackListener listener;
    ASSERT_GT(listener.Port(), 0);
    const std::string out = dir.file("out/");
    // A local playlist whose segment lies on the listener: only the converter's input rules stop it.
    const std::string playlist = dir.file("list.m3u8");
    WriteFileBytes(playlist,
        "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\nhttp://" + listener.Address()
            + "/seg.ts\n#EXT-X-ENDLIST\n");
    const std::string colon = dir.file("colon:name.mp4");
    WriteFileBytes(colon, ReadFileBytes(source));
    const std::string urls[] = { "http://" + listener.Address() + "/x.mp4", "concat:" + source + "|" + source,
        "subfile,,start,0,end,0,,:" + source, "tcp://" + listener.Address() };
    for (const std::string& url : urls)
        Add(url, 0, out);
    Add(source, 0, "http://" + listener.Address() + "/"); // would upload the user's own video
    Add(playlist, 0, out);
    Add(colon, 0, out);
    const QString oldFolder = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(dir.path()))); // where junk folders would appear
    const bool ended = RunToEnd();
    QDir::setCurrent(oldFolder);
    ASSERT_TRUE(ended);

    EXPECT_EQ(listener.Connections(), 0);
    ASSERT_EQ(ends.size(), 7u);
    EXPECT_TRUE(reports.empty());
    for (size_t row = 0; row < 5; ++row) {
        EXPECT_EQ(ends[row].result, TEntryResult::NotStarted) << row;
        const std::string named = row < 4 ? urls[row] : "http://" + listener.Address() + "/";
        EXPECT_NE(ends[row].problem.find("\"" + named + "\""), std::string::npos) << ends[row].problem;
        EXPECT_NE(ends[row].problem.find("URL"), std::string::npos) << ends[row].problem;
    }
    EXPECT_EQ(ends[5].result, TEntryResult::Failed); // the playlist ran and was refused its segment
    EXPECT_EQ(ends[6].result, TEntryResult::Converted);
    EXPECT_TRUE(platform::FileExists(out + "colon:name.avi"));
    EXPECT_FALSE(QDir(QString::fromStdString(dir.path())).exists("http:")) << "a folder was made for a URL";
    EXPECT_EQ(QDir(QString::fromStdString(out)).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
        QStringList { "colon:name.avi" });
}

TEST_F(CommandTest, MissingConverterFailsEveryRowWithItsOwnProblem)
{
    // Torn down as soon as the batch ends, as the headless tool does: the last row's reason must
    // have arrived by then. Then a converter that is there but may not be run.
    const std::string empty = dir.file("empty/");
    mkdir(empty.c_str(), 0755);
    const std::string blocked = dir.file("blocked/");
    mkdir(blocked.c_str(), 0755);
    WriteFileBytes(blocked + "ffmpeg", "#!/bin/sh\nexit 0\n");
    chmod((blocked + "ffmpeg").c_str(), 0644);
    for (const std::string& folder : { empty, blocked }) {
        list.Clear();
        ends.clear();
        reports.clear();
        finished.clear();
        command = std::make_unique<TJobRunner>(list, *profiles);
        command->SetProgramFolder(folder);
        command->OnFinish = [this](QObject*, bool stopped) { finished.push_back(stopped); };
        command->OnEntryEnded = [this](const TEntryEnd& end) { ends.push_back(end); };
        Add(source, 0, dir.file("out"));
        Add(source, 0, dir.file("out"));
        command->Start();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !finished.empty(); }, 20000));
        command.reset();
        EXPECT_EQ(finished, std::vector<bool> { false }) << folder;
        ASSERT_EQ(ends.size(), 2u) << folder;
        EXPECT_TRUE(reports.empty()) << folder;
        for (size_t row = 0; row < 2; ++row) {
            EXPECT_EQ(ends[row].result, TEntryResult::NotStarted);
            const std::string& problem = ends[row].problem;
            EXPECT_EQ(problem.rfind("\"" + folder + "ffmpeg\"", 0), 0u) << problem;
            EXPECT_NE(problem.find("doesn't exist."), std::string::npos) << problem;
            EXPECT_EQ(Status(static_cast<int>(row)), isFailed);
        }
    }
}

TEST_F(CommandTest, StopThenClearOrDeleteAtOnceNeverTouchesAFreedRow)
{
    // The row's end arrives after the list lost it; under AddressSanitizer any touch of it fails.
    UseFakeConverter();
    std::mt19937 random(20261208);
    for (int round = 0; round < 40; ++round) {
        list.Clear();
        finished.clear();
        ends.clear();
        for (int i = 0; i < 3; ++i)
            Add(source, 2, dir.file("out"));
        command->Start();
        const int waitMs = static_cast<int>(random() % 40);
        if (waitMs > 0)
            QTest::qWait(waitMs);
        command->Stop();
        const int how = round % 3;
        if (how == 0) {
            list.Clear();
        } else {
            list.SelectOnly(how == 1 ? list.GetFirst() : list.NodeAt(2)); // the current row, or a later one
            list.DeleteSelectedNodes();
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return !finished.empty(); }, 20000)) << round;
        EXPECT_EQ(finished, std::vector<bool> { true }) << round;
        for (const TEntryEnd& end : ends)
            EXPECT_NE(end.node, nullptr);
        EXPECT_EQ(ends.size(), how == 2 ? 1u : 0u) << round;
        EXPECT_TRUE(command->Idle());
    }
    // A new batch on a new list still runs.
    list.Clear();
    finished.clear();
    Add(source, 3, dir.file("out"));
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(finished, std::vector<bool> { false });
}

// The next row's source is read while the current row converts (the converter here waits half a
// second before it starts), and every source is read once.
TEST_F(CommandTest, TheNextSourceIsReadWhileTheCurrentRowConverts)
{
    const std::string log = dir.file("runs.log"), folder = dir.file("wrapped/"), out = dir.file("out/");
    mkdir(folder.c_str(), 0755);
    const auto wrap = [&](const char* name, const std::string& first, const std::string& real) {
        WriteFileBytes(folder + name, "#!/bin/sh\n" + first + "exec '" + real + "' \"$@\"\n");
        chmod((folder + name).c_str(), 0755);
    };
    wrap("ffmpeg", "sleep 0.5\n", SystemFfmpeg());
    wrap("ffprobe", "for last; do :; done\necho \"${last##*/}\" >>'" + log + "'\n", ProbePath(SystemFfmpeg()));
    command->SetProgramFolder(folder);
    for (const char* name : { "a.mp4", "b.mp4", "c.mp4" }) {
        WriteFileBytes(dir.file(name), ReadFileBytes(source));
        Add(dir.file(name), 0, out);
    }
    ASSERT_TRUE(RunToEnd());
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(Status(row), isConverted) << row;
    // x.avi: the output check, after the row's end (the profile keeps ffmpeg quiet).
    EXPECT_EQ(ReadFileBytes(log), "a.mp4\nb.mp4\na.avi\nc.mp4\nb.avi\nc.avi\n");
}

// Reading the source (ffprobe) runs off the event loop's thread: a probe stalled on a slow disk
// neither freezes the program nor holds up Stop or the runner's end, and is ended with the row.
TEST_F(CommandTest, AStalledProbeNeitherBlocksTheEventLoopNorHoldsUpStop)
{
    const std::string pidFile = dir.file("probe.pid"), out = dir.file("out/");
    WriteFileBytes(programFolder + "ffprobe", "#!/bin/sh\necho $$ >'" + pidFile + "'\nexec sleep 30\n");
    chmod((programFolder + "ffprobe").c_str(), 0755);
    const auto probeRuns = [&] {
        const std::string pid = ReadFileBytes(pidFile);
        return !pid.empty() && kill(std::atoi(pid.c_str()), 0) == 0;
    };
    for (const bool destroy : { false, true }) {
        std::remove(pidFile.c_str());
        Add(source, 0, out);
        QElapsedTimer took;
        took.start();
        command->Start();
        EXPECT_LT(took.elapsed(), 1000) << "Start waited for the probe";
        ASSERT_TRUE(QTest::qWaitFor(probeRuns, 10000));
        EXPECT_EQ(Status(0), isConverting);
        took.restart();
        if (destroy) {
            command.reset(); // as when the window closes
        } else {
            command->Stop();
            ASSERT_TRUE(QTest::qWaitFor([&] { return !finished.empty(); }, 10000));
            ASSERT_EQ(ends.size(), 1u);
            EXPECT_EQ(ends[0].result, TEntryResult::Stopped);
        }
        EXPECT_LT(took.elapsed(), 2000);
        EXPECT_FALSE(probeRuns()) << "the probe outlived its row";
        EXPECT_FALSE(platform::FileExists(out + "movie.avi"));
        list.Clear();
    }
}

// A pipe can be read once: probing it took the stream's start, and the converter then waited for
// a writer that had gone, for ever.
TEST_F(CommandTest, APipeSourceIsReadByTheConverterAloneAndConvertsWhole)
{
    const std::string stream = dir.file("stream.ts"), pipe = dir.file("pipe.ts"), out = dir.file("out/");
    ASSERT_EQ(std::system(("'" + SystemFfmpeg() + "' -nostdin -v error -f lavfi -i testsrc=d=3:s=64x48:r=10 "
                              "-c:v mpeg2video '" + stream + "'")
                              .c_str()),
        0);
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    ASSERT_EQ(std::system(("cat '" + stream + "' >'" + pipe + "' &").c_str()), 0);
    Add(pipe, 0, out);
    const bool ended = RunToEnd(30000);
    close(open(pipe.c_str(), O_RDONLY | O_NONBLOCK)); // a writer still waiting gives up
    ASSERT_TRUE(ended);
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].result, TEntryResult::Converted) << ends[0].problem;
    const TSourceInfo written = ProbeSource(ProbePath(SystemFfmpeg()), out + "pipe.avi");
    ASSERT_TRUE(written.seconds);
    EXPECT_NEAR(*written.seconds, 3.0, 0.5) << "the whole stream";
    const TRowOutcome& outcome = *TFileList::GetNodeData(list.NodeAt(0))->Outcome;
    ASSERT_EQ(outcome.Notes.size(), 1u);
    EXPECT_NE(outcome.Notes[0].find("pipe"), std::string::npos);
}

TEST_F(CommandTest, DestroyingTheRunnerMidRowKillsTheConverterAndRemovesItsUnfinishedOutput)
{
    const std::string out = dir.file("out/");
    Add(source, 1, out); // never ends by itself
    command->Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return platform::FileSize(out + "movie.avi") > 0; }, 20000));
    ASSERT_TRUE(EndlessConverterRuns(out));
    command.reset(); // as when the window closes mid-batch
    EXPECT_FALSE(platform::FileExists(out + "movie.avi"));
    EXPECT_FALSE(EndlessConverterRuns(out)) << "a converter survived";
}

TEST_F(CommandTest, StopRemovesOnlyTheFileTheStoppedConverterWrites)
{
    UseFakeConverter();
    const std::string out = dir.file("out/");
    // The converter never opened its output; someone else put a file under that name meanwhile.
    Add(source, 2, out);
    command->Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !command->CurrentOutputPath().empty(); }, 5000));
    QTest::qWait(200);
    WriteFileBytes(out + "movie.avi", "someone else's");
    command->Stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !finished.empty(); }, 20000));
    EXPECT_EQ(ReadFileBytes(out + "movie.avi"), "someone else's");
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].result, TEntryResult::Stopped);

    // The converter wrote its output and failed by itself before the stop: the failed run's own
    // output goes, as every failed run's does.
    list.Clear();
    finished.clear();
    ends.clear();
    Add(source, 3, out);
    command->Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return command->Runner().ChildPid() > 0; }, 5000)); // planned
    const std::string written = out + "movie_2.avi";
    for (int i = 0; i < 400 && !platform::FileExists(written); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10)); // no events: its end waits
    ASSERT_TRUE(platform::FileExists(written));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    command->Stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !finished.empty(); }, 20000));
    EXPECT_FALSE(platform::FileExists(written));
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].result, TEntryResult::Failed);
    EXPECT_EQ(ends[0].exitCode, 1u);
}

TEST_F(CommandTest, LastLineWithoutItsEndIsShownAtTheRowsEnd)
{
    UseFakeConverter();
    WriteFileBytes(
        dir.path() + "/fake/ffmpeg", "#!/bin/sh\nprintf 'one\\nAborted (core dumped)'\nexit 134\n");
    std::vector<std::string> lines;
    size_t linesAtEnd = 0;
    command->OnOutputLine = [&](const std::string& line) { lines.push_back(line); };
    command->OnEntryEnded = [&](const TEntryEnd&) { linesAtEnd = lines.size(); };
    Add(source, 2, dir.file("out"));
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(lines, (std::vector<std::string> { "one", "Aborted (core dumped)" }));
    EXPECT_EQ(linesAtEnd, 2u);
}

// A converter that says it gives up and then neither ends nor speaks (SVT-AV1 after a refused
// header, deaf to SIGTERM) is killed with its children, and its row fails with its words while the
// batch goes on.
TEST_F(CommandTest, AConverterThatHangsAfterGivingUpIsKilledAndTheBatchGoesOn)
{
    UseFakeConverter();
    WriteFileBytes(dir.path() + "/fake/ffmpeg",
        "#!/bin/sh\ntrap '' TERM\necho 'Could not write header for output file #0 (incorrect codec parameters ?)'"
        "\necho \"$$\" > \"$(dirname \"$0\")/pid\"\nsleep 1000\n");
    command->SetHangAfterFailureMs(300);
    Add(source, 2, dir.file("out"));
    Add(dir.file("missing.mp4"), 2, dir.file("out"));
    ASSERT_TRUE(RunToEnd(20000));
    ASSERT_EQ(ends.size(), 2u);
    EXPECT_EQ(ends[0].result, TEntryResult::Failed);
    EXPECT_EQ(ends[0].problem,
        "Could not write header for output file #0 (incorrect codec parameters ?) (ffmpeg did not end after "
        "this and was killed)");
    const std::string pid = ReadFileBytes(dir.path() + "/fake/pid");
    EXPECT_TRUE(QTest::qWaitFor([&] { return kill(std::stoi(pid), 0) != 0; }, 5000)) << "the converter still runs";
}

TEST_F(CommandTest, TwoPassesRunInTurnAndLeaveNoStatisticsBehind)
{
    // The statistics folders go to TMPDIR: this test's own, to see that none is left.
    const char* oldTemp = std::getenv("TMPDIR");
    const std::string savedTemp = oldTemp ? oldTemp : "";
    const std::string temp = dir.file("tmp");
    mkdir(temp.c_str(), 0700);
    setenv("TMPDIR", temp.c_str(), 1);
    const auto leftInTemp = [&] {
        return QDir(QString::fromStdString(temp)).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
    };
    TEncodingOverrides sized;
    sized.sizeMiB = 0.05;
    command->SetEncodingOverrides(&sized);
    const std::string out = dir.file("out/");

    Add(source, 4, out);
    Add(source, 7, out); // libx265 keeps its statistics through its own parameters
    std::vector<std::string> lines;
    command->OnOutputLine = [&](const std::string& line) { lines.push_back(line); };
    ASSERT_TRUE(RunToEnd());
    ASSERT_EQ(ends.size(), 2u);
    EXPECT_EQ(ends[0].result, TEntryResult::Converted) << ends[0].problem;
    EXPECT_EQ(ends[1].result, TEntryResult::Converted) << ends[1].problem;
    EXPECT_GT(platform::FileSize(out + "movie.mp4"), 0);
    EXPECT_GT(platform::FileSize(out + "movie.mkv"), 0);
    EXPECT_NE(command->Runner().CommandLine().find("pass=2:stats="), std::string::npos);
    EXPECT_TRUE(leftInTemp().isEmpty()) << leftInTemp().join(" ").toStdString();

    // A failing first pass fails the row and says which pass; a stop in the first pass stops it.
    UseFakeConverter();
    list.Clear();
    ends.clear();
    finished.clear();
    Add(source, 5, out);
    ASSERT_TRUE(RunToEnd());
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].result, TEntryResult::Failed);
    EXPECT_NE(ends[0].problem.find("the first of two passes failed"), std::string::npos) << ends[0].problem;
    EXPECT_TRUE(leftInTemp().isEmpty());

    list.Clear();
    ends.clear();
    finished.clear();
    Add(source, 6, out);
    command->Start();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return command->Runner().ChildPid() > 0 && leftInTemp().size() == 1; }, 20000));
    EXPECT_EQ(command->CurrentPass(), 1);
    command->Stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !finished.empty(); }, 20000));
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].result, TEntryResult::Stopped);
    EXPECT_TRUE(leftInTemp().isEmpty());
    if (oldTemp)
        setenv("TMPDIR", savedTemp.c_str(), 1);
    else
        unsetenv("TMPDIR");
}

TEST(JobCommandLine, FormatKeepsParamsAndPassesLocalFilesOnly)
{
    EXPECT_EQ(ConverterCommandLine("/app/ffmpeg", "/v/a b.avi", "-f flv  -ar 22050", "/o/a b.flv"),
        "\"/app/ffmpeg\" -protocol_whitelist file -i \"file:/v/a b.avi\" -f flv  -ar 22050 \"file:/o/a "
        "b.flv\"");
    EXPECT_EQ(ConverterCommandLine("f", "/a\"b\\", "", "/c\\\\d"),
        "\"f\" -protocol_whitelist file -i \"file:/a\\\"b\\\\\"  \"file:/c\\\\d\"");
}

// The plan the dry run prints is the one the job runner runs: names earlier entries of the run
// will take count as taken, and a row that cannot run says why and plans nothing.
TEST(JobCommandLine, PlanTakesNamesInTurnAndRefusesWhatIsNotLocal)
{
    TempDir dir;
    WriteFileBytes(dir.file("command"), "<p><p><format>AVI</format><params>-c:v mpeg4</params><ext>avi</ext></p></p>");
    const TProfileList profiles(dir.file("command"));
    WriteFileBytes(dir.file("a.avi"), "someone's");
    std::set<std::string> taken;
    const TPlanSettings settings { "/app/ffmpeg", dir.path() + "/", "", false, &taken };
    auto plan = [&](const char* source, int profile, const char* folder) {
        return PlanEntry({ QString(source), profile, QString(folder) }, profiles, settings);
    };
    EXPECT_EQ(plan("/v/a.mp4", 0, "").outputPath, dir.file("a_2.avi"));
    const TEntryPlan second = plan("/w/a.mkv", 0, "");
    EXPECT_EQ(second.outputPath, dir.file("a_2_2.avi"));
    EXPECT_EQ(second.commandLine, ConverterCommandLine("/app/ffmpeg", "/w/a.mkv", "-c:v mpeg4", dir.file("a_2_2.avi")));
    EXPECT_EQ(OutputNameKey({ QString("/w/a_2.mkv"), 0, QString() }, profiles, dir.path() + "/"), dir.file("a.avi"));
    for (const auto& [refused, says] : { std::pair { plan("http://h/a.mp4", 7, ""), "it is a URL" },
             { plan("/v/a.mp4", 7, "http://h/"), "no conversion profile with index 7" },
             { plan("/v/a.mp4", 0, "D:\\Out\\"), "is a Windows path" } }) {
        EXPECT_NE(refused.problem.find(says), std::string::npos) << refused.problem;
        EXPECT_EQ(refused.commandLine, "");
    }
    EXPECT_EQ(taken.size(), 2u);
}

TEST(JobCommandLine, ProtocolNamesAreToldFromFileNames)
{
    const std::pair<const char*, bool> cases[] = {
        { "http://127.0.0.1:9/x.mp4", true }, { "HTTPS://host/x", true },
        { "someday://anything", true }, // any scheme with "://"
        { "concat:/a.mp4|/b.mp4", true }, { "subfile,,start,0,end,0,,:/etc/passwd", true },
        { "pipe:0", true }, { "file:/tmp/x.avi", true }, { "hls+http://host/x.m3u8", true },
        { "colon:name.avi", false }, { "/videos/http://x.avi", false }, { "/videos/concat:a.avi", false },
        { "movie.avi", false }, { "-dashed/", false }, { "", false },
        { "1http://x", false }, // a scheme starts with a letter
    };
    for (const auto& [name, isProtocol] : cases)
        EXPECT_EQ(IsProtocolName(name), isProtocol) << name;
    EXPECT_EQ(AbsolutePath("/a/b"), "/a/b");
    EXPECT_EQ(AbsolutePath("b c"), QDir::currentPath().toStdString() + "/b c");
}

TEST(UniqueOutputPath, UniqueNamesWithRealFiles)
{
    TempDir dir;
    const std::string movie = dir.file("movie.flv");
    EXPECT_EQ(UniqueOutputPath(movie), movie);
    WriteFileBytes(movie, "x");
    EXPECT_EQ(UniqueOutputPath(movie), dir.file("movie_2.flv"));
    WriteFileBytes(dir.file("movie_2.flv"), "x");
    EXPECT_EQ(UniqueOutputPath(movie), dir.file("movie_2_2.flv"));

    mkdir(dir.file("my.dir").c_str(), 0755);
    const std::string clip = dir.file("my.dir/clip");
    WriteFileBytes(clip, "x");
    EXPECT_EQ(UniqueOutputPath(clip), dir.file("my.dir/clip_2"));

    mkdir(dir.file("taken.mp4").c_str(), 0755); // a folder does not make the name taken
    EXPECT_EQ(UniqueOutputPath(dir.file("taken.mp4")), dir.file("taken.mp4"));
    EXPECT_EQ(ReadFileBytes(movie), "x"); // nothing was touched
}
