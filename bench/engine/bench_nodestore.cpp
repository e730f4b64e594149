// The file list's node store: appending rows one bracket each (as adding files and importing a
// list do), walking them, and the memory per row. Prints figures against the targets.
#include "bench/benchSupport.h"
#include "engine/fileList.h"

#include <QString>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>

namespace {

} // namespace

int main()
{
    constexpr int kRows = 100000;
    const QString empty;
    double best[2] = { 1e9, 1e9 };
    double bytesPerRow = 0;
    for (int run = 0; run < 5; ++run) {
        const long before = StatusKb("VmRSS:");
        auto* list = new TFileList;
        double t0 = CpuSeconds();
        for (int i = 0; i < kRows; ++i)
            AppendFileRow(*list, empty, i % 14, empty); // strings left empty: measured without them
        double t1 = CpuSeconds();
        long long sum = 0;
        for (PVirtualNode n = list->GetFirst(); n; n = list->GetNext(n))
            sum += TFileList::GetNodeData(n)->ItemData.ProfileIndex + TFileList::AbsoluteIndex(n);
        double t2 = CpuSeconds();
        if (run == 0)
            bytesPerRow = (StatusKb("VmRSS:") - before) * 1024.0 / kRows;
        delete list;
        best[0] = std::min(best[0], t1 - t0);
        best[1] = std::min(best[1], t2 - t1);
        if (sum == 42)
            std::printf("impossible\n");
    }
    std::printf("Node store, %d rows (best of 5, CPU time)\n", kRows);
    std::printf("  append, one update bracket each  %7.2f ms  (target <= 100)\n", best[0] * 1e3);
    std::printf("  walk first to last               %7.3f ms  (target <= 5)\n", best[1] * 1e3);
    std::printf("  memory per row beyond strings    %7.0f bytes (target <= 300)\n", bytesPerRow);
    return 0;
}
