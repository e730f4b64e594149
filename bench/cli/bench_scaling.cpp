// vidmorph-batch -j on real conversions: 8 entries of each profile kind (x264 720p, audio
// extraction to MP3, MP4 remux) with 1 job, 2 jobs and -j auto, best of 2 rounds each, through the
// real ffmpeg on clips made here. Prints the wall-clock times, the ratios to 1 job, and the cores
// kept busy (CPU time of the tool and its converters over wall-clock time): a kind whose 1 job
// already keeps every core busy cannot gain from more jobs, whatever a loaded machine shows.
#include "bench/benchSupport.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <thread>

namespace {

constexpr int kFiles = 8;
constexpr int kRounds = 2;

struct TKind {
    const char* name;
    int profile;
    const char* clip; // the folder of sources it converts
};

// -j auto's choice for a profile, as the tool says it with -v.
std::string AutoChoice(const std::string& tool, int profile, const std::string& source)
{
    std::string said;
    const std::string command = tool + " -v --dry-run -j auto --profile " + std::to_string(profile) + " "
        + source + " 2>&1 >/dev/null";
    if (FILE* p = popen(command.c_str(), "r")) {
        std::array<char, 512> line {};
        while (fgets(line.data(), line.size(), p))
            if (std::string(line.data()).find("-j auto") != std::string::npos)
                said = line.data();
        pclose(p);
    }
    const size_t at = said.find("-j auto: ");
    return at == std::string::npos ? "?" : said.substr(at + 9, said.find(" (", at) - at - 9);
}

void MakeClips(const std::string& folder, const std::string& lavfi)
{
    std::system(("mkdir -p " + folder).c_str());
    std::system(("ffmpeg -nostdin -v error " + lavfi + " " + folder + "/clip0.mp4").c_str());
    for (int i = 1; i < kFiles; ++i)
        std::system(("cp " + folder + "/clip0.mp4 " + folder + "/clip" + std::to_string(i) + ".mp4").c_str());
}

// The 1-minute load average: other work on the machine skews wall-clock ratios (more jobs take a
// larger share of a busy machine).
std::string LoadAverage()
{
    std::string load;
    std::ifstream("/proc/loadavg") >> load;
    return load;
}

// CPU seconds of the finished children (and their children) so far.
double ChildrenCpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct TTimes {
    double wall = 1e9;
    double cpu = 0; // of the run whose wall-clock time is kept
};

} // namespace

int main()
{
    char folder[] = "/tmp/vidmorph-bench-scaling-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    const std::string dir = folder;
    const std::string tool = VIDMORPH_APP_DIR "/vidmorph-batch";
    // 2 s of 720p with grain (x264 has real work) and sound; 60 s of small video and sound for the
    // audio and remux profiles, where the work per entry is short and the start of ffmpeg counts.
    MakeClips(dir + "/hd",
        "-f lavfi -i testsrc2=duration=1:size=1280x720:rate=25,noise=alls=12:allf=t "
        "-f lavfi -i sine=duration=1 -c:v libx264 -preset veryfast -pix_fmt yuv420p -shortest");
    MakeClips(dir + "/long",
        "-f lavfi -i testsrc2=duration=60:size=320x180:rate=25 -f lavfi -i sine=duration=60 "
        "-c:v libx264 -preset veryfast -pix_fmt yuv420p -shortest");
    const TKind kinds[] = { { "x264 720p (profile 2)", 2, "hd" }, { "audio to MP3 (profile 9)", 9, "long" },
        { "MP4 remux (profile 19)", 19, "long" } };

    std::printf("%u cores (the machine may be shared with other work); %d entries per kind, best of %d\n",
        std::thread::hardware_concurrency(), kFiles, kRounds);
    for (const TKind& kind : kinds) {
        const std::string run = tool + " -q --profile " + std::to_string(kind.profile) + " --output " + dir
            + "/out " + dir + "/" + kind.clip + " -j ";
        std::array<TTimes, 3> best;
        const std::array<const char*, 3> jobs { "1", "2", "auto" };
        for (int round = 0; round < kRounds; ++round)
            for (size_t j = 0; j < jobs.size(); ++j) {
                const double cpu0 = ChildrenCpuSeconds();
                const double wall = CommandSeconds(run + jobs[j]);
                const double cpu = ChildrenCpuSeconds() - cpu0;
                if (wall < best[j].wall)
                    best[j] = { wall, cpu };
                std::system(("rm -rf " + dir + "/out").c_str());
            }
        const std::string autoJobs = AutoChoice(tool, kind.profile, dir + "/" + kind.clip + "/clip0.mp4");
        std::printf("%s (load %s)\n", kind.name, LoadAverage().c_str());
        for (size_t j = 0; j < jobs.size(); ++j)
            std::printf("  -j %-4s %-9s %7.2f s, %5.2f cores busy, ratio to 1 job %.2f\n", jobs[j],
                j == 2 ? ("(" + autoJobs + ")").c_str() : "", best[j].wall, best[j].cpu / best[j].wall,
                best[j].wall / best[0].wall);
        std::fflush(stdout);
    }
    std::system(("rm -rf " + dir).c_str());
    return 0;
}
