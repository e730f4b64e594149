#include "engine/profileFit.h"

#include "engine/colourFit.h"
#include "engine/profileArguments.h"
#include "platform/process.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

constexpr const char* kDeinterlacer = "bwdif=mode=send_frame";

std::string Deinterlaced(const std::string& params)
{
    TArguments arguments = platform::SplitCommandLine(params);
    if (HasArgument(arguments, "-filter_complex"))
        return params;
    for (size_t i = 0; i + 1 < arguments.size(); ++i)
        if (IsOneOf(arguments[i], { "-vf", "-filter:v", "-filter:v:0" })) {
            arguments[i + 1] = std::string(kDeinterlacer) + "," + arguments[i + 1];
            return platform::JoinCommandLine(arguments);
        }
    // No video filter yet: all these are output options, so the order does not matter.
    arguments.insert(arguments.end(), { "-vf", kDeinterlacer });
    return platform::JoinCommandLine(arguments);
}

// True when the arguments copy the audio streams (-c copy or -c:a copy, not overridden).
bool CopiesAudio(const TArguments& arguments)
{
    return AudioEncoder(arguments) == "copy" && !HasArgument(arguments, "-an");
}

// "-c:a:N alac" for each audio stream N (counted among the source's audio streams, as -map 0:a
// orders them) that holds PCM.
std::string PcmAsAlac(const std::string& params, const TSourceInfo& source)
{
    TArguments arguments = platform::SplitCommandLine(params);
    if (!CopiesAudio(arguments))
        return params;
    int audio = 0;
    bool changed = false;
    for (const TSourceStream& stream : source.streams) {
        if (stream.type != "audio")
            continue;
        if (stream.codec.rfind("pcm_", 0) == 0) {
            arguments.insert(arguments.end(), { "-c:a:" + std::to_string(audio), "alac" });
            changed = true;
        }
        ++audio;
    }
    return changed ? platform::JoinCommandLine(arguments) : params;
}


bool IsMatroska(const std::string& ext)
{
    return ext == "mkv" || ext == "mka";
}

bool IsMp4Family(const std::string& ext)
{
    return ext == "mp4" || ext == "m4v" || ext == "m4a";
}

constexpr int kKbitsPerSurroundChannel = 64; // AAC and Opus: transparent 5.1 at 384 kbit/s
constexpr const char* kNamedLayouts = "aformat=channel_layouts=7.1|6.1|5.1|5.0|quad|3.0|stereo|mono";

// Audio encoded with AAC or Opus, fitted to each source track:
// - AC-3 and E-AC-3 are copied into MP4 and Matroska, where re-encoding would only lose quality;
// - a track of more than two channels gets kKbitsPerSurroundChannel per channel when the profile's
//   rate is lower, and (AAC) a named layout, which keeps "5.1" instead of an unknown layout.
// A profile that sets the channel count (-ac) or copies audio is left alone. With copied tracks,
// the profile's audio filter moves onto the encoded tracks, since ffmpeg refuses to filter a copy.
std::string SurroundAudio(const std::string& params, const std::string& ext, const TSourceInfo& source)
{
    TArguments arguments = platform::SplitCommandLine(params);
    const std::string codec = AudioEncoder(arguments);
    if ((codec != "aac" && codec != "libopus") || HasArgument(arguments, "-an") || HasArgument(arguments, "-ac")
        || !(IsMp4Family(ext) || IsMatroska(ext) || ext == "webm" || ext == "opus"))
        return params;
    const bool mayCopy = ext == "mp4" || ext == "m4v" || IsMatroska(ext);
    const int64_t profileRate = ParseBitrate(LastValue(arguments, { "-b:a", "-ab" })).value_or(0);
    std::vector<bool> copied;
    TArguments added;
    bool surround = false;
    for (const TSourceStream& stream : source.streams) {
        if (stream.type != "audio")
            continue;
        const std::string index = std::to_string(copied.size());
        copied.push_back(mayCopy && (stream.codec == "ac3" || stream.codec == "eac3"));
        if (copied.back()) {
            added.insert(added.end(), { "-c:a:" + index, "copy" });
        } else if (stream.channels > 2) {
            surround = true;
            const int kbits = kKbitsPerSurroundChannel * stream.channels;
            if (kbits * 1000LL > profileRate)
                added.insert(added.end(), { "-b:a:" + index, std::to_string(kbits) + "k" });
        }
    }
    if (added.empty() && !(surround && codec == "aac"))
        return params;
    std::string filter = LastValue(arguments, { "-af", "-filter:a" });
    arguments = Without(arguments, { "-af", "-filter:a" });
    if (filter.empty() && surround && codec == "aac")
        filter = kNamedLayouts;
    const bool anyCopied = std::find(copied.begin(), copied.end(), true) != copied.end();
    for (size_t i = 0; i < copied.size() && !filter.empty(); ++i)
        if (!copied[i] && anyCopied)
            added.insert(added.end(), { "-filter:a:" + std::to_string(i), filter });
    if (!filter.empty() && !anyCopied)
        added.insert(added.end(), { "-af", filter });
    arguments.insert(arguments.end(), added.begin(), added.end());
    return platform::JoinCommandLine(arguments);
}

