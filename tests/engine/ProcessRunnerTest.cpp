#include "engine/ProcessRunner.h"
#include "engine/reporter.h"
#include "processTestSupport.h"
#include "testFiles.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QtCore/qtestsupport_core.h>

using platform::QuoteArgument;

void PrintTo(TEndStatus status, std::ostream* out)
{
    *out << "TEndStatus(" << static_cast<int>(status) << ")";
}

namespace {

constexpr int kWaitMs = 10000; // generous: the suite also runs under sanitizers

bool OnUiThread()
{
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

struct Line {
    std::string text;
    TOutputType type;
    TReturnCode returnCode; // OutputReturnCode as the handler saw it
    bool operator==(const Line&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Line& line)
{
    return out << '{' << line.text << ", " << (line.type == otEntireLine ? "entire" : "beginning") << '}';
}

// Records what a runner raises; every event must arrive on the UI thread.
struct Recorder {
    std::vector<Line> lines;
    std::vector<uint32_t> ends;
    std::vector<std::string> linesWhenEnded; // ReceivedLines as OnTerminated saw them
    TEndStatus statusWhenEnded = TEndStatus::Started;
    bool offThread = false;
    bool inStep = true;

    explicit Recorder(TProcessRunner& runner)
    {
        runner.OnNewLine = [this](TProcessRunner* sender, const std::string& text, TOutputType type) {
            offThread |= !OnUiThread();
            // ReceivedLines is updated line by line, before the handler sees the line.
            const int count = sender->ReceivedLines().Count();
            inStep &= count >= 1 && count <= static_cast<int>(lines.size()) + 1
                && sender->ReceivedLines().Strings(count - 1) == text;
            lines.push_back({ text, type, sender->OutputReturnCode() });
        };
        runner.OnTerminated = [this](TProcessRunner* sender, uint32_t exitCode) {
            offThread |= !OnUiThread();
            ends.push_back(exitCode);
            statusWhenEnded = sender->EndStatus();
            linesWhenEnded = sender->ReceivedLines().Lines();
        };
    }
    bool WaitForEnd(size_t count = 1, int timeoutMs = 10000)
    {
        return QTest::qWaitFor([&] { return ends.size() >= count; }, timeoutMs);
    }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const Line& l : lines)
            texts.push_back(l.text);
        return texts;
    }
};

// Captures reported errors and restores the default reporter afterwards.
struct ReporterCapture {
    std::vector<std::string> messages;
    ReporterCapture()
    {
        SetErrorReporter([this](const std::string& message) { messages.push_back(message); });
    }
    ~ReporterCapture() { SetErrorReporter({}); }
};

using Lines = std::vector<Line>;
using Texts = std::vector<std::string>;

// Runs one child to its end and returns the recorder's findings.
void RunToEnd(TProcessRunner& runner, Recorder& recorder, const std::string& arguments)
{
    runner.SetCommandLine(kChild + " " + arguments);
    runner.Execute();
    ASSERT_TRUE(recorder.WaitForEnd());
    EXPECT_FALSE(recorder.offThread);
    EXPECT_TRUE(recorder.inStep);
}

} // namespace

TEST(ProcessRunner, Defaults)
{
    TProcessRunner runner;
    EXPECT_EQ(runner.CommandLine(), "");
    EXPECT_FALSE(runner.InputToOutput());
    EXPECT_EQ(runner.MaxTimeAfterBeginning(), 0);
    EXPECT_EQ(runner.MaxTimeAfterLastOutput(), 0);
    EXPECT_EQ(runner.ShowWindow(), swHIDE);
    EXPECT_EQ(runner.CreationFlag(), fCREATE_NEW_CONSOLE);
    EXPECT_EQ(runner.ReturnCode(), rcCRLF);
    EXPECT_EQ(runner.OutputReturnCode(), rcCRLF);
    EXPECT_EQ(runner.PriorityClass(), 0x20u);
    EXPECT_EQ(runner.MirrorLines(), nullptr);
    EXPECT_EQ(runner.Timer(), nullptr);
    EXPECT_EQ(ShowWindowCommand(swSHOWMINNOACTIVE), 7);
    EXPECT_EQ(CreationFlagValue(fCREATE_NEW_CONSOLE), 0x10u);
}

