// vidmorph-batch end to end: the built tool in the laid-out program folder, the shipped profile
// file and the real ffmpeg, on clips the test makes.
#include "loopbackListener.h"
#include "platform/fileSystem.h"
#include "testFiles.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
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
    const std::string& tool = kTool)
{
    const std::string errFile = dir.file("stderr.txt");
    const std::string command = (cwd.empty() ? "" : "cd " + Quote(cwd) + " && ") + Quote(tool) + " "
        + arguments + " 2>" + Quote(errFile) + " </dev/null";
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
        { "--profile 0" + to + Quote(dir.file("a.mp4")) + " " + Quote(dir.file("nope.mp4")), "no such file" },
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
    EXPECT_EQ(WEXITSTATUS(raw), 1);
    const std::string said = ReadFileBytes(outFile);
    EXPECT_NE(said.find("[1/1] STOPPED"), std::string::npos) << said;
    EXPECT_NE(said.find("0 of 1 converted, 1 failed, stopped"), std::string::npos) << said;
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

TEST(BatchTool, MissingConverterIsNamedWithWhatToDo)
{
    // The tool alone in a folder, with its profile file but no converter beside it.
    TempDir dir;
    const std::string app = dir.file("app/");
    ASSERT_EQ(std::system(("mkdir " + Quote(app) + " && cp " + Quote(kTool) + " "
                  + Quote(VIDMORPH_APP_DIR "/command") + " " + Quote(app))
                              .c_str()),
        0);
    MakeClip(dir.file("a.mp4"), 1);
    // Nor on PATH (the tool falls back to it).
    const std::string path = std::getenv("PATH");
    setenv("PATH", dir.path().c_str(), 1);
    const Result r
        = RunTool("--profile 0 --output " + Quote(dir.file("out")) + " " + Quote(dir.file("a.mp4")), dir, {},
            app + "vidmorph-batch");
    setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.out.find("[1/1] FAILED     " + dir.file("a.mp4")), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("doesn't exist."), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("ffmpeg was not found: " + app + "ffmpeg does not exist"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("install ffmpeg, or put it or a link to it beside the program (" + app + ")"),
        std::string::npos)
        << r.out;
    EXPECT_EQ(r.out.find("stopped"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "");
}
