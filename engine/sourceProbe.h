#pragma once
// What a source holds, read once by ffprobe before its entry is planned, so the plan can fit the
// profile's arguments to it. A source ffprobe cannot read gives an empty TSourceInfo: the profile's
// arguments are then used as written.
#include <atomic>
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
    long long bitRate = 0; // bit/s as the file states it (the stream's, else Matroska's BPS tag); 0 when unknown
    std::string language {}; // the language tag as written (ISO 639: "eng", "ger"), or empty
};

// HDR10 static metadata in the units x265 takes: chromaticity in 1/50000, luminance in 1/10000 cd/m².
struct TMasteringDisplay {
    long long greenX = 0, greenY = 0, blueX = 0, blueY = 0, redX = 0, redY = 0, whiteX = 0, whiteY = 0;
    long long maxLuminance = 0, minLuminance = 0;
};

struct TContentLight {
    long long maxCll = 0, maxFall = 0; // cd/m²
};

// How the film (the first video stream that is not a cover picture) is tagged, with ffprobe's
// names ("bt2020", "smpte2084", "bt2020nc"); empty when untagged. The HDR10 metadata is read from
// the stream, else from its first key frame.
struct TSourceColour {
    std::string primaries, transfer, space;
    std::optional<TMasteringDisplay> masteringDisplay;
    std::optional<TContentLight> contentLight;
};

struct TSourceInfo {
    bool ran = false; // ffprobe started and ended in time
    bool read = false; // it read the file
    std::string error; // ffprobe's own words when it ran but could not read the file
    std::optional<double> seconds;
    std::vector<TSourceStream> streams;
    TSourceColour colour;

    // The first video stream that is not a cover image is interlaced (field order tt, bb, tb, bt).
    bool Interlaced() const;
    // The first video stream that is not a cover image, or null.
    const TSourceStream* MainVideo() const;
};

// ffprobe from the converter's package: beside the converter (or beside the file a link named
// converter points to), else the first one on PATH; empty when there is none.
std::string ProbePath(const std::string& converter);

// One ffprobe run (JSON output) on a local file, a source or a finished output; probe is
// ProbePath()'s answer (empty: nothing is read). A pipe or device is never read. Waits at most
// timeoutMs.
// Ended early, as after the time-out, once *cancel is true.
TSourceInfo ProbeSource(const std::string& probe, const std::string& file, int timeoutMs = 30000,
    const std::atomic<bool>* cancel = nullptr);
// The same from ffprobe's JSON text (tests, and files probed elsewhere).
TSourceInfo ParseProbeJson(const std::string& json);
