#pragma once
// A profile's arguments fitted to the source they convert. Fitting only ever keeps what the
// source has (it never adds what the source lacks), and leaves the arguments as written when the
// source is unknown or needs nothing.
#include "engine/sourceProbe.h"

#include <string>

// An interlaced source gets a deinterlacer (bwdif, one frame per frame) at the head of the video
// filters of every profile that encodes video; progressive sources and profiles that copy the
// video or drop it are left alone. A profile with a -filter_complex graph is left alone too.
std::string FitToSource(const std::string& params, const TSourceInfo& source);

// True when the arguments re-encode video (no -vn, no video copy).
bool EncodesVideo(const std::string& params);
