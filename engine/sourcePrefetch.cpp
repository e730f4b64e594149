#include "engine/sourcePrefetch.h"

#include <sys/stat.h>
#include <system_error>
#include <utility>

TSourcePrefetch::~TSourcePrefetch()
{
    Cancel();
    Wait();
}

void TSourcePrefetch::Wait()
{
    if (thread_.joinable())
        thread_.join();
}

std::optional<TSourcePrefetch::TStamp> TSourcePrefetch::StampOf(const std::string& path)
{
    struct stat info { };
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return TStamp { info.st_dev, info.st_ino, info.st_size, info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec };
}

void TSourcePrefetch::Start(const std::string& probe, const std::string& source)
{
    if (thread_.joinable() && source == source_ && !cancel_)
        return; // already being read (a row planned once more reads its successor again)
    Cancel();
    Wait();
    cancel_ = false;
    source_ = source;
    info_ = {};
    stamp_ = StampOf(source);
    if (probe.empty() || !stamp_) // nothing to read, or not a regular file (a pipe is never read)
        return;
    try {
        thread_ = std::thread([this, probe, source] { info_ = ProbeSource(probe, source, 30000, &cancel_); });
    } catch (const std::system_error&) { // no thread: the planner reads the source itself
        stamp_.reset();
    }
}

std::optional<TSourceInfo> TSourcePrefetch::Take(const std::string& source)
{
    if (source != source_ || !stamp_)
        return std::nullopt;
    Wait();
    const bool usable = !cancel_ && info_.ran && StampOf(source) == stamp_;
    stamp_.reset(); // taken once
    if (!usable)
        return std::nullopt;
    return std::move(info_);
}
