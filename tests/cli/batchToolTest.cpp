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

// 1 s, 320x180 (or the size given), two audio tracks (eng, deu) and an English SRT track.
void MakeFilm(const TempDir& dir, const std::string& path, const std::string& size = "320x180")
{
    WriteFileBytes(dir.file("film.srt"), "1\n00:00:00,000 --> 00:00:01,000\nHello there\n\n");
    const std::string make = "ffmpeg -nostdin -v error -f lavfi -i testsrc2=duration=1:size=" + size
        + ":rate=25 -f lavfi -i sine=duration=1 -f lavfi -i sine=duration=1:frequency=880 -i "
        + Quote(dir.file("film.srt"))
        + " -map 0 -map 1 -map 2 -map 3 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -c:s srt"
          " -metadata:s:a:0 language=eng -metadata:s:a:1 language=deu -metadata:s:s:0 language=eng "
        + Quote(path);
    ASSERT_EQ(std::system(make.c_str()), 0);
}

// "video 214x120|audio deu|subtitle eng|1.000": the streams and length of a file.
std::string Streams(const std::string& path)
{
    std::string said;
    FILE* p = popen(("ffprobe -v error -show_entries stream=codec_type,width,height:stream_tags=language"
                     ":format=duration -of csv=p=0 "
                        + Quote(path))
                        .c_str(),
        "r");
    if (!p)
        return {};
    std::array<char, 4096> buffer {};
    for (size_t n; (n = fread(buffer.data(), 1, buffer.size(), p)) > 0;)
        said.append(buffer.data(), n);
    pclose(p);
    return said;
}

// Gray bytes of one frame's region at a time, to compare pictures.
std::string GrayRegion(
    const std::string& path, const std::string& at, const std::string& crop, const TempDir& dir)
{
    const std::string raw = dir.file("region.gray");
    const std::string grab = "ffmpeg -nostdin -v error -y -ss " + at + " -i " + Quote(path)
        + " -frames:v 1 -vf crop=" + crop + " -f rawvideo -pix_fmt gray " + Quote(raw);
    return std::system(grab.c_str()) == 0 ? ReadFileBytes(raw) : std::string();
}

} // namespace

