#include "cli/jobGroups.h"

#include "engine/entryPlan.h"

#include <map>

namespace {

using TGroups = std::vector<std::vector<unsigned>>;

TGroups OneGroup(size_t rowCount)
{
    TGroups all(1);
    for (unsigned i = 0; i < rowCount; ++i)
        all.back().push_back(i);
    return all;
}

// A group for each output key, in the order of its first entry.
TGroups GroupsByOutputKey(const std::vector<PVirtualNode>& rows, const TProfileList& profiles,
    const std::string& defaultOutputFolder)
{
    TGroups all;
    std::map<std::string, size_t> byKey;
    for (unsigned i = 0; i < rows.size(); ++i) {
        const auto [it, added] = byKey.emplace(
            OutputNameKey(TFileList::GetNodeData(rows[i])->ItemData, profiles, defaultOutputFolder),
            all.size());
        if (added)
            all.emplace_back();
        all[it->second].push_back(i);
    }
    return all;
}

} // namespace

// With one job on one machine the whole list is one group. A shard keeps every N-th group, so
// entries that could take each other's names stay on one machine.
TJobGroups PlanJobGroups(const std::vector<PVirtualNode>& rows, const TProfileList& profiles,
    const std::string& defaultOutputFolder, const TBatchOptions& options)
{
    TGroups all = options.jobs == 1 && options.shardCount == 1
        ? OneGroup(rows.size())
        : GroupsByOutputKey(rows, profiles, defaultOutputFolder);
    TJobGroups plan;
    for (size_t g = 0; g < all.size(); ++g)
        if (static_cast<int>(g % options.shardCount) == options.shardIndex) {
            plan.planned += static_cast<unsigned>(all[g].size());
            plan.groups.push_back(std::move(all[g]));
        }
    return plan;
}