TEST(ProcessRunner, CutsLinesAtCrLfCrAndLf)
{
    TProcessRunner runner;
    Recorder rec(runner);
    RunToEnd(runner, rec, R"(out "abc\r\ndef\r\n")");
    EXPECT_EQ(rec.lines, (Lines { { "abc", otEntireLine, rcCRLF }, { "def", otEntireLine, rcCRLF } }));
    EXPECT_EQ(runner.OutputReturnCode(), rcCRLF);

    // A CR LF split across two reads: one line, no empty one.
    Recorder split(runner);
    RunToEnd(runner, split, R"(out "abc\r" sleep 300 out "\ndef\n")");
    EXPECT_EQ(split.lines, (Lines { { "abc", otEntireLine, rcLF }, { "def", otEntireLine, rcLF } }));

    // A progress display rewriting one console line.
    Recorder progress(runner);
    RunToEnd(runner, progress, R"(out "50%\r60%\r")");
    EXPECT_EQ(progress.Texts(), (Texts { "50%", "60%" }));

    // Two line ends in a row make an empty line; NUL bytes vanish.
    Recorder empty(runner);
    RunToEnd(runner, empty, R"(out "a\n\nb\0c\0\n\0")");
    EXPECT_EQ(empty.lines,
        (Lines { { "a", otEntireLine, rcLF }, { "", otEntireLine, rcLF }, { "bc", otEntireLine, rcLF } }));
    EXPECT_EQ(runner.ReceivedLines().Lines(), (Texts { "a", "", "bc" }));
}

TEST(ProcessRunner, GrowingLineIsRepeatedWholeAndMirroredInOneEntry)
{
    TProcessRunner runner;
    std::vector<std::string> mirror { "earlier" };
    runner.SetMirrorLines(&mirror);
    Recorder rec(runner);
    RunToEnd(runner, rec, R"(out abc sleep 300 out "def\n" sleep 300 out "gh" sleep 300 out "i\nz\n")");
    EXPECT_EQ(rec.lines,
        (Lines { { "abc", otBeginningOfLine, rcCRLF }, { "abcdef", otEntireLine, rcLF },
            { "gh", otBeginningOfLine, rcLF }, { "ghi", otEntireLine, rcLF }, { "z", otEntireLine, rcLF } }));
    EXPECT_EQ(mirror, (Texts { "earlier", "abcdef", "ghi", "z" }));
    EXPECT_EQ(runner.ReceivedLines().Lines(), (Texts { "abc", "abcdef", "gh", "ghi", "z" }));
    EXPECT_EQ(rec.linesWhenEnded, runner.ReceivedLines().Lines());
}

TEST(ProcessRunner, UnfinishedLastLineIsDeliveredTwiceAsBeginning)
{
    TProcessRunner runner;
    Recorder rec(runner);
    RunToEnd(runner, rec, "out xyz");
    EXPECT_EQ(
        rec.lines, (Lines { { "xyz", otBeginningOfLine, rcCRLF }, { "xyz", otBeginningOfLine, rcCRLF } }));
    EXPECT_EQ(rec.ends, std::vector<uint32_t> { 0 });
    EXPECT_EQ(runner.EndStatus(), TEndStatus::Exited);
}

TEST(ProcessRunner, ExitCodesAndEndStatus)
{
    TProcessRunner runner;
    Recorder rec(runner);
    RunToEnd(runner, rec, R"(out "last words\n" exit 1)");
    EXPECT_EQ(rec.ends, std::vector<uint32_t> { 1 });
    EXPECT_EQ(rec.statusWhenEnded, TEndStatus::Exited); // final before OnTerminated
    EXPECT_EQ(runner.EndStatus(), TEndStatus::Exited);
    EXPECT_EQ(runner.ResultCode(), 1u);
    EXPECT_EQ(rec.Texts(), Texts { "last words" }); // read in the pass that saw the end

    Recorder killed(runner);
    RunToEnd(runner, killed, "signal 9");
    EXPECT_EQ(killed.ends, std::vector<uint32_t> { 137 });
    EXPECT_EQ(runner.ResultCode(), 137u);

    // Large output in one go: the buffer grows, nothing is lost; the line arrives in complete
    // pieces of the length cap.
    Recorder big(runner);
    const std::string longLine(100000, 'x'); // below the kernel's limit for one argument
    RunToEnd(runner, big, "out " + longLine + R"(\n exit 0)");
    std::string joined;
    size_t pieces = 0;
    for (const Line& line : big.lines) {
        EXPECT_LE(line.text.size(), TProcessRunner::kMaxLineLength);
        if (line.type == otEntireLine) {
            joined += line.text;
            ++pieces;
        }
    }
    EXPECT_EQ(joined, longLine);
    EXPECT_EQ(
        pieces, (longLine.size() + TProcessRunner::kMaxLineLength - 1) / TProcessRunner::kMaxLineLength);
}

