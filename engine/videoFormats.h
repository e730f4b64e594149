#pragma once
// The video file extensions the program converts: lower case, with the dot.
#include <array>
#include <string_view>

// The formats the Add Files dialog offers under "All Supported Formats", in its order. The batch
// tool takes these from a folder given as input too, with a few newer containers on top.
inline constexpr std::array<std::string_view, 10> kSupportedVideoExtensions { ".mpg", ".mpeg", ".wmv", ".avi",
    ".vob", ".mov", ".mp2", ".mpv", ".mp4", ".flv" };
