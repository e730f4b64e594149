#include "platform/process.h"
#include "processTestSupport.h"
#include "testFiles.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <new>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace platform;

namespace {

std::string ReadAllFrom(int fd, int timeoutMs = 5000)
{
    std::string text;
    char buffer[4096];
    for (;;) {
        std::vector<TWaitItem> items { { fd, false, false } };
        if (WaitForAny(items, timeoutMs) <= 0)
            return text;
        const long n = ReadPipe(fd, buffer, sizeof buffer);
        if (n == 0)
            return text;
        if (n > 0)
            text.append(buffer, static_cast<size_t>(n));
        else if (errno != EAGAIN)
            return text;
    }
}

uint32_t WaitForExit(TChildProcess& child, int timeoutMs = 5000)
{
    for (int waited = 0; waited < timeoutMs; waited += 5) {
        const uint32_t code = child.ExitCode();
        if (code != kStillActive)
            return code;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return kStillActive;
}

// A child with its output on a pipe we read; input on a pipe we write.
struct Harness {
    TPipe in, out;
    TChildProcess child;
    int Start(const std::string& commandLine)
    {
        EXPECT_EQ(CreatePipe(in), 0);
        EXPECT_EQ(CreatePipe(out), 0);
        SetNonBlocking(out.readEnd.Get());
        const int r = child.Start(commandLine, in.readEnd.Get(), out.writeEnd.Get(), out.writeEnd.Get());
        in.readEnd.Reset();
        out.writeEnd.Reset();
        return r;
    }
};

} // namespace

TEST(CommandLine, SplitsByWindowsRules)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitCommandLine(""), V {});
    EXPECT_EQ(SplitCommandLine("  \t "), V {});
    EXPECT_EQ(SplitCommandLine("a b\tc"), (V { "a", "b", "c" }));
    EXPECT_EQ(SplitCommandLine("\"a b\" c"), (V { "a b", "c" }));
    EXPECT_EQ(SplitCommandLine("a\"b c\"d"), V { "ab cd" });
    EXPECT_EQ(SplitCommandLine("\"\""), V { "" });
    EXPECT_EQ(SplitCommandLine("a \"\" b"), (V { "a", "", "b" }));
    EXPECT_EQ(SplitCommandLine(R"(C:\dir\file)"), V { R"(C:\dir\file)" }); // lone backslashes stay
    EXPECT_EQ(SplitCommandLine(R"(a\"b)"), V { "a\"b" }); // \" is a literal quote
    EXPECT_EQ(SplitCommandLine(R"(a\\"b c")"), V { R"(a\b c)" }); // 2n: n and a grouping quote
    EXPECT_EQ(SplitCommandLine(R"(a\\\"b)"), V { R"(a\"b)" }); // 2n+1: n and a literal quote
    EXPECT_EQ(SplitCommandLine(R"("a\\" b)"), (V { R"(a\)", "b" }));
    EXPECT_EQ(SplitCommandLine("x\ny"), V { "x\ny" }); // only space and tab separate
    EXPECT_EQ(SplitCommandLine("\"unclosed arg"), V { "unclosed arg" });
}

TEST(CommandLine, QuotedArgumentsComeBackExactly)
{
    const std::vector<std::string> awkward {
        "",
        "plain",
        "with space",
        "quote\"inside",
        "\"",
        "\"\"",
        "trailing\\",
        "trailing\\\\",
        "back\\\"quote",
        "\\\\server\\share\\",
        "$HOME `id` ; rm -rf / | cat > x & y",
        "line\nbreak\ttab",
        "-leading-dash",
        "caf\xc3\xa9 \xe6\x97\xa5\xff",
        "/path/My \"Movies\"/a\\b/c.avi",
    };
    for (const std::string& arg : awkward) {
        const std::string line = "\"/bin/prog\" -i " + QuoteArgument(arg) + " -x " + QuoteArgument(arg);
        const std::vector<std::string> split = SplitCommandLine(line);
        ASSERT_EQ(split.size(), 5u) << line;
        EXPECT_EQ(split[2], arg) << line;
        EXPECT_EQ(split[4], arg) << line;
        // The job runner wraps the escaped text in quotes itself.
        EXPECT_EQ(
            SplitCommandLine("\"" + EscapeQuotedArgument(arg) + "\""), std::vector<std::string> { arg });
    }
}

