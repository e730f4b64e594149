// The job runner end to end with the real ffmpeg on tiny clips the test makes itself.
#include "engine/command.h"
#include "engine/reporter.h"
#include "platform/fileSystem.h"
#include "testFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool WaitUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
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
            "<p><format>AVI</format><params>-nostdin -n -v error -c:v mpeg4 -q:v 10</params><ext>avi</ext></p>\r\n"
            "<p><format>endless</format><params>-nostdin -n -v error -vf loop=loop=-1:size=5 -c:v mpeg4</params>"
            "<ext>avi</ext></p>\r\n"
            "</profiles>\r\n");
        profiles = std::make_unique<TCommandManager>(programFolder + "command");
        source = dir.file("movie.mp4");
        const std::string make = "'" + ffmpeg + "' -nostdin -v error -f lavfi -i testsrc=duration=0.4:size=64x48:rate=10 "
            + "-pix_fmt yuv420p '" + source + "'";
        ASSERT_EQ(std::system(make.c_str()), 0);
        command = std::make_unique<TCommand>(list, *profiles);
        command->SetProgramFolder(programFolder);
        command->OnProgress = [this](QObject*, int32_t p) { progress.push_back(p); };
        command->OnFinish = [this](QObject*, bool stopped) { finished.push_back(stopped); };
        SetErrorReporter([this](const std::string& m) { reports.push_back(m); });
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
        return WaitUntil([this] { return !finished.empty(); }, timeoutMs);
    }

    TempDir dir;
    std::string programFolder, source;
    TFileList list;
    std::unique_ptr<TCommandManager> profiles;
    std::unique_ptr<TCommand> command;
    std::vector<int32_t> progress;
    std::vector<bool> finished;
    std::vector<std::string> reports;
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
    EXPECT_FALSE(TFileList::GetNodeData(list.NodeAt(2))->ItemData.Converting);
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
    Add(source, 7, dir.file("out"));           // no such profile: never run
    Add(dir.file("missing.mp4"), 0, dir.file("out")); // the converter fails
    Add(source, 0, blocker + "/sub/");          // the folder cannot be made
    Add(source, 0, dir.file("out"));
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(Status(0), isFailed);
    EXPECT_EQ(Status(1), isFailed);
    EXPECT_EQ(Status(2), isFailed);
    EXPECT_EQ(Status(3), isConverted);
    EXPECT_EQ(progress, (std::vector<int32_t> { 25, 50, 75, 100 }));
    EXPECT_EQ(finished, std::vector<bool> { false });
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_NE(reports[0].find("There is no conversion profile with index 7"), std::string::npos) << reports[0];
    EXPECT_NE(reports[1].find("Cannot create the output folder \"" + blocker + "/sub/\""), std::string::npos)
        << reports[1];
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
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(Status(0), isConverted);
    EXPECT_TRUE(platform::FileExists(folder + "-a \"b\" \\c\\ $HOME `id`; caf\xC3\xA9\nx.avi"));
    EXPECT_EQ(Status(1), isConverted);
    EXPECT_TRUE(platform::FileExists(dir.file("-dashed/movie.avi")));
    QDir::setCurrent(oldFolder);
}

TEST_F(CommandTest, StopKillsTheConverterAndRemovesItsPartialOutput)
{
    const std::string out = dir.file("out/");
    Add(source, 1, out); // never ends by itself
    Add(source, 0, out);
    Add(source, 0, out);
    TFileList::GetNodeData(list.NodeAt(0))->ItemData.AnimationOffset = 73;
    std::vector<int32_t> offsets;
    command->OnTimer = [&](QObject*) { offsets.push_back(TFileList::GetNodeData(list.NodeAt(0))->ItemData.AnimationOffset); };
    command->Start();
    EXPECT_FALSE(command->Idle());
    ASSERT_TRUE(WaitUntil([&] { return offsets.size() >= 2 && platform::FileSize(out + "movie.avi") > 0; }, 20000));
    EXPECT_EQ(offsets[0], 74);
    EXPECT_EQ(offsets[1], 0);
    EXPECT_EQ(command->ElapsedSeconds(), static_cast<int64_t>(offsets.size()));
    command->Stop();
    EXPECT_TRUE(command->Idle());
    ASSERT_TRUE(WaitUntil([&] { return !finished.empty(); }, 20000));
    EXPECT_EQ(finished, std::vector<bool> { true });
    EXPECT_EQ(progress, std::vector<int32_t> { 33 });
    EXPECT_EQ(Status(0), isFailed);
    EXPECT_EQ(Status(1), isWaiting);
    EXPECT_EQ(Status(2), isWaiting);
    EXPECT_FALSE(platform::FileExists(out + "movie.avi")); // the unfinished output is gone
    EXPECT_EQ(std::system("pgrep -f '[l]oop=loop=-1' >/dev/null"), 256) << "a converter survived the stop";

    // Stop while no batch runs changes nothing and raises nothing.
    command->Stop();
    QCoreApplication::processEvents();
    EXPECT_EQ(finished.size(), 1u);
}

TEST_F(CommandTest, StopDuringTheLastRowStillReportsAllProgress)
{
    Add(source, 1, dir.file("out/"));
    command->Start();
    ASSERT_TRUE(WaitUntil([&] { return platform::FileSize(dir.file("out/movie.avi")) > 0; }, 20000));
    command->Stop();
    ASSERT_TRUE(WaitUntil([&] { return !finished.empty(); }, 20000));
    EXPECT_EQ(progress, std::vector<int32_t> { 100 });
    EXPECT_EQ(finished, std::vector<bool> { true });
    EXPECT_EQ(Status(0), isFailed);
}

TEST(JobCommandLine, FormatKeepsParamsAndQuotesValues)
{
    EXPECT_EQ(TCommand::FormatCommandLine("/app/ffmpeg", "/v/a b.avi", "-f flv  -ar 22050", "/o/a b.flv"),
        "\"/app/ffmpeg\" -i \"/v/a b.avi\" -f flv  -ar 22050 \"/o/a b.flv\"");
    EXPECT_EQ(TCommand::FormatCommandLine("f", "a\"b\\", "", "c\\\\d"), "\"f\" -i \"a\\\"b\\\\\"  \"c\\\\d\"");
}