TEST(ProcessRunner, EndlessLineCostsItsLengthNotItsSquare)
{
    // 3 MB without a line end, arriving over many reads.
    const size_t total = 3u << 20;
    TProcessRunner runner;
    std::vector<std::string> mirror;
    runner.SetMirrorLines(&mirror);
    Recorder rec(runner);
    RunToEnd(runner, rec, "fill " + std::to_string(total));
    size_t complete = 0, kept = 0, longest = 0;
    for (const Line& line : rec.lines) {
        longest = std::max(longest, line.text.size());
        complete += line.type == otEntireLine ? line.text.size() : 0;
    }
    for (const std::string& line : runner.ReceivedLines().Lines())
        kept += line.size();
    EXPECT_LE(longest, TProcessRunner::kMaxLineLength);
    ASSERT_FALSE(rec.lines.empty());
    EXPECT_EQ(rec.lines.back().type, otBeginningOfLine); // the rest, still without its end
    EXPECT_EQ(complete + rec.lines.back().text.size(), total);
    EXPECT_LE(kept, 2 * total); // each piece at most once whole and once begun
    EXPECT_EQ(mirror.size(), (total + TProcessRunner::kMaxLineLength - 1) / TProcessRunner::kMaxLineLength);
}

TEST(ProcessRunner, EmptyCommandLineDoesNothing)
{
    TProcessRunner runner;
    Recorder rec(runner);
    runner.Execute();
    QTest::qWait(200);
    EXPECT_TRUE(rec.ends.empty());
    EXPECT_EQ(runner.Timer(), nullptr);
}

TEST(ProcessRunner, StartFailureEndsTheRunThenReports)
{
    ReporterCapture reports;
    TProcessRunner runner;
    Recorder rec(runner);
    bool reportedBeforeEnd = false;
    std::string failureWhenEnded;
    runner.OnTerminated = [&](TProcessRunner* sender, uint32_t code) {
        reportedBeforeEnd = !reports.messages.empty();
        rec.ends.push_back(code);
        rec.statusWhenEnded = sender->EndStatus();
        failureWhenEnded = sender->FailureMessage();
    };
    runner.SetCommandLine("\"/no/such/ffmpeg\" -i \"in put.avi\" out.flv");
    runner.Execute();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !reports.messages.empty(); }, kWaitMs));
    ASSERT_EQ(rec.ends.size(), 1u);
    EXPECT_NE(rec.ends[0], 0u); // a job runner must count it as failed
    EXPECT_EQ(rec.statusWhenEnded, TEndStatus::ChildFailed);
    EXPECT_EQ(runner.ResultCode(), static_cast<uint32_t>(ENOENT));
    EXPECT_FALSE(reportedBeforeEnd);
    EXPECT_EQ(reports.messages, Texts { "\"/no/such/ffmpeg\" -i \"in put.avi\" out.flv doesn't exist." });
    EXPECT_EQ(failureWhenEnded, reports.messages[0]);
    EXPECT_TRUE(IsStartFailure(runner.EndStatus()));

    // A caller that tears the runner down in OnTerminated (a tool's last row) still gets the
    // report; the next run that starts clears the failure.
    reports.messages.clear();
    auto* doomed = new TProcessRunner;
    doomed->OnTerminated = [](TProcessRunner* sender, uint32_t) { delete sender; };
    doomed->SetCommandLine("/no/such/program");
    doomed->Execute();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !reports.messages.empty(); }, kWaitMs));
    EXPECT_EQ(reports.messages, Texts { "/no/such/program doesn't exist." });
    runner.OnTerminated = nullptr;
    runner.SetCommandLine(kChild + " exit 0");
    runner.Execute();
    EXPECT_EQ(runner.FailureMessage(), "");
}

