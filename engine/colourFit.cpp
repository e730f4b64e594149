#include "engine/colourFit.h"

#include "engine/profileArguments.h"
#include "engine/profileFit.h"
#include "platform/process.h"

#include <algorithm>
#include <optional>
#include <regex>
#include <string_view>
#include <utility>
#include <vector>

namespace {

constexpr const char* kPq = "smpte2084";
constexpr const char* kHlg = "arib-std-b67";

std::string PixelFormat(const TArguments& arguments)
{
    return LastValue(arguments, { "-pix_fmt", "-pix_fmt:v", "-pix_fmt:v:0" });
}

// The source's tags that ffmpeg, zscale and x265 all know by the same name, else empty: names read
// from the file never reach the command line unchecked.
struct TTags {
    std::string primaries, transfer, space;
};

TTags KnownTags(const TSourceColour& colour)
{
    const auto known = [](const std::string& name, TOptionNames names) {
        return IsOneOf(name, names) ? name : std::string();
    };
    return { known(colour.primaries, { "bt709", "bt2020", "smpte431", "smpte432" }),
        known(colour.transfer, { kPq, kHlg }), known(colour.space, { "bt709", "bt2020nc", "bt2020c" }) };
}

enum class TDepth { unknown, eight, high };

bool HighDepthPixelFormat(const std::string& format)
{
    static const std::regex high(
        R"(^(yuva?4[0-4][0-4]p|gbra?p|gray|ya)(9|1[0246])|^(p0|p2|p4|y2)1[026])"
        R"(|^(x2rgb10|x2bgr10|rgb48|bgr48|rgba64|bgra64|gbra?pf32|grayf32|xv3[06]|xyz12))");
    return std::regex_search(format, high);
}

// What the output's depth will be: the profile's -pix_fmt says, else a GIF or an encoder that has
// only 8 bits; unknown when the encoder chooses.
TDepth OutputDepth(const TArguments& arguments, const std::string& ext)
{
    const std::string format = PixelFormat(arguments);
    if (!format.empty())
        return HighDepthPixelFormat(format) ? TDepth::high : TDepth::eight;
    const bool eightOnly = ext == "gif" || LastValueAt(arguments, { "-target" })
        || IsOneOf(VideoEncoder(arguments),
            { "mpeg1video", "mpeg2video", "mpeg4", "libxvid", "msmpeg4", "msmpeg4v2", "flv", "h263", "h263p",
                "mjpeg", "libtheora", "libvpx", "gif", "libwebp" });
    return eightOnly ? TDepth::eight : TDepth::unknown;
}

// libx265's parameters with these set; other encoders take none of them.
void MergeX265(TArguments& arguments, const TParameterValues& settings)
{
    if (VideoEncoder(arguments) == "libx265")
        MergeParameters(arguments, "-x265-params", settings);
}

// x265's master-display: G(x,y)B(x,y)R(x,y)WP(x,y)L(max,min).
std::string MasterDisplay(const TMasteringDisplay& d)
{
    const auto pair
        = [](long long a, long long b) { return "(" + std::to_string(a) + "," + std::to_string(b) + ")"; };
    return "G" + pair(d.greenX, d.greenY) + "B" + pair(d.blueX, d.blueY) + "R" + pair(d.redX, d.redY) + "WP"
        + pair(d.whiteX, d.whiteY) + "L" + pair(d.maxLuminance, d.minLuminance);
}

std::string KeptHdr(TArguments arguments, const TSourceColour& colour)
{
    const TTags tags = KnownTags(colour);
    TParameterValues x265;
    const auto tag = [&](const char* option, const char* x265Key, const std::string& value) {
        if (value.empty())
            return;
        SetOption(arguments, option, value);
        x265.emplace_back(x265Key, value);
    };
    tag("-color_primaries", "colorprim", tags.primaries);
    tag("-color_trc", "transfer", tags.transfer);
    tag("-colorspace", "colormatrix", tags.space);
    if (tags.transfer == kPq) {
        x265.emplace_back("hdr10", "1");
        if (PixelFormat(arguments).rfind("yuv420p10", 0) == 0) // x265's offsets are for 10-bit 4:2:0
            x265.emplace_back("hdr10-opt", "1");
    }
    if (colour.masteringDisplay)
        x265.emplace_back("master-display", MasterDisplay(*colour.masteringDisplay));
    if (colour.contentLight)
        x265.emplace_back("max-cll",
            std::to_string(colour.contentLight->maxCll) + "," + std::to_string(colour.contentLight->maxFall));
    MergeX265(arguments, x265);
    return platform::JoinCommandLine(arguments);
}

// PQ or HLG to linear light (100 cd/m² nominal peak), BT.709 primaries, Hable's curve, then BT.709
// limited range in the profile's YUV format (4:2:0 unless it names another).
std::string ToneMap(const TTags& tags, const std::string& pixelFormat)
{
    const std::string toBt709 = ":t=linear:npl=100,format=gbrpf32le,zscale=p=bt709,tonemap=hable:desat=0,"
                                "zscale=t=bt709:m=bt709:r=tv";
    return "zscale=tin=" + tags.transfer + ":pin=" + (tags.primaries.empty() ? "bt2020" : tags.primaries)
        + ":min=" + (tags.space.empty() ? "bt2020nc" : tags.space) + toBt709
        + ",format=" + (pixelFormat.rfind("yuv", 0) == 0 ? pixelFormat : "yuv420p");
}

// The filter chain with `filter` first, or right after a deinterlacer that heads it: tone-mapping
// a whole frame, not its fields.
std::string Headed(const std::string& chain, const std::string& filter)
{
    if (chain.rfind("bwdif", 0) != 0 && chain.rfind("yadif", 0) != 0)
        return filter + "," + chain;
    const size_t comma = chain.find(',');
    return comma == std::string::npos ? chain + "," + filter
                                      : chain.substr(0, comma + 1) + filter + chain.substr(comma);
}

std::string ToneMapped(TArguments arguments, const TSourceColour& colour)
{
    const std::string filter = ToneMap(KnownTags(colour), PixelFormat(arguments));
    if (const std::optional<size_t> at = LastValueAt(arguments, { "-vf", "-filter:v", "-filter:v:0" }))
        arguments[*at] = Headed(arguments[*at], filter);
    else
        arguments.insert(arguments.end(), { "-vf", filter });
    for (const char* option : { "-color_primaries", "-color_trc", "-colorspace" })
        SetOption(arguments, option, "bt709");
    MergeX265(arguments, { { "colorprim", "bt709" }, { "transfer", "bt709" }, { "colormatrix", "bt709" } });
    return platform::JoinCommandLine(arguments);
}

} // namespace

bool IsHdr(const TSourceColour& colour)
{
    return colour.transfer == kPq || colour.transfer == kHlg;
}

std::string FitColour(const std::string& params, const std::string& ext, const TSourceInfo& source)
{
    if (!IsHdr(source.colour) || !EncodesVideo(params))
        return params;
    const TArguments arguments = platform::SplitCommandLine(params);
    if (LastValueAt(arguments, { "-filter_complex", "-lavfi" }))
        return params;
    switch (OutputDepth(arguments, ext)) {
    case TDepth::high:
        return KeptHdr(arguments, source.colour);
    case TDepth::eight:
        return ToneMapped(arguments, source.colour);
    case TDepth::unknown:
        break;
    }
    return params;
}
