#pragma once
// A profile's arguments fitted to the source they convert. Fitting only ever keeps what the
// source has (it never adds what the source lacks), and leaves the arguments as written when the
// source is unknown or needs nothing.
#include "engine/sourceProbe.h"

#include <string>

// - An interlaced source gets a deinterlacer (bwdif, one frame per frame) at the head of the video
//   filters of every profile that encodes video; progressive sources and profiles that copy the
//   video or drop it are left alone, and so is a profile with a -filter_complex graph.
// - An MP4 output (ext mp4, m4v, m4a) that copies audio cannot hold PCM: those audio streams are
//   encoded losslessly to ALAC instead, the others still copied.
std::string FitToSource(const std::string& params, const std::string& ext, const TSourceInfo& source);

// True when the arguments re-encode video (no -vn, no video copy).
bool EncodesVideo(const std::string& params);
