#pragma once
// A profile's arguments fitted to the source they convert. Fitting only ever keeps what the
// source has (it never adds what the source lacks), and leaves the arguments as written when the
// source is unknown or needs nothing.
#include "engine/sourceProbe.h"

#include <string>
#include <vector>

// - An interlaced source gets a deinterlacer (bwdif, one frame per frame) at the head of the video
//   filters of every profile that encodes video; progressive sources and profiles that copy the
//   video or drop it are left alone, and so is a profile with a -filter_complex graph.
// - An MP4 output (ext mp4, m4v, m4a) that copies audio cannot hold PCM: those audio streams are
//   encoded losslessly to ALAC instead, the others still copied.
// - AAC and Opus profiles copy AC-3/E-AC-3 into MP4 and Matroska and give surround tracks a rate
//   by channel count and a named layout.
// - Picture subtitles are copied into Matroska or left out where only text fits; a Matroska copy
//   turns MP4 text subtitles into SRT.
// - A rotated video copied into a format that cannot store rotation is encoded upright.
// What the user should know about the output (a stream left out, a copy that re-encodes) is
// added to notes, one sentence each.
std::string FitToSource(const std::string& params, const std::string& ext, const TSourceInfo& source,
    std::vector<std::string>* notes = nullptr);

// True when the arguments re-encode video (no -vn, no video copy).
bool EncodesVideo(const std::string& params);
