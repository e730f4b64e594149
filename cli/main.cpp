// Entry point of vidmorph-batch. Ctrl-C (or SIGTERM) stops the batch as the Stop button does:
// the converters are killed, their unfinished outputs removed, and the tool exits with status 130.
#include "cli/batchTool.h"
#include "platform/fileSystem.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

int gSignalPipe[2] = { -1, -1 };

void OnSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(gSignalPipe[1], &byte, 1);
}

void WatchSignals(TBatchTool& tool, QObject* parent)
{
    if (pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, parent);
    QObject::connect(notifier, &QSocketNotifier::activated, parent, [&tool] {
        char buffer[16];
        while (read(gSignalPipe[0], buffer, sizeof buffer) > 0) { }
        tool.Stop();
    });
    struct sigaction action { };
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // From the bytes themselves: a file name that is not valid UTF-8 must reach the list intact.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(platform::FromAnsi(argv[i]));
    try {
        TProfileList profiles;
        TBatchTool tool(profiles, stdout, stderr);
        TBatchOptions options;
        if (!tool.ParseArguments(arguments, options))
            return beBadInput;
        WatchSignals(tool, &app);
        return tool.Run(options);
    } catch (const std::exception& e) { // unforeseen: one line, never an abort
        std::fprintf(stderr, "vidmorph-batch: %s\n", e.what());
        return beBadInput;
    }
}