TEST(CommandLine, QuotedArgumentsSurviveTheRealProgram)
{
    // vmchild writes its argument after 'out' verbatim (no escapes in this text).
    Harness h;
    ASSERT_EQ(h.Start(kChild + " out " + QuoteArgument("a;b $x `y` \"q\" -z")), 0);
    EXPECT_EQ(ReadAllFrom(h.out.readEnd.Get()), "a;b $x `y` \"q\" -z");
    EXPECT_EQ(WaitForExit(h.child), 0u);
}

TEST(Process, ExitCodesSignalsAndStartFailures)
{
    {
        Harness h;
        ASSERT_EQ(h.Start(kChild + " out \"hello\\n\" err oops exit 3"), 0);
        EXPECT_EQ(ReadAllFrom(h.out.readEnd.Get()), "hello\noops"); // error joins output
        EXPECT_EQ(WaitForExit(h.child), 3u);
        EXPECT_EQ(h.child.ExitCode(), 3u); // stable, also after the child was examined
    }
    {
        Harness h;
        ASSERT_EQ(h.Start(kChild + " signal 15"), 0);
        EXPECT_EQ(WaitForExit(h.child), 128u + SIGTERM);
    }
    {
        Harness h;
        ASSERT_EQ(h.Start(kChild + " hang"), 0);
        EXPECT_EQ(h.child.ExitCode(), kStillActive);
        h.child.Terminate();
        EXPECT_EQ(h.child.ExitCode(), 128u + SIGKILL);
    }
    {
        Harness h;
        EXPECT_EQ(h.Start("/no/such/program arg"), ENOENT);
        EXPECT_FALSE(h.child.Started());
    }
    {
        TempDir dir;
        WriteFileBytes(dir.file("notexec"), "#!/bin/sh\necho hi\n");
        Harness h;
        EXPECT_EQ(h.Start(QuoteArgument(dir.file("notexec"))), EACCES);
    }
    {
        Harness h;
        EXPECT_NE(h.Start(""), 0);
    }
}

TEST(Process, PeekReadWriteAndBrokenInput)
{
    IgnoreSigpipe();
    Harness h;
    ASSERT_EQ(h.Start(kChild + " echoline out done"), 0);
    SetNonBlocking(h.in.writeEnd.Get());
    EXPECT_EQ(PeekPipe(h.out.readEnd.Get()), 0);
    char c;
    EXPECT_EQ(ReadPipe(h.out.readEnd.Get(), &c, 1), -1); // nothing waits: no blocking
    EXPECT_EQ(errno, EAGAIN);
    ASSERT_EQ(WritePipe(h.in.writeEnd.Get(), "ping\n", 5), 5);
    EXPECT_EQ(WaitForExit(h.child), 0u);
    EXPECT_EQ(PeekPipe(h.out.readEnd.Get()), 9); // "ping\n" + "done"
    EXPECT_EQ(ReadAllFrom(h.out.readEnd.Get()), "ping\ndone");
    h.child.Release();
    // The child has gone and nobody reads: a failed write, not a crash.
    EXPECT_EQ(WritePipe(h.in.writeEnd.Get(), "x", 1), -1);
    EXPECT_EQ(errno, EPIPE);
}

TEST(Process, OnlyTheStandardStreamsAreInherited)
{
    TPipe extra;
    ASSERT_EQ(CreatePipe(extra), 0);
    const int leaky = ::dup(extra.writeEnd.Get()); // without close-on-exec
    ASSERT_GE(leaky, 0);
    Harness h;
    ASSERT_EQ(h.Start("/bin/ls /proc/self/fd"), 0);
    const std::string listing = ReadAllFrom(h.out.readEnd.Get());
    ::close(leaky);
    EXPECT_EQ(WaitForExit(h.child), 0u);
    // 0, 1, 2 and the descriptor ls opens for the listing itself.
    EXPECT_EQ(listing, "0\n1\n2\n3\n");
}

TEST(Process, TerminateKillsTheWholeGroup)
{
    TempDir dir;
    const std::string pidFile = dir.file("grandchild.pid");
    Harness h;
    ASSERT_EQ(h.Start(kChild + " grandchild " + QuoteArgument(pidFile) + " hang"), 0);
    const pid_t grandchild = WaitForPidFile(pidFile);
    ASSERT_GT(grandchild, 0);
    EXPECT_EQ(::getpgid(grandchild), h.child.Pid()); // one group, led by the child
    EXPECT_EQ(::getsid(h.child.Pid()), h.child.Pid());
    h.child.Terminate();
    EXPECT_TRUE(ProcessGone(grandchild));
    EXPECT_TRUE(ProcessGone(h.child.Pid()));
}

