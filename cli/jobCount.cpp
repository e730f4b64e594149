#include "cli/jobCount.h"

#include "engine/profileFit.h"

#include <algorithm>
#include <sched.h>
#include <thread>

int UsableCores()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return CPU_COUNT(&set);
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

int AutoJobCount(int cores, bool encodesVideo)
{
    const int jobs = encodesVideo ? cores / kCoresPerVideoJob : cores;
    return std::clamp(jobs, 1, 64);
}

bool AnyEncodesVideo(const std::vector<PVirtualNode>& rows, const TProfileList& profiles)
{
    std::vector<int> seen; // profile indexes already looked at: lists often use one or two
    for (PVirtualNode row : rows) {
        const int profile = TFileList::GetNodeData(row)->ItemData.ProfileIndex;
        if (std::find(seen.begin(), seen.end(), profile) != seen.end())
            continue;
        seen.push_back(profile);
        if (EncodesVideo(profiles.GetParams(profile)))
            return true;
    }
    return false;
}
