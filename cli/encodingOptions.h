#pragma once
// vidmorph-batch's options that override the profile's encoding for one run (--quality,
// --video-bitrate, --size, --audio-lang, --subtitle-lang, --burn-subtitles, --start, --end,
// --max-height, --crop): their values read and checked against each other.
#include "engine/encodingOverrides.h"

#include <QString>

#include <string>

// True when name is one of these options; takesValue then says whether it needs a value.
bool IsEncodingOption(const QString& name, bool& takesValue);

// Reads one option's value into overrides; false with error set when the value cannot serve.
bool ReadEncodingOption(
    const QString& name, const std::string& value, TEncodingOverrides& overrides, std::string& error);

// Options that contradict each other; empty when none do.
std::string EncodingCombinationProblem(const TEncodingOverrides& overrides);

// A point in time: seconds ("90", "12.5"), mm:ss or hh:mm:ss, each with an optional fraction.
std::optional<double> ParseTimePoint(const std::string& text);
