#pragma once
// What a source holds, read once by ffprobe before its entry is planned, so the plan can fit the
// profile's arguments to it. A source ffprobe cannot read gives an empty TSourceInfo: the profile's
// arguments are then used as written.
#include <optional>
#include <string>
#include <vector>

struct TSourceStream {
    std::string type; // "video", "audio", "subtitle", "data", "attachment"
    std::string codec;
    int channels = 0; // audio
    std::string fieldOrder; // video: "progressive", "tt", "bb", "tb", "bt", or empty when unknown
    bool attachedPicture = false; // a cover image, not the film
    int rotation = 0; // video: degrees the player turns the frames (display matrix), 0 when upright
    std::string channelLayout; // audio: "stereo", "5.1(side)", ...; empty or "unknown" when not named
    int width = 0, height = 0; // video: stored frame size (before rotation)
};

struct TSourceInfo {
    bool ran = false; // ffprobe started and ended in time
    bool read = false; // it read the file
    std::string error; // ffprobe's own words when it ran but could not read the file
    std::optional<double> seconds;
    std::vector<TSourceStream> streams;

    // The first video stream that is not a cover image is interlaced (field order tt, bb, tb, bt).
    bool Interlaced() const;
    // The first video stream that is not a cover image, or null.
    const TSourceStream* MainVideo() const;
};

// ffprobe from the converter's package: beside the converter (or beside the file a link named
// converter points to), else the first one on PATH; empty when there is none.
std::string ProbePath(const std::string& converter);

// One ffprobe run (JSON output) on a local file, a source or a finished output; probe is
// ProbePath()'s answer (empty: nothing is read). Waits at most timeoutMs.
TSourceInfo ProbeSource(const std::string& probe, const std::string& file, int timeoutMs = 30000);
// The same from ffprobe's JSON text (tests, and files probed elsewhere).
TSourceInfo ParseProbeJson(const std::string& json);