TEST(ProcessRunner, StopKillsChildAndGrandchild)
{
    TempDir dir;
    const std::string pidFile = dir.file("gc.pid");
    TProcessRunner runner;
    Recorder rec(runner);
    runner.SetCommandLine(kChild + " out \"started\\n\" grandchild " + QuoteArgument(pidFile) + " hang");
    runner.Execute();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !rec.lines.empty(); }, kWaitMs));
    const pid_t grandchild = WaitForPidFile(pidFile);
    ASSERT_GT(grandchild, 0);
    runner.Stop();
    runner.Stop(); // a second stop has nothing to stop
    ASSERT_TRUE(rec.WaitForEnd());
    EXPECT_EQ(rec.ends, std::vector<uint32_t> { kStillActive });
    EXPECT_EQ(runner.EndStatus(), TEndStatus::Stopped);
    EXPECT_TRUE(ProcessGone(grandchild));
    QTest::qWait(100);
    EXPECT_EQ(rec.ends.size(), 1u);
}

TEST(ProcessRunner, StopInsideALineHandlerDropsTheRestOfTheRead)
{
    TProcessRunner runner;
    Recorder rec(runner);
    runner.OnNewLine = [&](TProcessRunner* sender, const std::string& text, TOutputType type) {
        rec.lines.push_back({ text, type, rcLF });
        sender->Stop();
    };
    RunToEnd(runner, rec, R"(out "one\ntwo\nthree" hang)");
    EXPECT_EQ(rec.Texts(), Texts { "one" });
    EXPECT_EQ(rec.ends, std::vector<uint32_t> { kStillActive });
    EXPECT_EQ(runner.EndStatus(), TEndStatus::Stopped);
}

TEST(ProcessRunner, TimeOutsCountTimerTicks)
{
    TProcessRunner runner;
    Recorder rec(runner);
    runner.SetMaxTimeAfterBeginning(1);
    QElapsedTimer clock;
    clock.start();
    RunToEnd(runner, rec, "hang");
    const qint64 elapsed = clock.elapsed();
    EXPECT_EQ(rec.ends, std::vector<uint32_t> { kStillActive });
    EXPECT_EQ(runner.EndStatus(), TEndStatus::TimedOut);
    EXPECT_GE(elapsed, 1900); // after the second tick

    // Output restarts the silence count; the run ends only after 2 ticks of silence.
    runner.SetMaxTimeAfterBeginning(0);
    runner.SetMaxTimeAfterLastOutput(1);
    Recorder quiet(runner);
    clock.restart();
    RunToEnd(runner, quiet, R"(out "a\n" sleep 700 out "b\n" sleep 700 out "c\n" sleep 700 out "d\n" hang)");
    EXPECT_EQ(quiet.Texts(), (Texts { "a", "b", "c", "d" }));
    EXPECT_EQ(runner.EndStatus(), TEndStatus::TimedOut);
    EXPECT_GE(clock.elapsed(), 3000); // two silent ticks after the last line at 2.1 s
}

TEST(ProcessRunner, TheTimerTicksOnlyForARunWithATimeOut)
{
    TProcessRunner runner;
    Recorder rec(runner);
    runner.SetCommandLine(kChild + R"( out "up\n" hang)");
    runner.Execute();
    // The timer would have been started before the first line was handed over.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !rec.lines.empty(); }, kWaitMs));
    ASSERT_NE(runner.Timer(), nullptr);
    EXPECT_FALSE(runner.Timer()->isActive());
    runner.Stop();
    ASSERT_TRUE(rec.WaitForEnd());

    Recorder timed(runner);
    runner.SetMaxTimeAfterLastOutput(1);
    runner.Execute();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !timed.lines.empty(); }, kWaitMs));
    EXPECT_TRUE(runner.Timer()->isActive());
    ASSERT_TRUE(timed.WaitForEnd());
    EXPECT_EQ(timed.ends, std::vector<uint32_t> { kStillActive });
    EXPECT_EQ(runner.EndStatus(), TEndStatus::TimedOut);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !runner.Timer()->isActive(); }, kWaitMs));
}

