#pragma once
// A profile's ffmpeg arguments as a list (platform::SplitCommandLine), read and edited option by
// option. The fits and the encoding overrides touch output options only, so where an added option
// goes does not matter; per-stream options ("-c:a:1") follow the general ones, and ffmpeg takes
// the most specific match.
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using TArguments = std::vector<std::string>;
using TOptionNames = std::initializer_list<std::string_view>;

bool IsOneOf(const std::string& argument, TOptionNames names);
bool HasArgument(const TArguments& arguments, std::string_view argument);

// Where the value of the last of these options is (a later one overrides an earlier one).
std::optional<size_t> LastValueAt(const TArguments& arguments, TOptionNames options);
// That value, or empty.
std::string LastValue(const TArguments& arguments, TOptionNames options);
// The option's last value replaced, else the option added.
void SetOption(TArguments& arguments, const std::string& option, const std::string& value);
// The arguments without these options and their values.
TArguments Without(const TArguments& arguments, TOptionNames options);

// Options that name a codec: for every stream (-c, -codec), for the video (-c:v, -vcodec, ...),
// for the audio (-c:a, -acodec, ...).
bool SetsEveryCodec(const std::string& option);
bool SetsVideoCodec(const std::string& option);
bool SetsAudioCodec(const std::string& option);
// The video or audio encoder the arguments name last, "copy", or empty.
std::string VideoEncoder(const TArguments& arguments);
std::string AudioEncoder(const TArguments& arguments);

// An encoder's "key=value:key=value" parameters (-x265-params, -svtav1-params) with these keys set,
// the same keys replaced and the profile's others kept. Values holding ':' or '\\' must come
// escaped (EscapedParameter).
using TParameterValues = std::vector<std::pair<std::string, std::string>>;
void MergeParameters(TArguments& arguments, const std::string& option, const TParameterValues& values);
// A value (a file name) with ':', '=' and '\\' escaped by a backslash, as those parameters take it.
std::string EscapedParameter(const std::string& value);

// Subtitle codecs (as ffprobe names them, and the text encoders) that hold text, and those that
// hold pictures: a picture subtitle can neither become text nor be drawn by the subtitles filter.
bool IsTextSubtitle(const std::string& codec);
bool IsBitmapSubtitle(const std::string& codec);

// Bits per second from ffmpeg's rate text ("2500k", "2.5M", "128000"); nothing when it is not one.
std::optional<int64_t> ParseBitrate(const std::string& text);
