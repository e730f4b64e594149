#pragma once
// A profile's arguments fitted to an HDR source (transfer PQ, smpte2084, or HLG, arib-std-b67).
// An SDR source, an unread one, and profiles that copy or drop the video keep the arguments as
// written; so does a profile with a -filter_complex graph.
#include "engine/sourceProbe.h"

#include <string>

// - A profile that encodes video at 10 bits or more (its -pix_fmt) keeps HDR: the source's colour
//   tags are set on the output; libx265 also gets them in -x265-params, with the source's HDR10
//   metadata (master-display, max-cll) when it has any, so that they reach the bitstream.
// - A profile that encodes 8-bit video (an 8-bit -pix_fmt, a GIF, or an encoder that has no other
//   depth) tone-maps to BT.709 SDR at the head of its video filters, after a deinterlacer, and tags
//   the output BT.709. One that leaves the depth to the encoder is left alone: the encoder follows
//   the source's depth.
// params may already be fitted otherwise (a deinterlacer at the head of -vf).
std::string FitColour(const std::string& params, const std::string& ext, const TSourceInfo& source);

// The source is tagged PQ or HLG.
bool IsHdr(const TSourceColour& colour);
