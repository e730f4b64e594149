// vidmorph-batch end to end: the built tool in the laid-out program folder, the shipped profile
// file and the real ffmpeg, on clips the test makes.
#include "loopbackListener.h"
#include "platform/fileSystem.h"
#include "testFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <sched.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

const std::string kTool = VIDMORPH_APP_DIR "/vidmorph-batch";

struct Result {
    int status = -1;
    std::string out, err;
};

std::string Quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs the tool (by default the built one) from the current folder, or from cwd when given.
Result RunTool(const std::string& arguments, const TempDir& dir, const std::string& cwd = {},
    const std::string& tool = kTool, const std::string& environment = {})
{
    const std::string errFile = dir.file("stderr.txt");
    const std::string command = (cwd.empty() ? "" : "cd " + Quote(cwd) + " && ") + environment + Quote(tool)
        + " " + arguments + " 2>" + Quote(errFile) + " </dev/null";
    Result r;
    FILE* p = popen(command.c_str(), "r");
    if (!p)
        return r;
    std::array<char, 4096> buffer {};
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), p)) > 0)
        r.out.append(buffer.data(), n);
    const int raw = pclose(p);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.err = ReadFileBytes(errFile);
    return r;
}

// A copy of the tool with the shipped profile file in dir/app/, without a converter; its folder.
std::string ToolAloneIn(const TempDir& dir)
{
    const std::string app = dir.file("app/");
    EXPECT_EQ(std::system(("mkdir " + Quote(app) + " && cp " + Quote(kTool) + " "
                  + Quote(VIDMORPH_APP_DIR "/command") + " " + Quote(app))
                              .c_str()),
        0);
    return app;
}

void MakeClip(const std::string& path, int seconds, const std::string& size = "96x64")
{
    const std::string make = "ffmpeg -nostdin -v error -f lavfi -i testsrc=duration="
        + std::to_string(seconds) + ":size=" + size + ":rate=25 -f lavfi -i sine=duration="
        + std::to_string(seconds) + " -pix_fmt yuv420p -shortest " + Quote(path);
    ASSERT_EQ(std::system(make.c_str()), 0);
}

} // namespace

TEST(BatchTool, BadInputIsRefusedAndNothingWritten)
{
    TempDir dir;
    MakeClip(dir.file("a.mp4"), 1);
    WriteFileBytes(dir.file("broken.zfl"), "<list><item>");
    WriteFileBytes(dir.file("noprofile.zfl"),
        "<list><item><filename>" + dir.file("a.mp4")
            + "</filename><format>999</format><path/></item></list>");
    const std::string to = " --output " + Quote(dir.file("out")) + " ";
    const std::pair<std::string, std::string> cases[] = {
        { "", "no files given" },
        { Quote(dir.file("missing.zfl")), "no such list file" },
        { Quote(dir.file("broken.zfl")), "cannot read the list file" },
        { Quote(dir.file("noprofile.zfl")), "names profile 999, which does not exist" },
        { "--profile 999" + to + Quote(dir.file("a.mp4")), "there is no profile 999" },
        { "--profile x" + to + Quote(dir.file("a.mp4")), "needs a profile index" },
        { to + Quote(dir.file("a.mp4")), "--profile N is needed" },
        { "--bogus", "unknown option" },
        { "--profile", "--profile needs a value" },
    };
    for (const auto& [arguments, message] : cases) {
        const Result r = RunTool(arguments, dir);
        EXPECT_EQ(r.status, 2) << arguments;
        EXPECT_NE(r.err.find(message), std::string::npos) << arguments << "\n" << r.err;
    }
    EXPECT_FALSE(platform::DirectoryExists(dir.file("out")));

    const Result help = RunTool("--help", dir);
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("vidmorph-batch --profile N"), std::string::npos);
    for (const char* status : { "  0  ", "  1  ", "  2  ", "  130  " })
        EXPECT_NE(help.out.find(status), std::string::npos) << "exit status" << status << " not explained";
    const Result version = RunTool("--version", dir);
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("vidmorph-batch ", 0), 0u) << version.out;
    const Result profiles = RunTool("--profiles", dir);
    EXPECT_EQ(profiles.status, 0);
    EXPECT_NE(profiles.out.find("  0  "), std::string::npos);
}

