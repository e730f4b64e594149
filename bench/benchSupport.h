#pragma once
// Measuring helpers shared by the benchmark programs.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>

// CPU time of the calling thread in seconds: other work on the machine disturbs it less than
// wall-clock time.
inline double CpuSeconds()
{
    timespec ts {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// A field of /proc/self/status in kB ("VmRSS:", "VmHWM:"), or 0.
inline long StatusKb(const char* key)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0)
            return std::stol(line.substr(std::string(key).size()));
    return 0;
}

// Wall-clock seconds a shell command takes; a failure is reported on standard error.
inline double CommandSeconds(const std::string& command)
{
    const auto t0 = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "command failed: %s\n", command.c_str());
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}
