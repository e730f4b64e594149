// What reading a source before planning costs: one ffprobe run (the plan's probe) against the
// conversion it precedes, a 10-second 720p clip with profile 0 (H.264, AAC). Prints the probe's
// time, the conversion's and their ratio (target <= 5 %). The same for an HDR10 (HEVC 10-bit PQ)
// clip, whose key frame the probe decodes, with what tone-mapping it to BT.709 adds.
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
    const auto medianProbe = [&](const std::string& file) {
        std::vector<double> probes;
        for (int i = 0; i < 9; ++i) {
            const auto t0 = std::chrono::steady_clock::now();
            if (!ProbeSource(probe, file).read)
                std::fprintf(stderr, "ffprobe could not read %s\n", file.c_str());
            probes.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        }
        std::sort(probes.begin(), probes.end());
        return probes[probes.size() / 2];
    };
    const auto convertSeconds = [&](const std::string& file, const std::string& params) {
        std::remove((dir + "/out.mp4").c_str());
        return CommandSeconds(ConverterCommandLine(app + "ffmpeg", file, params, dir + "/out.mp4")
            + " </dev/null >/dev/null 2>&1");
    };
    const double median = medianProbe(clip);
    const double convert = convertSeconds(clip, profiles.GetParams(0));
    std::printf("probe of a 10 s 720p clip: median %.3f s of 9; converting it with profile 0: %.2f s\n", median,
        convert);
    std::printf("  probe / conversion %.1f %%  (target <= 5 %%)\n", 100 * median / convert);

    const std::string hdr = dir + "/hdr.mkv";
    std::system(("ffmpeg -nostdin -v error -f lavfi -i testsrc2=duration=10:size=1280x720:rate=30 -f lavfi "
                 "-i sine=duration=10 -c:v libx265 -preset ultrafast -pix_fmt yuv420p10le -x265-params "
                 "log-level=error:hdr10=1:colorprim=bt2020:transfer=smpte2084:colormatrix=bt2020nc:max-cll=1000,400 "
                 "-color_primaries bt2020 -color_trc smpte2084 -colorspace bt2020nc -shortest " + hdr)
                    .c_str());
    const TEntryPlan plan = PlanEntry({ QString::fromStdString(hdr), 0, QString() }, profiles,
        { app + "ffmpeg", dir + "/", probe, false, nullptr });
    const double hdrMedian = medianProbe(hdr);
    const double asWritten = convertSeconds(hdr, profiles.GetParams(0));
    const double toneMapped = convertSeconds(hdr, plan.params);
    std::printf("probe of a 10 s 720p HDR10 clip: median %.3f s; converting it with profile 0 as written: %.2f s,"
                " tone-mapped: %.2f s\n", hdrMedian, asWritten, toneMapped);
    std::printf("  probe / conversion %.1f %%; tone-mapping adds %.0f %%\n", 100 * hdrMedian / toneMapped,
        100 * (toneMapped / asWritten - 1));
    std::system(("rm -rf " + dir).c_str());
    return 0;
}
