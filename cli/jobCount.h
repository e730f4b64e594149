#pragma once
// -j auto: how many conversions at once suit this machine and these profiles.
//
// The rule: an encoder of video (x264, x265, VP9, SVT-AV1, ...) spreads one conversion over all
// cores, so a second conversion only competes with it; one job per kCoresPerVideoJob cores (at
// least one) leaves each encoder enough threads. Profiles that copy streams or make audio only
// keep about one core busy each, or wait for the disk: one job per core. A list that mixes them
// follows its heaviest profile, so it never oversubscribes.
#include "engine/fileList.h"
#include "formats/profileList.h"

#include <vector>

constexpr int kCoresPerVideoJob = 8;

// The cores this process may run on (its CPU affinity, which schedulers such as Slurm narrow to
// the task's share), else the machine's; at least 1.
int UsableCores();

// The job count for cores usable cores; at most 64 (the most -j takes).
int AutoJobCount(int cores, bool encodesVideo);

// True when any of the rows' profiles re-encodes video.
bool AnyEncodesVideo(const std::vector<PVirtualNode>& rows, const TProfileList& profiles);