// True when the arguments map the source's subtitle streams (all streams, or 0:s).
bool MapsSubtitles(const TArguments& arguments)
{
    if (HasArgument(arguments, "-sn"))
        return false;
    for (size_t i = 0; i + 1 < arguments.size(); ++i)
        if (arguments[i] == "-map" && (arguments[i + 1] == "0" || arguments[i + 1].rfind("0:s", 0) == 0))
            return true;
    return false;
}

// Subtitles fitted to what the output takes, stream by stream, where ffmpeg could only drop them
// all (after a failed run) or fail:
// - picture subtitles (PGS, DVD, DVB) cannot become text: Matroska copies them, other containers
//   leave them out, with a note;
// - a Matroska copy turns MP4's text subtitles (mov_text), which Matroska cannot hold, into SRT.
std::string FittedSubtitles(
    const std::string& params, const std::string& ext, const TSourceInfo& source, std::vector<std::string>& notes)
{
    TArguments arguments = platform::SplitCommandLine(params);
    if (!MapsSubtitles(arguments))
        return params;
    const std::string codec = LastValue(arguments, { "-c", "-codec", "-c:s", "-codec:s", "-scodec" });
    TArguments added;
    int input = 0, output = 0; // the stream's place among the source's and among the output's subtitles
    for (const TSourceStream& stream : source.streams) {
        if (stream.type != "subtitle")
            continue;
        const std::string out = std::to_string(output);
        if (IsTextSubtitle(codec) && IsBitmapSubtitle(stream.codec)) {
            if (IsMatroska(ext)) {
                added.insert(added.end(), { "-c:s:" + out, "copy" });
            } else {
                added.insert(added.end(), { "-map", "-0:s:" + std::to_string(input) });
                notes.push_back("subtitle " + std::to_string(input + 1) + " (" + stream.codec
                    + ") is left out: it is a picture subtitle, and this format holds only text subtitles");
                --output;
            }
        } else if (codec == "copy" && IsMatroska(ext) && stream.codec == "mov_text") {
            added.insert(added.end(), { "-c:s:" + out, "srt" });
        }
        ++input;
        ++output;
    }
    if (added.empty())
        return params;
    arguments.insert(arguments.end(), added.begin(), added.end());
    return platform::JoinCommandLine(arguments);
}

// A copied video whose frames the player must turn (a phone's portrait clip) keeps its rotation
// in MP4 and MOV. Matroska and the others cannot store it: rather than a sideways copy, that
// video is encoded upright (ffmpeg turns decoded frames by the display matrix), with a note.
std::string UprightVideo(
    const std::string& params, const std::string& ext, const TSourceInfo& source, std::vector<std::string>& notes)
{
    const TSourceStream* video = source.MainVideo();
    if (!video || video->rotation == 0 || EncodesVideo(params) || ext == "mp4" || ext == "m4v" || ext == "mov")
        return params;
    TArguments arguments = platform::SplitCommandLine(params);
    if (HasArgument(arguments, "-vn"))
        return params;
    int index = 0; // among the source's video streams, as "-map 0" orders them
    for (const TSourceStream& stream : source.streams) {
        if (&stream == video)
            break;
        index += stream.type == "video" ? 1 : 0;
    }
    const std::string v = ":v:" + std::to_string(index);
    arguments.insert(arguments.end(),
        { "-c" + v, "libx264", "-preset" + v, "medium", "-crf" + v, "18", "-pix_fmt" + v, "yuv420p" });
    notes.push_back("the video is encoded upright (H.264, CRF 18) instead of copied: it is shown turned by "
        + std::to_string(video->rotation) + " degrees, and this format cannot store that");
    return platform::JoinCommandLine(arguments);
}

} // namespace

bool EncodesVideo(const std::string& params)
{
    const TArguments arguments = platform::SplitCommandLine(params);
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "-vn")
            return false;
        const bool videoCodec = SetsEveryCodec(arguments[i]) || SetsVideoCodec(arguments[i]);
        if (videoCodec && i + 1 < arguments.size() && arguments[i + 1] == "copy")
            return false;
    }
    return true;
}

std::string FitToSource(
    const std::string& params, const std::string& ext, const TSourceInfo& source, std::vector<std::string>* notes)
{
    std::vector<std::string> said;
    std::string fitted = source.Interlaced() && EncodesVideo(params) ? Deinterlaced(params) : params;
    fitted = FitColour(fitted, ext, source); // after the deinterlacer: HDR tone-mapped or kept
    fitted = UprightVideo(fitted, ext, source, said);
    if (IsMp4Family(ext))
        fitted = PcmAsAlac(fitted, source);
    fitted = SurroundAudio(fitted, ext, source);
    fitted = FittedSubtitles(fitted, ext, source, said);
    if (notes)
        notes->insert(notes->end(), said.begin(), said.end());
    return fitted;
}