TEST(BatchTool, EncodingOptionsThatCannotServeAreOneLineAndStatus2)
{
    TempDir dir;
    MakeClip(dir.file("a.mp4"), 1);
    const std::string file = " --output " + Quote(dir.file("out")) + " " + Quote(dir.file("a.mp4"));
    const std::pair<std::string, std::string> cases[] = {
        { "--profile 0 --quality 101", "--quality needs a quality from 0 (smallest file) to 100" },
        { "--profile 0 --video-bitrate 2.5X", "--video-bitrate needs a bit rate" },
        { "--profile 0 --size 0", "--size needs a size in MB" },
        { "--profile 0 --audio-lang en", "three-letter ISO 639-2" },
        { "--profile 0 --start 1:75", "--start needs a time" },
        { "--profile 0 --start 5 --end 0:04", "--end must come after --start" },
        { "--profile 0 --crop yes", "--crop needs the word auto" },
        { "--profile 0 --max-height 2", "--max-height needs a height" },
        { "--profile 0 --quality 50 --size 10", "give one of them" },
        { "--profile 5 --quality 50",
            "profile 5 (MKV video (copy streams, no re-encoding)): --quality does not fit "
            "this profile: it copies the video" },
        { "--profile 15 --size 10", "--size needs two-pass encoding, which libsvtav1" },
        { "--profile 9 --max-height 480", "--max-height does not fit this profile: it makes no video" },
        { "--profile 12 --quality 50", "its audio encoder (flac) is not one of" },
        { "--profile 14 --video-bitrate 1M", "its video encoder (the container's default) is not one of" },
        { "--profile 9 --subtitle-lang eng",
            "--subtitle-lang does not fit this profile: it drops the subtitles" },
        { "--profile 0 --quality 50 --save " + Quote(dir.file("l.zfl")), "a list file cannot hold" },
    };
    for (const auto& [arguments, message] : cases) {
        const Result r = RunTool(arguments + file, dir);
        EXPECT_EQ(r.status, 2) << arguments << "\n" << r.err;
        EXPECT_EQ(r.err, "vidmorph-batch: " + r.err.substr(16)) << arguments;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find(message), std::string::npos) << arguments << "\n" << r.err;
    }
    EXPECT_FALSE(platform::DirectoryExists(dir.file("out")));

    // What only the source can tell fails its entry by name.
    const std::pair<std::string, std::string> entries[] = {
        { "--profile 0 --audio-lang jpn",
            "--audio-lang jpn: no audio track in that language (its audio tracks: und)" },
        { "--profile 0 --size 0.02", "--size 0.02 MB is too small for 1 s: the audio alone takes" },
        { "--profile 0 --start 3", "--start 3 s is at or past the end of the source (1 s)" },
        { "--profile 0 --burn-subtitles",
            "--burn-subtitles: no subtitle track to draw (it has no subtitle track)" },
    };
    for (const auto& [arguments, message] : entries) {
        const Result r = RunTool("--dry-run " + arguments + file, dir);
        EXPECT_EQ(r.status, 1) << arguments << "\n" << r.err;
        EXPECT_NE(
            r.out.find("# entry 1 would fail: Cannot convert \"" + dir.file("a.mp4") + "\": " + message),
            std::string::npos)
            << r.out;
    }

    const Result help = RunTool("--help", dir);
    for (const char* option : { "--quality Q", "--video-bitrate R", "--size MB", "--audio-lang",
             "--subtitle-lang", "--burn-subtitles", "--start T, --end T", "--max-height N", "--crop auto" })
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
}

