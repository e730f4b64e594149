#pragma once
// The live line vidmorph-batch keeps on a terminal while it converts, and what it shows of each
// file being converted.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

// The position within the current file, read from the converter's own lines: its input's
// "Duration: HH:MM:SS.ss" and the "time=HH:MM:SS.ss ... speed=N.Nx" of its statistics lines.
struct TFileProgress {
    double duration = -1; // seconds; -1 while unknown
    double position = -1; // seconds converted; -1 before the first statistics line
    double speed = 0; // times real time; 0 while unknown
    // What the run writes of the source: from `from` to `to` seconds (-1: its end), and which of
    // two passes runs (1 or 2; 0 for one run). Each pass counts as half of the file.
    double from = 0;
    double to = -1;
    int pass = 0;

    void Reset() { *this = TFileProgress {}; }
    // The run that writes the lines to come; a new pass starts without a position.
    void Covers(double fromSeconds, double toSeconds, int passNumber);
    // Takes in one converter line; returns true when it was a statistics line (those are not
    // worth keeping among a failure's last lines).
    bool Read(const std::string& line);
    // "45% at 2.10x, 00:00:12 left", or what of it is known; empty before the first statistics line.
    std::string Describe() const;
};

// "HH:MM:SS", rounded to the nearest second.
std::string ClockText(double seconds);

// "finished N of M, elapsed HH:MM:SS | movie.mp4 45% at 2.10x, 00:00:12 left | ...", redrawn in
// place at the foot of the terminal. Drawn only when wanted and out is a terminal, so pipes and
// files get the entry lines alone.
class TLiveLine {
public:
    explicit TLiveLine(std::FILE* out);

    // Starts the elapsed time; from now on the line is drawn when wanted and out is a terminal.
    void Start(bool wanted);
    bool Shown() const { return shown_; }
    // A quarter of a second has passed since the last drawing: statistics lines come faster.
    bool Due() const;
    // files: "name state" of each file being converted. Nothing while the line is not shown.
    void Draw(int finished, unsigned planned, const std::vector<std::string>& files);
    // Before anything else is printed to out.
    void Clear();

private:
    using TClock = std::chrono::steady_clock;

    std::FILE* out_;
    TClock::time_point started_;
    TClock::time_point lastDrawn_;
    bool shown_ = false;
};
