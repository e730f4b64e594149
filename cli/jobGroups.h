#pragma once
// Which entries this run converts, and how they are shared among the jobs (-j) and the machines
// (--shard). Entries whose output names could collide go into one group and run one after another
// in one job, so unique names stay race-free between jobs.
#include "cli/options.h"
#include "engine/fileList.h"
#include "formats/profileList.h"

#include <string>
#include <vector>

struct TJobGroups {
    std::vector<std::vector<unsigned>> groups; // row indexes, in list order
    unsigned planned = 0; // entries in all groups (this shard)
};

// rows: every entry of the list, in list order, each naming a profile that exists.
// defaultOutputFolder: for entries without an output folder, as the job runner uses it.
TJobGroups PlanJobGroups(const std::vector<PVirtualNode>& rows, const TProfileList& profiles,
    const std::string& defaultOutputFolder, const TBatchOptions& options);