TEST(Process, LeftoversOfAFinishedChildAreKilledOnRelease)
{
    TempDir dir;
    const std::string pidFile = dir.file("grandchild.pid");
    pid_t grandchild = -1;
    {
        Harness h;
        ASSERT_EQ(h.Start(kChild + " grandchild " + QuoteArgument(pidFile) + " exit 4"), 0);
        grandchild = WaitForPidFile(pidFile);
        ASSERT_GT(grandchild, 0);
        EXPECT_EQ(WaitForExit(h.child), 4u);
        EXPECT_FALSE(ProcessGone(grandchild, 0));
        // The destructor releases: the group goes, the child is reaped.
    }
    EXPECT_TRUE(ProcessGone(grandchild));
}

TEST(Process, DescendantsThatLeaveTheGroupAreKilledToo)
{
    // One that left its session while the child runs, and one left behind by a child that ended
    // by itself: both were handed back to us and go with the child.
    TempDir dir;
    for (const char* ending : { "hang", "exit 0" }) {
        const std::string pidFile = dir.file(std::string("runaway-") + ending[0] + ".pid");
        Harness h;
        ASSERT_EQ(h.Start(kChild + " runaway " + QuoteArgument(pidFile) + " " + ending), 0);
        const pid_t runaway = WaitForPidFile(pidFile);
        ASSERT_GT(runaway, 0);
        EXPECT_EQ(::getsid(runaway), runaway) << "the grandchild did not leave the session";
        if (std::string(ending) == "exit 0") {
            EXPECT_EQ(WaitForExit(h.child), 0u);
            EXPECT_FALSE(ProcessGone(runaway, 0));
        }
        h.child.Terminate();
        EXPECT_TRUE(ProcessGone(runaway)) << ending;
        EXPECT_NE(::kill(runaway, 0), 0) << "killed but not reaped: " << ending;
    }
}

TEST(Process, ChildStartsWithNoBlockedSignalsAndDefaultSigpipe)
{
    // This thread blocks signals and the program ignores SIGPIPE; neither may reach the child.
    IgnoreSigpipe();
    sigset_t block, previous;
    sigemptyset(&block);
    sigaddset(&block, SIGUSR1);
    sigaddset(&block, SIGTERM);
    ASSERT_EQ(::pthread_sigmask(SIG_BLOCK, &block, &previous), 0);
    Harness h;
    const int started = h.Start(kChild + " sigstate");
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    ASSERT_EQ(started, 0);
    EXPECT_EQ(ReadAllFrom(h.out.readEnd.Get()), "mask=none sigpipe=default\n");
    EXPECT_EQ(WaitForExit(h.child), 0u);
}

TEST(Process, ChildDiesWithTheThreadThatStartedIt)
{
    // A thread that never cleans up, as in a crash: the object is never destroyed.
    alignas(TChildProcess) static unsigned char storage[sizeof(TChildProcess)];
    pid_t pid = -1;
    std::thread([&] {
        TPipe pipe;
        ASSERT_EQ(CreatePipe(pipe), 0);
        auto* child = new (storage) TChildProcess;
        ASSERT_EQ(
            child->Start(kChild + " hang", pipe.readEnd.Get(), pipe.writeEnd.Get(), pipe.writeEnd.Get()), 0);
        pid = child->Pid();
    }).join();
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(ProcessGone(pid));
    int status = 0;
    EXPECT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
}

TEST(Process, ChildReapedElsewhereCountsAsFailedNotRunning)
{
    Harness h;
    ASSERT_EQ(h.Start(kChild + " exit 0"), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(h.child.Pid(), &status, 0), h.child.Pid()); // someone else's waitpid
    EXPECT_EQ(h.child.ExitCode(), 255u);
}

TEST(Process, WakeEventEndsAWait)
{
    TWakeEvent wake;
    ASSERT_TRUE(wake.Valid());
    std::vector<TWaitItem> items { { wake.Fd(), false, false }, { -1, false, false } };
    EXPECT_EQ(WaitForAny(items, 0), 0);
    std::thread signaller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        wake.Signal();
    });
    EXPECT_EQ(WaitForAny(items, 5000), 1);
    EXPECT_TRUE(items[0].ready);
    EXPECT_FALSE(items[1].ready);
    signaller.join();
    wake.Clear();
    EXPECT_EQ(WaitForAny(items, 0), 0);
}
