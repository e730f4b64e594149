#include "cli/liveLine.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// Seconds from "HH:MM:SS.ss" at text[at]; -1 when it is not there ("N/A").
double ReadClock(const std::string& text, size_t at)
{
    int h = 0, m = 0;
    double s = 0;
    if (at >= text.size() || std::sscanf(text.c_str() + at, "%d:%d:%lf", &h, &m, &s) != 3)
        return -1;
    return h * 3600.0 + m * 60.0 + s;
}

int TerminalWidth(std::FILE* out)
{
    winsize size {};
    return ioctl(fileno(out), TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
}

} // namespace

std::string ClockText(double seconds)
{
    const long long t = static_cast<long long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", t / 3600, t / 60 % 60, t % 60);
    return text;
}

bool TFileProgress::Read(const std::string& line)
{
    const size_t duration = line.find("Duration: ");
    if (duration != std::string::npos && this->duration < 0) {
        this->duration = ReadClock(line, duration + 10);
        return false;
    }
    const size_t time = line.find("time=");
    if (time == std::string::npos || line.find("speed=") == std::string::npos)
        return false;
    const double at = ReadClock(line, time + 5);
    if (at >= 0)
        position = at;
    const size_t speedAt = line.find("speed=");
    speed = std::strtod(line.c_str() + speedAt + 6, nullptr);
    return true;
}

void TFileProgress::Covers(double fromSeconds, double toSeconds, int passNumber)
{
    if (passNumber != pass)
        position = -1;
    from = fromSeconds;
    to = toSeconds;
    pass = passNumber;
}

std::string TFileProgress::Describe() const
{
    if (position < 0)
        return {};
    // The output's length: the source's, or the stretch of it the run writes.
    const double length = duration > 0 ? (to > 0 ? std::min(to, duration) : duration) - from : -1;
    std::string text;
    if (length > 0) {
        const double done = std::min(1.0, position / length);
        const double whole = pass == 0 ? done : (pass - 1 + done) / 2;
        text = std::to_string(static_cast<int>(whole * 100.0)) + "%";
    } else {
        text = ClockText(position);
    }
    if (pass > 0)
        text += " (pass " + std::to_string(pass) + " of 2)";
    if (speed > 0) {
        char s[32];
        std::snprintf(s, sizeof s, " at %.2fx", speed);
        text += s;
        if (length > 0 && length > position)
            text += ", " + ClockText((length - position) / speed)
                + (pass == 1 ? " left in this pass" : " left");
    }
    return text;
}

TLiveLine::TLiveLine(std::FILE* out)
    : out_(out)
{
}

void TLiveLine::Start(bool wanted)
{
    shown_ = isatty(fileno(out_)) == 1 && wanted;
    started_ = TClock::now();
}

bool TLiveLine::Due() const
{
    return TClock::now() - lastDrawn_ >= std::chrono::milliseconds(250);
}

void TLiveLine::Draw(int finished, unsigned planned, const std::vector<std::string>& files)
{
    if (!shown_)
        return;
    const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(TClock::now() - started_).count();
    std::string line = "finished " + std::to_string(finished) + " of " + std::to_string(planned)
        + ", elapsed " + ClockText(static_cast<double>(elapsed));
    for (const std::string& file : files)
        line += " | " + file;
    const size_t width = static_cast<size_t>(std::max(20, TerminalWidth(out_) - 1));
    if (line.size() > width) // a wrapped line could not be redrawn in place
        line.resize(width);
    std::fprintf(out_, "\r\033[K%s", line.c_str());
    std::fflush(out_);
    lastDrawn_ = TClock::now();
}

void TLiveLine::Clear()
{
    if (shown_)
        std::fputs("\r\033[K", out_);
}
