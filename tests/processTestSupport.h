#pragma once
// Shared by the process and runner tests: the child program and process checks.
#include "platform/process.h"

#include <chrono>
#include <csignal>
#include <fstream>
#include <string>
#include <sys/types.h>
#include <thread>

// The test child program, quoted for a command line.
inline const std::string kChild = platform::QuoteArgument(VIDMORPH_HELPER_DIR "/vmchild");

// The pid a child's grandchild wrote, or -1 after timeoutMs.
inline pid_t WaitForPidFile(const std::string& path, int timeoutMs = 5000)
{
    for (int waited = 0; waited <= timeoutMs; waited += 5) {
        std::ifstream in(path);
        long pid = 0;
        if (in >> pid && pid > 0)
            return static_cast<pid_t>(pid);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return -1;
}

// True once pid no longer runs (gone, or a zombie waiting for whoever adopted it).
inline bool ProcessGone(pid_t pid, int timeoutMs = 5000)
{
    for (int waited = 0;; waited += 5) {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string text;
        if (!std::getline(stat, text))
            return true;
        const size_t close = text.rfind(')');
        if (close != std::string::npos && close + 2 < text.size() && text[close + 2] == 'Z')
            return true;
        if (waited >= timeoutMs)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}