TEST(BatchTool, EncodingOptionsShapeTheOutput)
{
    TempDir dir;
    const std::string film = dir.file("film.mkv");
    MakeFilm(dir, film);
    const std::string temp = dir.file("tmp");
    std::filesystem::create_directories(temp);
    const std::string env = "TMPDIR=" + Quote(temp) + " ";
    const auto run = [&](const std::string& options, const std::string& source, const std::string& out) {
        const std::string arguments = options + " --output " + Quote(dir.file(out)) + " " + Quote(source);
        const Result dry = RunTool("--dry-run " + arguments, dir, {}, kTool, env);
        const Result r = RunTool(arguments, dir, {}, kTool, env);
        EXPECT_EQ(r.status, 0) << arguments << "\n" << r.out << r.err;
        return dry.out;
    };

    // Quality, languages, trimming and a height limit on an H.264 profile.
    std::string dry
        = run("--profile 0 --quality 30 --audio-lang ger --subtitle-lang eng --start 0.2 --end 0.8 "
              "--max-height 120",
            film, "a");
    EXPECT_NE(dry.find(" -map 0:V? -map 0:2 -map 0:3 "), std::string::npos) << dry;
    EXPECT_NE(dry.find(" -ss 0.2 -t 0.6 -crf 36 "), std::string::npos) << dry;
    std::string streams = Streams(dir.file("a/film.mp4"));
    EXPECT_EQ(streams.substr(0, streams.find('\n', streams.find("subtitle"))),
        "video,214,120,und\naudio,deu\nsubtitle,N/A,N/A,eng")
        << streams;
    EXPECT_NEAR(std::stod(streams.substr(streams.rfind('\n', streams.size() - 2) + 1)), 0.6, 0.1) << streams;

    // A target size in two passes, with the subtitles burnt in: no subtitle track, and the
    // picture carries the text where the source has none.
    dry = run("--profile 4 --size 0.1 --audio-lang eng --burn-subtitles", film, "b");
    EXPECT_NE(dry.find(" -pass 1 -passlogfile " + temp + "/vidmorph-passes-XXXXXX/pass -an -sn -f null"),
        std::string::npos)
        << dry;
    EXPECT_NE(dry.find("-pass 2"), std::string::npos);
    streams = Streams(dir.file("b/film.webm"));
    EXPECT_EQ(streams.substr(0, streams.rfind('\n', streams.size() - 2)), "video,320,180\naudio,eng")
        << streams;
    EXPECT_LE(platform::FileSize(dir.file("b/film.webm")), 0.1 * 1024 * 1024 * 1.1);
    EXPECT_TRUE(QDir(QString::fromStdString(temp)).isEmpty()) << "the pass statistics are removed";
    const std::string burnt = GrayRegion(dir.file("b/film.webm"), "0.5", "200:24:60:150", dir);
    const std::string plain = GrayRegion(film, "0.5", "200:24:60:150", dir);
    ASSERT_EQ(burnt.size(), plain.size());
    int changed = 0;
    for (size_t i = 0; i < burnt.size(); ++i)
        changed += std::abs(int(static_cast<unsigned char>(burnt[i])) - static_cast<unsigned char>(plain[i]))
            > 60;
    EXPECT_GT(changed, 100) << "no text drawn";

    // Black bars cut off; a portrait source is bounded by its width; a bit rate for mpeg4.
    const std::string bars = dir.file("bars.mp4");
    ASSERT_EQ(
        std::system(("ffmpeg -nostdin -v error -f lavfi -i testsrc2=duration=1:size=320x136:rate=25 -vf "
                     "pad=320:180:0:22 -pix_fmt yuv420p "
            + Quote(bars))
                        .c_str()),
        0);
    dry = run("--profile 0 --crop auto", bars, "c");
    EXPECT_NE(dry.find("crop=320:136:0:22,"), std::string::npos) << dry;
    EXPECT_EQ(Streams(dir.file("c/bars.mp4")).substr(0, 13), "video,320,136");
    const std::string portrait = dir.file("portrait.mp4");
    MakeClip(portrait, 1, "180x320");
    dry = run("--profile 7 --max-height 120 --video-bitrate 300k", portrait, "d");
    EXPECT_NE(dry.find(" -b:v 300k "), std::string::npos) << dry;
    EXPECT_EQ(dry.find("-q:v"), std::string::npos) << dry;
    EXPECT_EQ(Streams(dir.file("d/portrait.avi")).substr(0, 13), "video,120,214");
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

// What fitting a profile to its source changes is said where the user looks: the dry run, the
// entry's lines and its JSON. A phone clip shown turned cannot stay a sideways copy in Matroska.
TEST(BatchTool, FitNotesReachDryRunTextAndJson)
{
    TempDir dir;
    const std::string stored = dir.file("stored.mp4"), phone = dir.file("phone.mp4");
    MakeClip(stored, 1);
    ASSERT_EQ(std::system(("ffmpeg -nostdin -v error -i " + Quote(stored) + " -c copy -metadata:s:v:0 rotate=90 "
                  + Quote(phone))
                              .c_str()),
        0);
    const std::string arguments = "--profile 5 --output " + Quote(dir.file("out")) + " " + Quote(phone);
    const char* note = "the video is encoded upright (H.264, CRF 18) instead of copied";
    const Result dry = RunTool("--dry-run " + arguments, dir);
    EXPECT_NE(dry.out.find("# entry 1: " + std::string(note)), std::string::npos) << dry.out;
    EXPECT_NE(dry.out.find("-c:v:0 libx264"), std::string::npos) << dry.out;
    const Result text = RunTool(arguments, dir);
    EXPECT_EQ(text.status, 0) << text.out << text.err;
    EXPECT_NE(text.out.find("    note: " + std::string(note)), std::string::npos) << text.out;
    const Result json = RunTool("--json " + arguments, dir);
    EXPECT_NE(json.out.find("\"notes\":[\"" + std::string(note)), std::string::npos) << json.out;
}
