// What reading a source before planning costs: one ffprobe run (the plan's probe) against the
// conversion it precedes, a 10-second 720p clip with profile 0 (H.264, AAC). Prints the probe's
// time, the conversion's and their ratio (target <= 5 %).
#include "bench/benchSupport.h"
#include "engine/entryPlan.h"
#include "engine/outputCheck.h"
#include "engine/sourceProbe.h"
#include "formats/profileList.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main()
{
    const std::string app = VIDMORPH_APP_DIR "/";
    const TProfileList profiles(app + "command");
    const std::string probe = ProbePath(app + "ffmpeg");
    if (!profiles.IsProfile(0) || probe.empty()) {
        std::fprintf(stderr, "needs the profile file in %s and ffprobe\n", app.c_str());
        return 1;
    }
    char folder[] = "/tmp/vidmorph-bench-probe-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    const std::string dir = folder, clip = dir + "/clip.mp4";
    std::system(("ffmpeg -nostdin -v error -f lavfi -i testsrc2=duration=10:size=1280x720:rate=30 -f lavfi "
                 "-i sine=duration=10 -c:v libx264 -preset veryfast -pix_fmt yuv420p -shortest " + clip)
                    .c_str());
    std::vector<double> probes;
    for (int i = 0; i < 9; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        if (!ProbeSource(probe, clip).read)
            std::fprintf(stderr, "ffprobe could not read %s\n", clip.c_str());
        probes.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    std::sort(probes.begin(), probes.end());
    const double median = probes[probes.size() / 2];
    const std::string command = ConverterCommandLine(app + "ffmpeg", clip, profiles.GetParams(0), dir + "/out.mp4");
    const double convert = CommandSeconds(command + " </dev/null >/dev/null 2>&1");
    std::printf("probe of a 10 s 720p clip: median %.3f s of 9; converting it with profile 0: %.2f s\n", median,
        convert);
    std::printf("  probe / conversion %.1f %%  (target <= 5 %%)\n", 100 * median / convert);
    std::system(("rm -rf " + dir).c_str());
    return 0;
}
