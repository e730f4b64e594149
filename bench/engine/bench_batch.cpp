// Overhead of vidmorph-batch over running the same converter command lines from a plain shell
// loop: 30 conversions of a tiny clip each way, timed in one run. Prints the ratio (target <= 1.05).
#include "bench/benchSupport.h"
#include "engine/entryPlan.h"
#include "engine/jobRunner.h"
#include "formats/profileList.h"
#include "platform/fileSystem.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

constexpr int kFiles = 30;
constexpr int kProfile = 7; // AVI (MPEG-4, MP3): quick to encode, so the overhead shows

} // namespace

int main()
{
    const std::string app = VIDMORPH_APP_DIR "/";
    TProfileList profiles(app + "command");
    if (!profiles.IsProfile(kProfile)) {
        std::fprintf(stderr, "no profile %d in %scommand\n", kProfile, app.c_str());
        return 1;
    }
    char folder[] = "/tmp/vidmorph-bench-batch-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    const std::string dir = folder;
    std::system(("ffmpeg -nostdin -v error -f lavfi -i testsrc=duration=0.5:size=96x64:rate=25 -f lavfi "
                 "-i sine=duration=0.5 -pix_fmt yuv420p -shortest "
        + dir + "/clip.mp4")
                    .c_str());
    std::string files, loop;
    for (int i = 0; i < kFiles; ++i) {
        const std::string name = dir + "/clip" + std::to_string(i) + ".mp4";
        std::system(("cp " + dir + "/clip.mp4 " + name).c_str());
        files += " " + name;
        // The very command line the tool gives the converter (plain paths, so valid shell too).
        loop += ConverterCommandLine(app + "ffmpeg", name, profiles.GetParams(kProfile),
                    dir + "/shell/clip" + std::to_string(i) + "." + profiles.GetExt(kProfile))
            + " </dev/null >/dev/null 2>&1\n";
    }
    std::ofstream(dir + "/loop.sh") << "mkdir -p " << dir << "/shell\n" << loop;
    const std::string tool = app + "vidmorph-batch --profile " + std::to_string(kProfile) + " --output " + dir
        + "/tool" + files + " >/dev/null";

    CommandSeconds("sh " + dir + "/loop.sh"); // warm the caches once
    std::system(("rm -rf " + dir + "/shell").c_str());
    double shell = 1e9, batch = 1e9;
    for (int round = 0; round < 3; ++round) { // alternate, keep the best of each
        shell = std::min(shell, CommandSeconds("sh " + dir + "/loop.sh"));
        batch = std::min(batch, CommandSeconds(tool));
        std::system(("rm -rf " + dir + "/shell " + dir + "/tool").c_str());
    }
    std::printf("%d conversions (profile %d): shell loop %.3f s, vidmorph-batch %.3f s\n", kFiles, kProfile,
        shell, batch);
    std::printf("  ratio batch/shell %.3f  (target <= 1.05)\n", batch / shell);
    std::system(("rm -rf " + dir).c_str());
    return 0;
}
