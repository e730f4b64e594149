#pragma once
// Encoding choices made for one run that override the profile's: a quality or a video bit rate,
// a target size (two passes), a trimmed stretch, the audio and subtitle tracks by language,
// subtitles burnt into the picture, a size limit and automatic cropping. They are applied to a
// profile's arguments after those were fitted to the source (FitToSource).
#include "engine/sourceProbe.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct TEncodingOverrides {
    // 0 (smallest file) to 100 (best picture), spread evenly over the encoder's own scale: the
    // CRF of libx264/libx265 (51..0), libvpx-vp9/libsvtav1 (63..0), mpeg4's -q:v (31..1); for
    // audio-only profiles the bit rate of aac and libmp3lame (64..320 kbit/s) or libopus (32..256).
    std::optional<int> quality;
    std::optional<int64_t> videoBitrate; // bit/s
    std::optional<double> sizeMiB; // target output size in MiB (1024 * 1024 bytes): two passes
    std::vector<std::string> audioLanguages; // ISO 639-2 codes in lower case; empty: every track
    std::vector<std::string> subtitleLanguages;
    bool burnSubtitles = false; // the first (matching) subtitle track drawn into the picture
    std::optional<double> start; // seconds into the source
    std::optional<double> end;
    std::optional<int> maxHeight; // bound of the shorter side (the height, a portrait's width)
    bool autoCrop = false; // black bars found by cropdetect are cut off

    bool Empty() const;
    bool TwoPass() const { return sizeMiB.has_value(); }
};

// One entry's arguments with the overrides applied.
struct TOverriddenArguments {
    std::string params; // for the one run, or the second pass
    std::string firstPass; // the first pass's arguments (its output is the null muxer); empty: one run
    std::optional<double> expectedSeconds; // the output's length when trimmed and the source's is known
    std::string problem; // why they cannot apply to this source; everything above is then unset
};

// Why the overrides cannot apply to a profile with these arguments whatever the source ("--quality
// does not fit this profile: it copies the video ..."); empty when they may.
std::string OverridesProblem(const std::string& params, const TEncodingOverrides& overrides);

// sourcePath is absolute (burnt text subtitles are read from it); crop is DetectCrop's "w:h:x:y"
// (empty: none); passLogPrefix the path prefix of the two-pass statistics files, in a folder of
// the run's own.
TOverriddenArguments ApplyOverrides(const std::string& params, const std::string& sourcePath,
    const TSourceInfo& source, const TEncodingOverrides& overrides, const std::string& crop,
    const std::string& passLogPrefix);

// The picture inside the black bars of the source's first video stream as "w:h:x:y", found by
// running the converter's cropdetect over three seconds from a quarter of the way in; empty when
// nothing is to be cut. Sets problem (and returns empty) when it cannot tell, also once *cancel is
// true.
std::string DetectCrop(const std::string& converter, const std::string& source, const TSourceInfo& info,
    std::string& problem, const std::atomic<bool>* cancel = nullptr);

// Three-letter ISO 639-2 code in its terminology form ("ger" -> "deu"), lower case.
std::string NormalLanguage(const std::string& code);
