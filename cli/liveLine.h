#pragma once
// The position within the current file, read from the converter's own lines: its input's
// "Duration: HH:MM:SS.ss" and the "time=HH:MM:SS.ss ... speed=N.Nx" of its statistics lines.
#include <string>

struct TFileProgress {
    double duration = -1; // seconds; -1 while unknown
    double position = -1; // seconds converted; -1 before the first statistics line
    double speed = 0; // times real time; 0 while unknown

    void Reset() { *this = TFileProgress {}; }
    // Takes in one converter line; returns true when it was a statistics line (those are not
    // worth keeping among a failure's last lines).
    bool Read(const std::string& line);
    // "45% at 2.10x, 00:00:12 left", or what of it is known; empty before the first statistics line.
    std::string Describe() const;
};

// "HH:MM:SS", rounded to the nearest second.
std::string ClockText(double seconds);