TEST(ProcessRunner, ExecuteFromOnTerminatedChainsRuns)
{
    TProcessRunner runner;
    std::vector<uint32_t> codes;
    runner.OnTerminated = [&](TProcessRunner* sender, uint32_t code) {
        codes.push_back(code);
        if (codes.size() < 3) {
            sender->SetCommandLine(kChild + " exit " + std::to_string(codes.size() + 10));
            sender->Execute();
        }
    };
    runner.SetCommandLine(kChild + " exit 10");
    runner.Execute();
    ASSERT_TRUE(QTest::qWaitFor([&] { return codes.size() == 3; }, kWaitMs));
    QTest::qWait(100);
    EXPECT_EQ(codes, (std::vector<uint32_t> { 10, 11, 12 }));
}

TEST(ProcessRunner, ExecuteWhileRunningStopsTheCurrentRunFirst)
{
    TProcessRunner runner;
    Recorder rec(runner);
    runner.SetCommandLine(kChild + " hang");
    runner.Execute();
    QTest::qWait(100);
    runner.SetCommandLine(kChild + " out \"second\\n\" exit 5");
    runner.Execute();
    ASSERT_TRUE(rec.WaitForEnd(2));
    QTest::qWait(100);
    // Both ends arrive, each once; the stopped one reports 259.
    ASSERT_EQ(rec.ends.size(), 2u);
    EXPECT_NE(std::find(rec.ends.begin(), rec.ends.end(), kStillActive), rec.ends.end());
    EXPECT_NE(std::find(rec.ends.begin(), rec.ends.end(), 5u), rec.ends.end());
    EXPECT_EQ(rec.Texts(), Texts { "second" });
}

TEST(ProcessRunner, QueuedInputIsWrittenAndEchoed)
{
    TProcessRunner runner;
    Recorder rec(runner);
    runner.SetCommandLine(kChild + " echoline echoline");
    runner.InputQueue().Add("stale\n");
    runner.Execute();
    EXPECT_EQ(runner.InputQueue().Count(), 0); // a new run starts with an empty queue
    runner.InputQueue().Add("first\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return rec.lines.size() >= 1; }, kWaitMs));
    runner.SetInputToOutput(true);
    runner.InputQueue().Add("sec");
    runner.InputQueue().Add("ond\r\n");
    ASSERT_TRUE(rec.WaitForEnd());
    EXPECT_EQ(runner.InputQueue().Count(), 0);
    // Echoes keep their terminators; the child's copy is cut into lines as usual.
    const Lines expected { { "first", otEntireLine, rcLF }, { "sec", otBeginningOfLine, rcLF },
        { "second\r\n", otEntireLine, rcLF }, { "second", otEntireLine, rcCRLF } };
    EXPECT_EQ(rec.lines, expected);
}

TEST(ProcessRunner, InputLargerThanThePipeGoesThroughInPieces)
{
    TProcessRunner runner;
    Recorder rec(runner);
    runner.SetCommandLine(kChild + " echo");
    runner.Execute();
    std::string entry;
    for (int i = 0; i < 3000; ++i)
        entry += std::to_string(i) + std::string(90, '.') + "\n";
    runner.InputQueue().Add(entry);
    runner.InputQueue().Add("tail\n");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !rec.lines.empty() && rec.lines.back().text == "tail"; }, kWaitMs));
    runner.Stop();
    ASSERT_TRUE(rec.WaitForEnd());
    std::string received;
    for (const Line& line : rec.lines)
        if (line.type == otEntireLine)
            received += line.text + "\n";
    EXPECT_EQ(received, entry + "tail\n");
}

TEST(ProcessRunner, InputTheChildNeverReadsDoesNotBlockAStop)
{
    TProcessRunner runner;
    Recorder rec(runner);
    runner.SetCommandLine(kChild + " hang");
    runner.Execute();
    const std::string block(100000, 'i');
    for (int i = 0; i < 10; ++i)
        runner.InputQueue().Add(block); // far more than a pipe holds
    QTest::qWait(300);
    runner.Stop();
    ASSERT_TRUE(rec.WaitForEnd(1, 5000));
    EXPECT_EQ(runner.EndStatus(), TEndStatus::Stopped);

    // A child that closed its input: writes fail quietly and the run goes on to its end.
    Recorder closed(runner);
    runner.SetCommandLine(kChild + " closein sleep 300 out \"done\\n\"");
    runner.Execute();
    QTest::qWait(100);
    runner.InputQueue().Add("ignored\n");
    ASSERT_TRUE(closed.WaitForEnd());
    EXPECT_EQ(closed.Texts(), Texts { "done" });
}

