// Figures of the process runner: lines per second reaching OnNewLine on the UI thread, CPU cost
// while a silent child sleeps, stop latency, runs per second, and the memory and time an endless
// line (no line end at all) costs. Usage: bench_runner [idle seconds]
#include "engine/ProcessRunner.h"
#include "platform/process.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

namespace {

const std::string kChild = platform::QuoteArgument(VIDMORPH_HELPER_DIR "/vmchild");

double CpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs the event loop until the runner's next OnTerminated (or the limit), returning its code.
uint32_t RunToEnd(TProcessRunner& runner, int limitMs = 120000)
{
    QEventLoop loop;
    uint32_t code = kStillActive;
    runner.OnTerminated = [&](TProcessRunner*, uint32_t exitCode) {
        code = exitCode;
        loop.quit();
    };
    QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
    runner.Execute();
    loop.exec();
    return code;
}

void LineHandOff()
{
    const long count = 1000000;
    TProcessRunner runner;
    long lines = 0;
    runner.OnNewLine = [&](TProcessRunner*, const std::string&, TOutputType type) {
        if (type == otEntireLine)
            ++lines;
    };
    runner.SetCommandLine(kChild + " lines " + std::to_string(count));
    QElapsedTimer clock;
    clock.start();
    const double cpu0 = CpuSeconds();
    const uint32_t code = RunToEnd(runner);
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    std::printf("line hand-off: %ld of %ld lines in %.3f s = %.0f lines/s (exit %u, cpu %.2f s)\n", lines,
        count, seconds, static_cast<double>(lines) / seconds, code, CpuSeconds() - cpu0);
}

void IdleCost(int idleSeconds)
{
    TProcessRunner runner;
    runner.SetCommandLine(kChild + " sleep " + std::to_string(idleSeconds * 1000));
    QElapsedTimer clock;
    clock.start();
    const double cpu0 = CpuSeconds();
    RunToEnd(runner);
    const double cpu = CpuSeconds() - cpu0;
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    std::printf("idle cost: %.4f s CPU over %.2f s with a silent child = %.3f%% of a core\n", cpu, seconds,
        100.0 * cpu / seconds);
}

void StopLatency()
{
    TProcessRunner runner;
    runner.SetCommandLine(kChild + " hang");
    QEventLoop loop;
    QElapsedTimer clock;
    runner.OnTerminated = [&](TProcessRunner*, uint32_t) { loop.quit(); };
    runner.Execute();
    QTimer::singleShot(200, [&] {
        clock.start();
        runner.Stop();
    });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    std::printf(
        "stop latency: %.2f ms from Stop to OnTerminated\n", static_cast<double>(clock.nsecsElapsed()) / 1e6);
}

void RunsPerSecond()
{
    const int runs = 200;
    TProcessRunner runner;
    runner.SetCommandLine(kChild + " exit 0");
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < runs; ++i)
        RunToEnd(runner);
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    std::printf("short runs: %d in %.3f s = %.0f runs/s\n", runs, seconds, runs / seconds);
}

long PeakResidentMb()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// A child writing megabytes without a line end: the cost must grow with the length, not its square.
void EndlessLine()
{
    for (const long megabytes : { 1L, 8L, 50L }) {
        TProcessRunner runner;
        size_t delivered = 0;
        runner.OnNewLine
            = [&](TProcessRunner*, const std::string& line, TOutputType) { delivered += line.size(); };
        runner.SetCommandLine(kChild + " fill " + std::to_string(megabytes << 20));
        QElapsedTimer clock;
        clock.start();
        RunToEnd(runner);
        std::printf("endless line of %ld MB: %.3f s, %.1f MB delivered, peak resident %ld MB\n", megabytes,
            static_cast<double>(clock.nsecsElapsed()) / 1e9, static_cast<double>(delivered) / (1 << 20),
            PeakResidentMb());
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int idleSeconds = argc > 1 ? std::atoi(argv[1]) : 10;
    std::printf("peak resident before the runs: %ld MB\n", PeakResidentMb());
    EndlessLine(); // first, so that the peak is its own
    LineHandOff();
    IdleCost(idleSeconds);
    StopLatency();
    RunsPerSecond();
    return 0;
}
