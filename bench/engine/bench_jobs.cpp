// vidmorph-batch -j: 16 entries through a stand-in converter that sleeps 0.25 s and writes its
// output, with 1 job and with 2 jobs, best of 3 each. Prints the 2-jobs/1-job ratio (target <= 0.55).
#include "bench/benchSupport.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

constexpr int kFiles = 16;

} // namespace

int main()
{
    char folder[] = "/tmp/vidmorph-bench-jobs-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    const std::string dir = folder;
    // A program folder of its own: the tool, a one-profile file and the sleeping stand-in.
    std::system(
        ("mkdir -p " + dir + "/app " + dir + "/in && cp " VIDMORPH_APP_DIR "/vidmorph-batch " + dir + "/app/")
            .c_str());
    std::ofstream(dir + "/app/command") << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<profiles><profile>"
                                           "<format>stand-in</format><params>-n</params><ext>out</ext>"
                                           "</profile></profiles>\r\n";
    std::ofstream(dir + "/app/ffmpeg")
        << "#!/bin/sh\nfor a; do out=$a; done\nsleep 0.25\nprintf x > \"${out#file:}\"\n"
           // What ffmpeg says of a complete run: the source's length and the time reached.
        << "printf 'Input #0, avi, from x:\\n  Duration: 00:00:00.25, start: 0\\n"
           "size=0kB time=00:00:00.25 speed=1x\\n' >&2\n";
    std::system(("chmod +x " + dir + "/app/ffmpeg").c_str());
    for (int i = 0; i < kFiles; ++i)
        std::ofstream(dir + "/in/clip" + std::to_string(i) + ".mp4") << "x";

    double one = 1e9, two = 1e9;
    for (int round = 0; round < 3; ++round) {
        const std::string run
            = dir + "/app/vidmorph-batch -q --profile 0 --output " + dir + "/out " + dir + "/in";
        one = std::min(one, CommandSeconds(run + " -j 1"));
        std::system(("rm -rf " + dir + "/out").c_str());
        two = std::min(two, CommandSeconds(run + " -j 2"));
        std::system(("rm -rf " + dir + "/out").c_str());
    }
    std::printf(
        "%d entries through a 0.25 s stand-in converter: 1 job %.3f s, 2 jobs %.3f s\n", kFiles, one, two);
    std::printf("  ratio 2 jobs / 1 job %.3f  (target <= 0.55)\n", two / one);
    std::system(("rm -rf " + dir).c_str());
    return 0;
}