TEST(BatchTool, SavedListConvertsAndFailuresShowTheirOutput)
{
    TempDir dir;
    MakeClip(dir.file("a.mp4"), 1);
    WriteFileBytes(dir.file("b c.mp4"), ReadFileBytes(dir.file("a.mp4")));
    WriteFileBytes(dir.file("junk.mp4"), "not a video");
    const std::string list = dir.file("l.zfl");
    Result r = RunTool("--profile 0 --output " + Quote(dir.file("out")) + " --save " + Quote(list) + " "
            + Quote(dir.file("a.mp4")) + " " + Quote(dir.file("b c.mp4")) + " " + Quote(dir.file("junk.mp4")),
        dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(platform::DirectoryExists(dir.file("out"))); // saving converts nothing
    EXPECT_NE(
        ReadFileBytes(list).find("<filename>" + dir.file("b c.mp4") + "</filename>"), std::string::npos);

    r = RunTool(Quote(list), dir);
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.out.find("[1/3] converted  " + dir.file("a.mp4") + " -> " + dir.file("out/a.mp4")),
        std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("[2/3] converted  " + dir.file("b c.mp4") + " -> " + dir.file("out/b c.mp4")),
        std::string::npos);
    EXPECT_NE(r.out.find("[3/3] FAILED     " + dir.file("junk.mp4")), std::string::npos);
    EXPECT_NE(r.out.find("ffmpeg exit code"), std::string::npos);
    EXPECT_NE(r.out.find("Invalid data found"), std::string::npos); // the converter's own last words
    EXPECT_NE(r.out.find("2 of 3 converted, 1 failed"), std::string::npos);

    // Again: nothing is overwritten, new names are made.
    WriteFileBytes(dir.file("ok.zfl"), ReadFileBytes(list));
    r = RunTool("--profile 0 --output " + Quote(dir.file("out")) + " " + Quote(dir.file("a.mp4")), dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(platform::FileExists(dir.file("out/a_2.mp4")));
}

TEST(BatchTool, InterruptStopsTheConverterAndRemovesItsOutput)
{
    TempDir dir;
    MakeClip(dir.file("long.mp4"), 20, "640x480");
    const std::string out = dir.file("out");
    const std::string outFile = dir.file("out.txt");
    const pid_t pid = fork();
    if (pid == 0) {
        const std::string errFile = dir.file("err.txt");
        freopen(outFile.c_str(), "w", stdout);
        freopen(errFile.c_str(), "w", stderr);
        execl(kTool.c_str(), kTool.c_str(), "--profile", "1", "--output", out.c_str(),
            dir.file("long.mp4").c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    const std::string output = out + "/long.mp4";
    for (int i = 0; i < 200 && platform::FileSize(output) <= 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_GT(platform::FileSize(output), 0) << "the conversion never started writing";
    kill(pid, SIGINT);
    int raw = 0;
    for (int i = 0; i < 200 && waitpid(pid, &raw, WNOHANG) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(WIFEXITED(raw)) << "the tool did not end after the interrupt";
    EXPECT_EQ(WEXITSTATUS(raw), 130);
    const std::string said = ReadFileBytes(outFile);
    EXPECT_NE(said.find("[1/1] STOPPED"), std::string::npos) << said;
    EXPECT_NE(said.find("0 of 1 converted, 0 failed, 1 stopped, 0 not started"), std::string::npos) << said;
    EXPECT_FALSE(platform::FileExists(output));
    EXPECT_EQ(
        std::system(("pgrep -f " + Quote("[f]fmpeg -i " + dir.file("long.mp4")) + " >/dev/null").c_str()),
        256)
        << "a converter outlived the tool";
}

TEST(BatchTool, UrlEntriesFailByNameAndNothingConnects)
{
    TempDir dir;
    LoopbackListener listener;
    ASSERT_GT(listener.Port(), 0);
    MakeClip(dir.file("colon:name.mp4"), 1);
    const std::string url = "http://" + listener.Address() + "/x.mp4";
    const std::string concat = "concat:" + dir.file("colon:name.mp4") + "|" + dir.file("colon:name.mp4");
    auto entry = [](const std::string& file, const std::string& path) {
        return "<item><filename>" + file + "</filename><format>0</format><path>" + path + "</path></item>";
    };
    WriteFileBytes(dir.file("l.zfl"),
        "<list>" + entry(url, dir.file("out/"))
            + entry(dir.file("colon:name.mp4"), "http://" + listener.Address() + "/")
            + entry(concat, dir.file("out/")) + entry(dir.file("colon:name.mp4"), dir.file("out/"))
            + "</list>");
    const Result r = RunTool(Quote(dir.file("l.zfl")), dir, dir.path());
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_EQ(listener.Connections(), 0);
    EXPECT_NE(r.out.find("[1/4] FAILED     " + url), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Cannot convert \"" + url + "\": it is a URL"), std::string::npos) << r.out;
    EXPECT_NE(
        r.out.find("the output folder \"http://" + listener.Address() + "/\" is a URL"), std::string::npos);
    EXPECT_NE(r.out.find("Cannot convert \"" + concat + "\""), std::string::npos);
    EXPECT_NE(r.out.find("[4/4] converted  " + dir.file("colon:name.mp4")), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("1 of 4 converted, 3 failed"), std::string::npos);
    EXPECT_EQ(r.err, ""); // each reason is said once, beside its row
    EXPECT_FALSE(platform::DirectoryExists(dir.file("http:")));
}

TEST(BatchTool, ConverterFromPathElseHowToInstallIt)
{
    // The tool alone in a folder, with its profile file but no converter beside it.
    TempDir dir;
    const std::string app = ToolAloneIn(dir);
    MakeClip(dir.file("a.mp4"), 1);
    const std::string arguments
        = "--profile 7 --output " + Quote(dir.file("out")) + " " + Quote(dir.file("a.mp4"));
    Result r = RunTool(arguments, dir, {}, app + "vidmorph-batch");
    EXPECT_EQ(r.status, 0) << r.out << r.err; // the one on PATH
    EXPECT_TRUE(platform::FileExists(dir.file("out/a.avi")));

    r = RunTool(arguments, dir, {}, app + "vidmorph-batch", "PATH=/nonexistent ");
    EXPECT_EQ(r.status, 2) << r.out << r.err;
    EXPECT_NE(r.err.find("ffmpeg was not found beside the program (" + app + "ffmpeg) nor on PATH"),
        std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("sudo apt install ffmpeg"), std::string::npos);
    EXPECT_FALSE(platform::FileExists(dir.file("out/a_2.avi")));

    // A converter that is there but cannot start is explained beside its row.
    WriteFileBytes(app + "ffmpeg", "not a program");
    r = RunTool(arguments, dir, {}, app + "vidmorph-batch", "PATH=/nonexistent ");
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.out.find("[1/1] FAILED     " + dir.file("a.mp4")), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("ffmpeg could not be started from " + app + "ffmpeg"), std::string::npos) << r.out;
}

// An exit code of 0 without the file is a failure, said in words in both outputs.
TEST(BatchTool, ConverterThatWritesNothingFailsTheEntry)
{
    TempDir dir;
    const std::string app = ToolAloneIn(dir);
    WriteFileBytes(app + "ffmpeg", "#!/bin/sh\nexit 0\n");
    chmod((app + "ffmpeg").c_str(), 0755);
    MakeClip(dir.file("a.mp4"), 1);
    const std::string arguments = "--profile 7 --output " + Quote(dir.file("out")) + " " + Quote(dir.file("a.mp4"));
    Result r = RunTool(arguments, dir, {}, app + "vidmorph-batch");
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.out.find("[1/1] FAILED     " + dir.file("a.mp4") + " -> " + dir.file("out/a.avi") + "\n"
                  "    no output written\n"),
        std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("0 of 1 converted, 1 failed;"), std::string::npos) << r.out;

    r = RunTool("--json " + arguments, dir, {}, app + "vidmorph-batch");
    EXPECT_EQ(r.status, 1);
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
    EXPECT_EQ(o["status"].toString(), "failed") << r.out;
    EXPECT_EQ(o["problem"].toString(), "no output written") << r.out;
    EXPECT_EQ(o["exit_code"].toInt(-1), 0) << r.out;
}

// A profile file the tool cannot use stops every command that needs profiles with the one reason,
// on one line, before anything is read or written; help and version need none.
TEST(BatchTool, AnUnusableProfileFileIsOneLineAndStatus2)
{
    TempDir dir;
    const std::string app = dir.file("app/");
    std::filesystem::create_directory(app);
    std::filesystem::copy_file(kTool, app + "vidmorph-batch");
    MakeClip(dir.file("a.mp4"), 1);
    WriteFileBytes(dir.file("l.zfl"),
        "<list><item><filename>" + dir.file("a.mp4") + "</filename><format>0</format><path/></item></list>");
    const std::string commands[]
        = { "--profiles", "--profile 0 --output " + Quote(dir.file("out")) + " " + Quote(dir.file("a.mp4")),
              "--dry-run " + Quote(dir.file("l.zfl")), Quote(dir.file("l.zfl")) };
    const auto expectRefused = [&](const std::string& reason) {
        for (const std::string& arguments : commands) {
            const Result r = RunTool(arguments, dir, {}, app + "vidmorph-batch");
            EXPECT_EQ(r.status, 2) << arguments;
            EXPECT_EQ(r.err,
                "vidmorph-batch: The profile file \"" + app + "command\" cannot be used: " + reason + ".\n")
                << arguments;
            EXPECT_EQ(r.out, "") << arguments;
        }
    };
    expectRefused("there is no such file");
    WriteFileBytes(app + "command", "<?xml version=\"1.0\"?>\n<profiles>\n  <p><format>X</format>\n");
    expectRefused(
        "Invalid XML Element: Erroneous end of tag, expecting </p> but </> found (line 4, column 1)");
    EXPECT_FALSE(platform::DirectoryExists(dir.file("out")));

    EXPECT_EQ(RunTool("--help", dir, {}, app + "vidmorph-batch").status, 0);
    EXPECT_EQ(RunTool("--version", dir, {}, app + "vidmorph-batch").status, 0);
}

// Installed as PREFIX/bin, entries without an output folder go to the user's videos folder: the
// dry run names the files the conversion would write.
TEST(BatchTool, InstalledToolNamesTheDefaultOutputFolderTheConversionUses)
{
    TempDir dir;
    ASSERT_EQ(
        std::system(("mkdir -p " + Quote(dir.file("usr/bin")) + " " + Quote(dir.file("usr/share/vidmorph"))
            + " && cp " + Quote(kTool) + " " + Quote(dir.file("usr/bin/")) + " && cp "
            + Quote(VIDMORPH_APP_DIR "/command") + " " + Quote(dir.file("usr/share/vidmorph/")))
                        .c_str()),
        0);
    MakeClip(dir.file("a.mp4"), 1);
    const Result r = RunTool("--dry-run --profile 7 " + Quote(dir.file("a.mp4")), dir, {},
        dir.file("usr/bin/vidmorph-batch"),
        "HOME=" + Quote(dir.file("home")) + " XDG_CONFIG_HOME=" + Quote(dir.file("home/.config")) + " ");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find(dir.file("home/Videos/Vidmorph/a.avi")), std::string::npos) << r.out;
}

// Mistakes a user makes on the command line each get one message that says what to do; a missing
// or empty file among good ones is reported once and the rest are converted.
TEST(BatchTool, InputMistakesAreExplainedOnceAndTheRestConverts)
{
    TempDir dir;
    std::filesystem::create_directories(dir.file("in/deep"));
    MakeClip(dir.file("in/b.mp4"), 1);
    WriteFileBytes(dir.file("in/A.MP4"), ReadFileBytes(dir.file("in/b.mp4")));
    WriteFileBytes(dir.file("in/notes.txt"), "not a video");
    WriteFileBytes(dir.file("in/deep/c.mkv"), ReadFileBytes(dir.file("in/b.mp4")));
    const std::string latin = dir.file("in/caf\xe9.mp4"); // not UTF-8
    WriteFileBytes(latin, ReadFileBytes(dir.file("in/b.mp4")));
    WriteFileBytes(dir.file("empty.mp4"), "");
    WriteFileBytes(dir.file("empty.zfl"), "");
    WriteFileBytes(dir.file("one.zfl"), "<list/>");
    WriteFileBytes(dir.file("two.zfl"), "<list/>");
    WriteFileBytes(dir.file("file"), "x");
    const std::pair<std::string, std::string> cases[] = {
        { Quote(dir.file("in")), "is a folder; to convert the videos in it give a profile" },
        { Quote(dir.file("in/b.mp4")), "is not a list file (.zfl); to convert it give a profile" },
        { Quote(dir.file("empty.zfl")), "is empty; give a list file saved by Vidmorph" },
        { Quote(dir.file("one.zfl")) + " " + Quote(dir.file("two.zfl")), "two list files given" },
        { "--profile 0 --output " + Quote(dir.file("file")) + " " + Quote(dir.file("in")),
            "is a file; give a folder" },
        { "--profile 0 " + Quote(dir.file("one.zfl")), "is a list file; convert it without --profile" },
        { "-j 0 --profile 0 " + Quote(dir.file("in")), "--jobs needs a number" },
        { "--shard 3/2 --profile 0 " + Quote(dir.file("in")), "--shard needs K/N" },
    };
    for (const auto& [arguments, message] : cases) {
        const Result r = RunTool(arguments, dir);
        EXPECT_EQ(r.status, 2) << arguments;
        EXPECT_NE(r.err.find(message), std::string::npos) << arguments << "\n" << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_FALSE(platform::DirectoryExists(dir.file("file/")));

    const std::string out = " --output " + Quote(dir.file("out")) + " ";
    Result r = RunTool("--profile 7" + out + Quote(dir.file("in")) + " " + Quote(dir.file("gone.mp4")) + " "
            + Quote(dir.file("empty.mp4")),
        dir);
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.err.find("no such file: " + dir.file("gone.mp4") + " (skipped)"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(dir.file("empty.mp4") + " is empty (0 bytes); skipped"), std::string::npos) << r.err;
    // Sorted, any letter case, no subfolders without -r, nothing but videos.
    EXPECT_NE(r.out.find("[1/3] converted  " + dir.file("in/A.MP4")), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("[2/3] converted  " + dir.file("in/b.mp4")), std::string::npos) << r.out;
    EXPECT_NE(
        r.out.find("[3/3] converted  " + latin + " -> " + dir.file("out/caf\xe9.avi")), std::string::npos)
        << r.out;
    EXPECT_TRUE(platform::FileExists(dir.file("out/caf\xe9.avi")));
    EXPECT_NE(r.out.find("3 of 3 converted, 0 failed, 2 missing"), std::string::npos) << r.out;

    r = RunTool("-r -q --profile 7" + out + Quote(dir.file("in")), dir);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out, ""); // quiet: nothing but trouble
    EXPECT_TRUE(platform::FileExists(dir.file("out/c.avi")));
    // Qt's temporary folder cannot remove names that are not UTF-8.
    for (const std::string& name : { latin, dir.file("out/caf\xe9.avi"), dir.file("out/caf\xe9_2.avi") })
        std::remove(name.c_str());
}

// Lists made elsewhere: Windows paths fail by name and create nothing; relative paths mean the
// files beside the list whatever the current folder; --save never replaces a list unasked.
TEST(BatchTool, ListFilesFromElsewhere)
{
    TempDir dir;
    std::filesystem::create_directories(dir.file("lists/videos"));
    MakeClip(dir.file("lists/videos/a.mp4"), 1);
    auto entry = [](const std::string& file, const std::string& path) {
        return "<item><filename>" + file + "</filename><format>7</format><path>" + path + "</path></item>";
    };
    WriteFileBytes(dir.file("lists/l.zfl"),
        "<list>" + entry("C:\\Videos\\a.avi", "D:\\Converted\\") + entry("videos/a.mp4", "D:\\Converted\\")
            + entry("videos/a.mp4", "out/") + "</list>");
    ASSERT_EQ(mkdir(dir.file("elsewhere").c_str(), 0755), 0);
    Result r = RunTool("--dry-run " + Quote(dir.file("lists/l.zfl")), dir, dir.file("elsewhere"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(
        r.out.find("# entry 1 would fail: Cannot convert \"C:\\Videos\\a.avi\": it is a Windows path"),
        std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\"file:" + dir.file("lists/out/a.avi") + "\""), std::string::npos) << r.out;
    r = RunTool(Quote(dir.file("lists/l.zfl")), dir, dir.file("elsewhere"));
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.out.find("Cannot convert \"C:\\Videos\\a.avi\": it is a Windows path"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("the output folder \"D:\\Converted\\\" is a Windows path"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("[3/3] converted  " + dir.file("lists/videos/a.mp4") + " -> "
                  + dir.file("lists/out/a.avi")),
        std::string::npos)
        << r.out;
    EXPECT_EQ(QDir(QString::fromStdString(dir.file("elsewhere")))
                  .entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
        QStringList {});
    EXPECT_EQ(
        QDir(QString::fromStdString(dir.file("lists"))).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
        (QStringList { "l.zfl", "out", "videos" }));

    const std::string save = "--profile 7 --save " + Quote(dir.file("lists/l.zfl")) + " "
        + Quote(dir.file("lists/videos/a.mp4"));
    const std::string before = ReadFileBytes(dir.file("lists/l.zfl"));
    r = RunTool(save, dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("exists; give --force to replace it"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFileBytes(dir.file("lists/l.zfl")), before);
    r = RunTool(save + " --force", dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(ReadFileBytes(dir.file("lists/l.zfl")).find("<filename>" + dir.file("lists/videos/a.mp4")),
        std::string::npos);
}

// Entries whose output names collide all convert under distinct names with several jobs; shards
// are disjoint and together hold every entry once; --dry-run creates nothing; --json gives one
// object per entry; -v shows the converter's lines.
TEST(BatchTool, JobsShardsDryRunAndJson)
{
    TempDir dir;
    for (const char* folder : { "x", "y", "z" })
        std::filesystem::create_directories(dir.file(folder));
    MakeClip(dir.file("x/a.mp4"), 1);
    const std::vector<std::string> sources { dir.file("x/a.mp4"), dir.file("y/a.mp4"), dir.file("z/a.mkv"),
        dir.file("x/a_2.mp4"), dir.file("x/b.mp4"), dir.file("x/c.mp4"), dir.file("y/d.mp4") };
    std::string files;
    for (const std::string& s : sources) {
        WriteFileBytes(s, ReadFileBytes(dir.file("x/a.mp4")));
        files += " " + Quote(s);
    }
    const std::string out = " --output " + Quote(dir.file("out")) + " ";
    std::multiset<std::string> shardSources;
    for (int k = 1; k <= 3; ++k) {
        const Result r
            = RunTool("--dry-run --shard " + std::to_string(k) + "/3 --profile 7" + out + files, dir);
        EXPECT_EQ(r.status, 0) << r.err;
        for (const std::string& s : sources)
            if (r.out.find("\"file:" + s + "\"") != std::string::npos)
                shardSources.insert(s);
    }
    EXPECT_EQ(shardSources, std::multiset<std::string>(sources.begin(), sources.end()));
    EXPECT_FALSE(platform::DirectoryExists(dir.file("out")));

    Result r = RunTool("-j 3 --json --profile 7" + out + files, dir);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    std::set<std::string> outputs;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) {
        const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
        EXPECT_EQ(o["status"].toString(), "converted") << line;
        EXPECT_EQ(o["exit_code"].toInt(-1), 0) << line;
        EXPECT_GE(o["seconds"].toDouble(-1), 0) << line;
        EXPECT_TRUE(o["source"].isString()) << line;
        outputs.insert(o["output"].toString().toStdString());
    }
    EXPECT_EQ(outputs.size(), sources.size()) << r.out;
    EXPECT_EQ(QDir(QString::fromStdString(dir.file("out"))).entryList(QDir::Files).size(),
        static_cast<int>(sources.size()));
    for (const std::string& o : outputs)
        EXPECT_TRUE(platform::FileExists(o)) << o;

    r = RunTool("-v --profile 7" + out + Quote(sources[0]), dir);
    EXPECT_NE(r.out.find("    | Input #0"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find('\r'), std::string::npos) << "no live line when not on a terminal";
}

// On a terminal the live line shows the current file's percent, speed and time left.
TEST(BatchTool, TerminalShowsProgressWithinTheFile)
{
    TempDir dir;
    MakeClip(dir.file("long.mp4"), 6, "640x360");
    const std::string tool = Quote(kTool) + " --profile 1 --output " + Quote(dir.file("out")) + " "
        + Quote(dir.file("long.mp4"));
    const std::string command = "script -qec " + Quote(tool) + " /dev/null > " + Quote(dir.file("tty.txt"));
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string said = ReadFileBytes(dir.file("tty.txt"));
    EXPECT_NE(said.find("\r\033[Kfinished 0 of 1, elapsed"), std::string::npos) << said;
    EXPECT_NE(said.find("long.mp4 "), std::string::npos) << said;
    EXPECT_NE(said.find("% at "), std::string::npos) << said;
    EXPECT_NE(said.find(" left"), std::string::npos) << said;
}

namespace {

// sha256sum's verdict on a file: a second implementation to hold the tool's against.
std::string Sha256Sum(const std::string& path)
{
    std::string line;
    if (FILE* p = popen(("sha256sum " + Quote(path)).c_str(), "r")) {
        std::array<char, 256> buffer {};
        if (fgets(buffer.data(), buffer.size(), p))
            line = buffer.data();
        pclose(p);
    }
    return line.substr(0, line.find(' '));
}

} // namespace

// Tasks sharing a list by --shard: each run on a list file names its checksum (text and JSON);
// --expect-sha256 converts only that very list and refuses any other with one line and status 2,
// before anything is written.
TEST(BatchTool, ListChecksumKeepsShardsOnOneList)
{
    TempDir dir;
    MakeClip(dir.file("a.mp4"), 1);
    WriteFileBytes(dir.file("b.mp4"), ReadFileBytes(dir.file("a.mp4")));
    const std::string list = dir.file("l.zfl"), out = dir.file("out");
    const std::string save = "--profile 20 --output " + Quote(out) + " --save " + Quote(list);
    ASSERT_EQ(RunTool(save + " " + Quote(dir.file("a.mp4")), dir).status, 0);
    const std::string sha = Sha256Sum(list);
    ASSERT_EQ(sha.size(), 64u);

    Result r = RunTool("--shard 1/2 --expect-sha256 " + QString::fromStdString(sha).toUpper().toStdString()
            + " " + Quote(list),
        dir);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("1 of 1 converted, 0 failed; default output folder "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("; shard 1/2; list SHA-256 " + sha + "\n"), std::string::npos) << r.out;
    r = RunTool("--json --expect-sha256 " + sha + " " + Quote(list), dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object()["list_sha256"].toString(),
        QString::fromStdString(sha))
        << r.out;
    EXPECT_NE(r.err.find("; list SHA-256 " + sha), std::string::npos) << r.err;
    r = RunTool("--json --profile 20 --output " + Quote(out) + " " + Quote(dir.file("a.mp4")), dir);
    EXPECT_EQ(r.out.find("list_sha256"), std::string::npos) << "files given, no list: " << r.out;

    // The list saved again between two tasks' starts: the later task refuses it.
    ASSERT_EQ(
        RunTool(save + " --force " + Quote(dir.file("b.mp4")) + " " + Quote(dir.file("a.mp4")), dir).status,
        0);
    const int outputs = QDir(QString::fromStdString(out)).entryList(QDir::Files).size();
    r = RunTool("--shard 2/2 --expect-sha256 " + sha + " " + Quote(list), dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err,
        "vidmorph-batch: the list file " + list + " has SHA-256 " + Sha256Sum(list) + ", not the expected "
            + sha + ": it changed since the checksum was taken; nothing converted\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(QDir(QString::fromStdString(out)).entryList(QDir::Files).size(), outputs);

    for (const std::string& wrong : { "--expect-sha256 " + sha.substr(1) + " " + Quote(list),
             "--expect-sha256 " + sha.substr(1) + "g " + Quote(list),
             "--expect-sha256 " + sha + " --profile 20 " + Quote(dir.file("a.mp4")) }) {
        r = RunTool(wrong, dir);
        EXPECT_EQ(r.status, 2) << wrong;
        EXPECT_NE(r.err.find("--expect-sha256"), std::string::npos) << r.err;
    }
}

// -j auto: one job per usable core (the CPU affinity, as a scheduler narrows it) when the profiles
// copy or make audio; fewer when one encodes video; a later -j N overrides it.
TEST(BatchTool, AutomaticJobCountFollowsCoresAndProfiles)
{
    TempDir dir;
    MakeClip(dir.file("a.mp4"), 1);
    const std::string a = Quote(dir.file("a.mp4"));
    const auto chosen = [&](const std::string& prefix, const std::string& arguments) {
        const Result r = RunTool("-v --dry-run " + arguments, dir, {}, kTool, prefix);
        EXPECT_EQ(r.status, 0) << r.err;
        const size_t at = r.err.find("-j auto: ");
        return at == std::string::npos ? std::string() : r.err.substr(at, r.err.find(';', at) - at);
    };
    const int cores = static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN));
    cpu_set_t mine;
    ASSERT_EQ(sched_getaffinity(0, sizeof mine, &mine), 0);
    const int usable = CPU_COUNT(&mine);
    EXPECT_EQ(chosen("", "-j auto --profile 20 " + a),
        "-j auto: " + std::to_string(usable)
            + (usable == 1 ? " job (1 usable core" : " jobs (" + std::to_string(usable) + " usable cores"));
    EXPECT_EQ(chosen("taskset -c 0 ", "-j auto --profile 19 " + a), "-j auto: 1 job (1 usable core");
    EXPECT_EQ(chosen("", "-j auto --profile 2 " + a),
        "-j auto: " + std::to_string(std::max(1, usable / 8)) + " job" + (usable / 8 > 1 ? "s" : "") + " ("
            + std::to_string(usable) + " usable core" + (usable == 1 ? "" : "s"));
    EXPECT_EQ(chosen("", "-j auto -j 2 --profile 20 " + a), "");
    EXPECT_GE(cores, usable);

    // A list mixing audio and video entries follows its video entry.
    WriteFileBytes(dir.file("b.mp4"), ReadFileBytes(dir.file("a.mp4")));
    const std::string list = dir.file("mixed.zfl");
    ASSERT_EQ(
        RunTool("--profile 20 --save " + Quote(list) + " " + a + " " + Quote(dir.file("b.mp4")), dir).status,
        0);
    std::string bytes = ReadFileBytes(list);
    bytes.replace(bytes.rfind("<format>20</format>"), 19, "<format>0</format>");
    WriteFileBytes(list, bytes);
    EXPECT_EQ(chosen("", "-j auto " + Quote(list))
                  .rfind("-j auto: " + std::to_string(std::max(1, usable / 8)) + " job", 0),
        0u);
}