TEST(ProcessRunner, ChildClosingItsOutputStillEnds)
{
    TProcessRunner runner;
    Recorder rec(runner);
    RunToEnd(runner, rec, R"(out "bye\n" closeout sleep 300 exit 7)");
    EXPECT_EQ(rec.Texts(), Texts { "bye" });
    EXPECT_EQ(rec.ends, std::vector<uint32_t> { 7 });

    Recorder stopped(runner);
    runner.SetCommandLine(kChild + " closeout hang");
    runner.Execute();
    QTest::qWait(300);
    runner.Stop();
    ASSERT_TRUE(stopped.WaitForEnd());
    EXPECT_EQ(runner.EndStatus(), TEndStatus::Stopped);
}

TEST(ProcessRunner, HandlerExceptionsAreSwallowed)
{
    TProcessRunner runner;
    int calls = 0;
    uint32_t exitCode = 0;
    bool ended = false;
    runner.OnNewLine = [&](TProcessRunner*, const std::string&, TOutputType) {
        ++calls;
        throw std::runtime_error("handler failed");
    };
    runner.OnTerminated = [&](TProcessRunner*, uint32_t code) {
        exitCode = code;
        ended = true;
        throw std::runtime_error("end handler failed");
    };
    runner.SetCommandLine(kChild + R"( out "a\nb\n" exit 2)");
    runner.Execute();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ended; }, kWaitMs));
    QTest::qWait(100);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(exitCode, 2u);
}

TEST(ProcessRunner, DestructionKillsTheChildAndRaisesNothing)
{
    TempDir dir;
    const std::string pidFile = dir.file("gc.pid");
    bool ended = false;
    pid_t grandchild = -1;
    {
        TProcessRunner runner;
        runner.OnTerminated = [&](TProcessRunner*, uint32_t) { ended = true; };
        runner.SetCommandLine(kChild + " grandchild " + QuoteArgument(pidFile) + " out \"x\\n\" hang");
        runner.Execute();
        grandchild = WaitForPidFile(pidFile);
        ASSERT_GT(grandchild, 0);
    }
    EXPECT_TRUE(ProcessGone(grandchild));
    QTest::qWait(100);
    EXPECT_FALSE(ended);
}

TEST(ProcessRunner, DestructionInsideItsOwnHandlerIsSafe)
{
    TempDir dir;
    const std::string pidFile = dir.file("gc.pid");
    auto* runner = new TProcessRunner;
    int lines = 0;
    bool ended = false;
    runner->OnNewLine = [&](TProcessRunner* sender, const std::string& text, TOutputType) {
        ++lines;
        if (text == "two") {
            delete sender;
            EXPECT_EQ(text, "two"); // the line stays readable for the rest of the handler
        }
    };
    runner->OnTerminated = [&](TProcessRunner*, uint32_t) { ended = true; };
    runner->SetCommandLine(
        kChild + " grandchild " + QuoteArgument(pidFile) + R"( out "one\ntwo\nthree\n" hang)");
    runner->Execute();
    const pid_t grandchild = WaitForPidFile(pidFile);
    ASSERT_TRUE(QTest::qWaitFor([&] { return lines >= 2; }, kWaitMs));
    QTest::qWait(200);
    EXPECT_EQ(lines, 2);
    EXPECT_FALSE(ended);
    EXPECT_TRUE(ProcessGone(grandchild));
}

TEST(ProcessRunner, ManyRunsLeaveNoWorkersOrTimersBehind)
{
    TProcessRunner runner;
    Recorder rec(runner);
    for (int i = 0; i < 20; ++i) {
        runner.SetCommandLine(kChild + (i % 2 ? " exit 0" : " hang"));
        runner.Execute(); // stops the hanging one before it
    }
    runner.Stop();
    ASSERT_TRUE(rec.WaitForEnd(20));
    QTest::qWait(200);
    EXPECT_EQ(rec.ends.size(), 20u);
    ASSERT_NE(runner.Timer(), nullptr);
    EXPECT_FALSE(runner.Timer()->isActive());
}
