#include "engine/profileFit.h"

#include "engine/colourFit.h"
#include "platform/process.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

namespace {

constexpr const char* kDeinterlacer = "bwdif=mode=send_frame";

using TArguments = std::vector<std::string>;

bool IsOneOf(const std::string& argument, std::initializer_list<const char*> options)
{
    return std::any_of(options.begin(), options.end(), [&](const char* o) { return argument == o; });
}

// The arguments as one string again. Anything beyond plain option text (a filter graph with its
// brackets, stars and bars) goes in quotes, escaped, as profile files write it.
std::string Joined(const TArguments& arguments)
{
    const auto plainChar = [](unsigned char c) { return std::isalnum(c) || std::strchr("-_.:/=+,?", c); };
    std::string text;
    for (const std::string& argument : arguments) {
        const bool plain = !argument.empty() && std::all_of(argument.begin(), argument.end(), plainChar);
        text += (text.empty() ? "" : " ") + (plain ? argument : platform::QuoteArgument(argument));
    }
    return text;
}

std::string Deinterlaced(const std::string& params)
{
    TArguments arguments = platform::SplitCommandLine(params);
    if (std::find(arguments.begin(), arguments.end(), "-filter_complex") != arguments.end())
        return params;
    for (size_t i = 0; i + 1 < arguments.size(); ++i)
        if (IsOneOf(arguments[i], { "-vf", "-filter:v", "-filter:v:0" })) {
            arguments[i + 1] = std::string(kDeinterlacer) + "," + arguments[i + 1];
            return Joined(arguments);
        }
    // No video filter yet: all these are output options, so the order does not matter.
    arguments.insert(arguments.end(), { "-vf", kDeinterlacer });
    return Joined(arguments);
}

// True when the arguments copy the audio streams (-c copy or -c:a copy, not overridden).
bool CopiesAudio(const TArguments& arguments)
{
    bool copies = false;
    for (size_t i = 0; i + 1 < arguments.size(); ++i) {
        if (IsOneOf(arguments[i], { "-c", "-codec" }))
            copies = arguments[i + 1] == "copy";
        else if (IsOneOf(arguments[i], { "-c:a", "-codec:a", "-acodec" }))
            copies = arguments[i + 1] == "copy";
    }
    return copies && std::find(arguments.begin(), arguments.end(), "-an") == arguments.end();
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
    return changed ? Joined(arguments) : params;
}

} // namespace

bool EncodesVideo(const std::string& params)
{
    const TArguments arguments = platform::SplitCommandLine(params);
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "-vn")
            return false;
        const bool videoCodec = IsOneOf(arguments[i], { "-c", "-codec", "-c:v", "-codec:v", "-vcodec", "-c:V" });
        if (videoCodec && i + 1 < arguments.size() && arguments[i + 1] == "copy")
            return false;
    }
    return true;
}

std::string FitToSource(const std::string& params, const std::string& ext, const TSourceInfo& source)
{
    std::string fitted = source.Interlaced() && EncodesVideo(params) ? Deinterlaced(params) : params;
    fitted = FitColour(fitted, ext, source); // after the deinterlacer: HDR tone-mapped or kept
    if (ext == "mp4" || ext == "m4v" || ext == "m4a")
        fitted = PcmAsAlac(fitted, source);
    return fitted;
}
