#include "engine/reporter.h"

#include <cstdio>
#include <mutex>

namespace {

std::mutex reporterLock;
TErrorReporter reporter;

} // namespace

void SetErrorReporter(TErrorReporter value)
{
    std::lock_guard guard(reporterLock);
    reporter = std::move(value);
}

void ReportError(const std::string& message)
{
    TErrorReporter current;
    {
        std::lock_guard guard(reporterLock);
        current = reporter;
    }
    // Called without the lock, so a reporter may set another reporter or report again.
    if (current) {
        current(message);
        return;
    }
    std::fprintf(stderr, "%s\n", message.c_str());
    std::fflush(stderr);
}
