#include "engine/encodingOverrides.h"

#include "engine/localPath.h"
#include "engine/profileArguments.h"
#include "platform/fileSystem.h"
#include "platform/process.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

namespace {

// How an encoder is run in two passes: ffmpeg's -pass/-passlogfile; libx265 takes the pass and
// its statistics file in its own parameters only; libsvtav1 keeps no statistics in the ffmpeg
// this targets; mpeg4 stops at its coarsest quantizer, so a grainy 10 s 640x360 film asked for
// 1 MiB came out 1.21 times that (a size is a limit a user mails or burns by).
enum class TTwoPass { none, ffmpeg, x265 };

// An encoder's quality scale: option, its value for quality 0 and for 100.
struct TVideoEncoder {
    const char* name;
    const char* option;
    int worst;
    int best;
    TTwoPass twoPass;
};
constexpr std::array<TVideoEncoder, 5> kVideoEncoders { {
    { "libx264", "-crf", 51, 0, TTwoPass::ffmpeg },
    { "libx265", "-crf", 51, 0, TTwoPass::x265 },
    { "libvpx-vp9", "-crf", 63, 0, TTwoPass::ffmpeg },
    { "libsvtav1", "-crf", 63, 0, TTwoPass::none },
    { "mpeg4", "-q:v", 31, 1, TTwoPass::none },
} };
constexpr const char* kKnownVideoEncoders = "libx264, libx265, libvpx-vp9, libsvtav1, mpeg4";

// An audio encoder's bit-rate scale in kbit/s, for quality 0 and 100.
struct TAudioEncoder {
    const char* name;
    int lowest;
    int highest;
};
constexpr std::array<TAudioEncoder, 3> kAudioEncoders { {
    { "aac", 64, 320 },
    { "libmp3lame", 64, 320 },
    { "libopus", 32, 256 },
} };

constexpr int64_t kLeastVideoBitrate = 32000; // bit/s; below this --size gives no picture worth having

// ISO 639-2 bibliographic codes and their terminology twins; tags use either.
constexpr std::array<std::pair<const char*, const char*>, 20> kLanguageTwins { {
    { "alb", "sqi" },
    { "arm", "hye" },
    { "baq", "eus" },
    { "bur", "mya" },
    { "chi", "zho" },
    { "cze", "ces" },
    { "dut", "nld" },
    { "fre", "fra" },
    { "geo", "kat" },
    { "ger", "deu" },
    { "gre", "ell" },
    { "ice", "isl" },
    { "mac", "mkd" },
    { "mao", "mri" },
    { "may", "msa" },
    { "per", "fas" },
    { "rum", "ron" },
    { "slo", "slk" },
    { "tib", "bod" },
    { "wel", "cym" },
} };

// What the arguments do with the picture and the sound.
struct TCodecs {
    std::string video; // the encoder, "copy", or empty when ffmpeg picks it for the container
    std::string audio;
    bool noVideo = false;
    bool noAudio = false;
    bool noSubtitles = false;
    bool complexGraph = false;
    std::optional<int64_t> audioBitrate; // -b:a, bit/s
};

TCodecs ReadCodecs(const TArguments& arguments)
{
    TCodecs codecs;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        const std::string value = i + 1 < arguments.size() ? arguments[i + 1] : std::string();
        codecs.noVideo = codecs.noVideo || a == "-vn";
        codecs.noAudio = codecs.noAudio || a == "-an";
        codecs.noSubtitles = codecs.noSubtitles || a == "-sn";
        codecs.complexGraph = codecs.complexGraph || a == "-filter_complex" || a == "-lavfi";
        if (SetsEveryCodec(a))
            codecs.video = codecs.audio = value;
        else if (SetsVideoCodec(a))
            codecs.video = value;
        else if (SetsAudioCodec(a))
            codecs.audio = value;
        else if (IsOneOf(a, { "-b:a", "-ab" }))
            codecs.audioBitrate = ParseBitrate(value);
    }
    return codecs;
}

const TVideoEncoder* FindVideoEncoder(const std::string& name)
{
    for (const TVideoEncoder& encoder : kVideoEncoders)
        if (name == encoder.name)
            return &encoder;
    return nullptr;
}

const TAudioEncoder* FindAudioEncoder(const std::string& name)
{
    for (const TAudioEncoder& encoder : kAudioEncoders)
        if (name == encoder.name)
            return &encoder;
    return nullptr;
}

std::string Number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    std::string s = text;
    s.erase(s.find_last_not_of('0') + 1);
    if (s.back() == '.')
        s.pop_back();
    return s;
}

std::string RateText(int64_t bitsPerSecond)
{
    return bitsPerSecond % 1000 == 0 ? std::to_string(bitsPerSecond / 1000) + "k"
                                     : std::to_string(bitsPerSecond);
}

// Why the video cannot take an option that re-encodes or filters it; empty when it can.
std::string VideoUnfit(const char* option, const TCodecs& codecs, bool needsKnownEncoder)
{
    const std::string head = std::string(option) + " does not fit this profile: ";
    if (codecs.noVideo)
        return head + "it makes no video";
    if (codecs.video == "copy")
        return head + "it copies the video without re-encoding; choose a profile that encodes video";
    if (needsKnownEncoder && !FindVideoEncoder(codecs.video))
        return head + "its video encoder ("
            + (codecs.video.empty() ? "the container's default" : codecs.video) + ") is not one of "
            + kKnownVideoEncoders;
    return {};
}

std::string QualityUnfit(const TCodecs& codecs)
{
    if (!codecs.noVideo)
        return VideoUnfit("--quality", codecs, true);
    if (codecs.noAudio || !FindAudioEncoder(codecs.audio))
        return "--quality does not fit this profile: it makes no video, and its audio encoder ("
            + (codecs.audio.empty() ? "none" : codecs.audio) + ") is not one of aac, libmp3lame, libopus";
    return {};
}

std::string SizeUnfit(const TCodecs& codecs)
{
    if (std::string problem = VideoUnfit("--size", codecs, true); !problem.empty())
        return problem;
    if (FindVideoEncoder(codecs.video)->twoPass == TTwoPass::none)
        return "--size needs two-pass encoding, which " + codecs.video
            + " does not offer here (libx264, libx265 and libvpx-vp9 do)";
    if (!codecs.noAudio && (codecs.audio == "copy" || !codecs.audioBitrate))
        return "--size does not fit this profile: its audio has no set bit rate (-b:a) to reckon with";
    return {};
}

// ---- tracks by language

// A stream of the source: its index in the file and among the streams of its type.
struct TTrack {
    int index;
    int ordinal;
    std::string codec;
};

std::vector<TTrack> Tracks(
    const TSourceInfo& source, const std::string& type, const std::vector<std::string>& languages)
{
    std::vector<TTrack> tracks;
    int ordinal = 0;
    for (size_t i = 0; i < source.streams.size(); ++i) {
        const TSourceStream& s = source.streams[i];
        if (s.type != type)
            continue;
        if (languages.empty() || std::any_of(languages.begin(), languages.end(), [&](const std::string& l) {
                return NormalLanguage(l) == NormalLanguage(s.language);
            }))
            tracks.push_back({ static_cast<int>(i), ordinal, s.codec });
        ++ordinal;
    }
    return tracks;
}

std::string Listed(const std::vector<std::string>& items)
{
    std::string text;
    for (const std::string& item : items)
        text += (text.empty() ? "" : ",") + item;
    return text;
}

// The languages of the source's tracks of a type, for a problem's words.
std::string LanguagesOf(const TSourceInfo& source, const std::string& type)
{
    std::vector<std::string> languages;
    for (const TSourceStream& s : source.streams)
        if (s.type == type)
            languages.push_back(s.language.empty() ? "untagged" : s.language);
    return languages.empty() ? "it has no " + type + " track"
                             : "its " + type + " tracks: " + Listed(languages);
}

// Without any -map ffmpeg picks one stream of each kind itself; the same made explicit, so the
// language choice can replace it.
void MakeMapsExplicit(TArguments& arguments, const TCodecs& codecs)
{
    if (std::find(arguments.begin(), arguments.end(), "-map") != arguments.end())
        return;
    if (!codecs.noVideo)
        arguments.insert(arguments.end(), { "-map", "0:V:0?" });
    if (!codecs.noAudio)
        arguments.insert(arguments.end(), { "-map", "0:a:0?" });
    if (!codecs.noSubtitles)
        arguments.insert(arguments.end(), { "-map", "0:s:0?" });
}

// Renumbers per-stream options of one type ("-c:a:2 alac") after a choice of tracks: ordinals
// holds, for each output stream of the type, its ordinal in the source. Options for tracks that
// are gone are dropped.
TArguments Renumbered(const TArguments& arguments, char type, const std::vector<int>& ordinals)
{
    const std::string marker = std::string(":") + type + ":";
    TArguments result;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        const size_t at = a.rfind(marker);
        const std::string digits = at == std::string::npos ? "" : a.substr(at + marker.size());
        const bool perStream = a.size() > 1 && a[0] == '-' && std::isalpha(static_cast<unsigned char>(a[1]))
            && !digits.empty() && digits.size() < 4
            && std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); });
        if (!perStream || i + 1 >= arguments.size()) {
            result.push_back(a);
            continue;
        }
        const auto found = std::find(ordinals.begin(), ordinals.end(), std::stoi(digits));
        if (found != ordinals.end())
            result.insert(result.end(),
                { a.substr(0, at + marker.size()) + std::to_string(found - ordinals.begin()),
                    arguments[i + 1] });
        ++i;
    }
    return result;
}

// Keeps only the kept tracks of one type ('a' or 's') where the arguments map that type, or map
// everything ("-map 0").
TArguments SelectTracks(
    const TArguments& arguments, const TSourceInfo& source, char type, const std::vector<TTrack>& kept)
{
    const std::string every = std::string("0:") + type, first = every + ":0";
    const std::vector<TTrack> all = Tracks(source, type == 'a' ? "audio" : "subtitle", {});
    TArguments result;
    std::vector<int> ordinals;
    bool mapsAll = false, replaced = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string value = i + 1 < arguments.size() ? arguments[i + 1] : std::string();
        const bool everyTrack = value == every || value == every + "?";
        const bool firstTrack = value == first || value == first + "?";
        if (arguments[i] != "-map" || !(everyTrack || firstTrack)) {
            mapsAll = mapsAll || (arguments[i] == "-map" && value == "0");
            result.push_back(arguments[i]);
            continue;
        }
        for (size_t k = 0; k < kept.size() && (everyTrack || k == 0); ++k) {
            result.insert(result.end(), { "-map", "0:" + std::to_string(kept[k].index) });
            ordinals.push_back(kept[k].ordinal);
        }
        replaced = true;
        ++i;
    }
    if (mapsAll) {
        ordinals.clear();
        for (const TTrack& track : all) {
            if (std::any_of(
                    kept.begin(), kept.end(), [&](const TTrack& k) { return k.index == track.index; }))
                ordinals.push_back(track.ordinal);
            else
                result.insert(result.end(), { "-map", "-0:" + std::to_string(track.index) });
        }
    }
    return replaced || mapsAll ? Renumbered(result, type, ordinals) : result;
}

// ---- filters

// One level of ffmpeg's filter-graph quoting: the text between single quotes, a quote itself
// closed, escaped and reopened.
std::string GraphQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string MaxHeightFilter(int limit)
{
    // The shorter side is bounded: a landscape picture's height, a portrait one's width. The
    // other side follows the aspect ratio (-2: even); never enlarged.
    const std::string n = std::to_string(limit);
    return "scale=w='if(gte(iw,ih),-2,trunc(min(" + n + ",iw)/2)*2)':h='if(gte(iw,ih),trunc(min(" + n
        + ",ih)/2)*2,-2)'";
}

// The filters the overrides put at the head of the video chain (after a deinterlacer, which
// must see the fields as they are), with the chain the profile has.
std::string VideoChain(const std::string& profileChain, const std::vector<std::string>& head)
{
    std::string front, rest = profileChain;
    if (rest.rfind("bwdif", 0) == 0) {
        const size_t comma = rest.find(',');
        front = rest.substr(0, comma);
        rest = comma == std::string::npos ? "" : rest.substr(comma + 1);
    }
    std::string chain = front;
    for (const std::string& filter : head)
        chain += (chain.empty() ? "" : ",") + filter;
    return rest.empty() ? chain : (chain.empty() ? rest : chain + "," + rest);
}

// Index of the -vf value in arguments, or arguments.size() when there is none.
size_t VideoFilterAt(const TArguments& arguments)
{
    for (size_t i = 0; i + 1 < arguments.size(); ++i)
        if (IsOneOf(arguments[i], { "-vf", "-filter:v", "-filter:v:0" }))
            return i + 1;
    return arguments.size();
}

// A bitmap subtitle track is laid over the picture in a complex graph, which then carries the
// whole video chain; the video maps take the graph's output instead.
void OverlayBitmap(TArguments& arguments, const std::string& chain, int video, int subtitle)
{
    const std::string graph = "[0:" + std::to_string(video) + "][0:" + std::to_string(subtitle)
        + "]overlay=eof_action=pass" + (chain.empty() ? "" : "," + chain) + "[burnt]";
    TArguments result;
    bool mapped = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string value = i + 1 < arguments.size() ? arguments[i + 1] : std::string();
        if (IsOneOf(arguments[i], { "-vf", "-filter:v", "-filter:v:0" })) {
            ++i;
            continue;
        }
        if (arguments[i] == "-map" && value.size() >= 3
            && (value.rfind("0:V", 0) == 0 || value.rfind("0:v", 0) == 0)) {
            if (!mapped)
                result.insert(result.end(), { "-map", "[burnt]" });
            mapped = true;
            ++i;
            continue;
        }
        result.push_back(arguments[i]);
    }
    if (!mapped)
        result.insert(result.end(), { "-map", "-0:v", "-map", "[burnt]" });
    result.insert(result.end(), { "-filter_complex", graph });
    arguments = result;
}

// ---- rates

int Scaled(int quality, int atZero, int atHundred)
{
    return static_cast<int>(std::lround(atZero + (atHundred - atZero) * quality / 100.0));
}

void SetVideoRate(
    TArguments& arguments, const TCodecs& codecs, const TEncodingOverrides& overrides, int64_t bitrate)
{
    arguments = Without(arguments, { "-crf", "-q:v", "-qscale:v", "-b:v" });
    const TVideoEncoder* encoder = FindVideoEncoder(codecs.video);
    if (overrides.quality) {
        arguments.insert(arguments.end(),
            { encoder->option, std::to_string(Scaled(*overrides.quality, encoder->worst, encoder->best)) });
        if (codecs.video == "libvpx-vp9")
            arguments.insert(arguments.end(), { "-b:v", "0" }); // constant quality, no bit-rate cap
    } else {
        arguments.insert(arguments.end(), { "-b:v", RateText(bitrate) });
    }
}

// Pass 1 or 2 of a two-pass encoding, its statistics under logPrefix.
void AddPass(TArguments& arguments, const TCodecs& codecs, int pass, const std::string& logPrefix)
{
    if (FindVideoEncoder(codecs.video)->twoPass == TTwoPass::x265) {
        MergeParameters(arguments, "-x265-params",
            { { "pass", std::to_string(pass) }, { "stats", EscapedParameter(logPrefix + "-x265.log") } });
        return;
    }
    arguments.insert(arguments.end(), { "-pass", std::to_string(pass), "-passlogfile", logPrefix });
}

void SetAudioQuality(TArguments& arguments, const TCodecs& codecs, int quality)
{
    const TAudioEncoder* encoder = FindAudioEncoder(codecs.audio);
    arguments = Without(arguments, { "-b:a", "-ab", "-q:a", "-qscale:a" });
    arguments.insert(arguments.end(),
        { "-b:a", std::to_string(Scaled(quality, encoder->lowest, encoder->highest)) + "k" });
}

// The source's audio streams the output gets, in its order (as the maps give them).
std::vector<size_t> OutputAudioStreams(
    const TArguments& arguments, const TSourceInfo& source, const TCodecs& codecs)
{
    if (codecs.noAudio)
        return {};
    std::vector<size_t> audio;
    for (size_t i = 0; i < source.streams.size(); ++i)
        if (source.streams[i].type == "audio")
            audio.push_back(i);
    // Stream N's index when v is prefix + N and stream N is an audio track.
    const auto audioIndex = [&](const std::string& v, const char* prefix) -> std::optional<size_t> {
        const size_t from = std::strlen(prefix);
        if (v.rfind(prefix, 0) != 0 || v.size() == from || v.size() > from + 4
            || !std::all_of(v.begin() + from, v.end(), [](unsigned char c) { return std::isdigit(c); }))
            return std::nullopt;
        const size_t index = std::stoul(v.substr(from));
        return std::find(audio.begin(), audio.end(), index) != audio.end() ? std::optional(index)
                                                                           : std::nullopt;
    };
    std::vector<size_t> output;
    bool mapped = false;
    for (size_t i = 0; i + 1 < arguments.size(); ++i) {
        if (arguments[i] != "-map")
            continue;
        mapped = true;
        const std::string& v = arguments[i + 1];
        if (v == "0" || v == "0:a" || v == "0:a?")
            output.insert(output.end(), audio.begin(), audio.end());
        else if ((v == "0:a:0" || v == "0:a:0?") && !audio.empty())
            output.push_back(audio.front());
        else if (const auto index = audioIndex(v, "0:"))
            output.push_back(*index);
        else if (const auto taken = audioIndex(v, "-0:"))
            output.erase(std::remove(output.begin(), output.end(), *taken), output.end());
    }
    if (!mapped && !audio.empty())
        output.push_back(audio.front()); // ffmpeg's own choice: one audio track
    return output;
}

// bit/s the output's audio takes: each output track's own -b:a:N, else the profile's -b:a; a track
// the fit copies (-c:a:N copy) what its source stream carries (640 kbit/s, AC-3's highest rate,
// where the file does not say).
int64_t AudioBitrate(const TArguments& arguments, const TSourceInfo& source, const TCodecs& codecs)
{
    std::map<int, int64_t> rates; // by output audio track
    std::set<int> copied;
    for (size_t i = 0; i + 1 < arguments.size(); ++i)
        for (const char* prefix : { "-b:a:", "-c:a:" }) {
            const std::string& a = arguments[i];
            const std::string digits = a.rfind(prefix, 0) == 0 ? a.substr(5) : "";
            if (digits.empty() || digits.size() > 3
                || !std::all_of(
                    digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); }))
                continue;
            if (prefix[1] == 'b')
                rates[std::stoi(digits)] = ParseBitrate(arguments[i + 1]).value_or(*codecs.audioBitrate);
            else if (arguments[i + 1] == "copy")
                copied.insert(std::stoi(digits));
        }
    const std::vector<size_t> streams = OutputAudioStreams(arguments, source, codecs);
    int64_t total = 0;
    for (int track = 0; track < static_cast<int>(streams.size()); ++track) {
        const long long carried = source.streams[streams[track]].bitRate;
        if (copied.count(track))
            total += carried > 0 ? static_cast<int64_t>(carried) : 640000;
        else
            total += rates.count(track) ? rates[track] : *codecs.audioBitrate;
    }
    return total;
}

// The video bit rate that fills sizeMiB over the output's length with the audio, or why none does.
std::optional<int64_t> SizeBitrate(double sizeMiB, double seconds, int64_t audioBitrate, std::string& problem)
{
    const double total = sizeMiB * 8 * 1024 * 1024 / seconds;
    const int64_t video = static_cast<int64_t>((total - static_cast<double>(audioBitrate)) / 1000) * 1000;
    if (video >= kLeastVideoBitrate)
        return video;
    const double audioMiB = static_cast<double>(audioBitrate) * seconds / 8 / 1024 / 1024;
    problem = "--size " + Number(sizeMiB) + " MB is too small for " + Number(seconds)
        + " s: the audio alone takes " + Number(audioMiB) + " MB, and the picture needs at least "
        + RateText(kLeastVideoBitrate) + "bit/s";
    return std::nullopt;
}

// ": " and the last line of a program's output, or nothing when it wrote none.
std::string LastLine(const std::string& output)
{
    const size_t end = output.find_last_not_of("\r\n");
    if (end == std::string::npos)
        return {};
    const size_t start = output.rfind('\n', end);
    return ": "
        + output.substr(start == std::string::npos ? 0 : start + 1,
            end + 1 - (start == std::string::npos ? 0 : start + 1));
}

TOverriddenArguments Refused(const std::string& problem)
{
    TOverriddenArguments result;
    result.problem = problem;
    return result;
}

// The stretch of the source the output holds; sets the trimming options.
std::optional<double> Trim(
    TArguments& arguments, const TSourceInfo& source, const TEncodingOverrides& o, std::string& problem)
{
    const double from = o.start.value_or(0);
    if (o.start && source.seconds && from >= *source.seconds) {
        problem = "--start " + Number(from) + " s is at or past the end of the source ("
            + Number(*source.seconds) + " s)";
        return std::nullopt;
    }
    if (o.start)
        arguments.insert(arguments.end(), { "-ss", Number(from) });
    if (o.end)
        arguments.insert(arguments.end(), { "-t", Number(*o.end - from) });
    std::optional<double> to = o.end;
    if (source.seconds)
        to = to ? std::min(*to, *source.seconds) : *source.seconds;
    return to ? std::optional<double>(*to - from) : std::nullopt;
}

} // namespace

std::string NormalLanguage(const std::string& code)
{
    std::string lower = code;
    std::transform(lower.begin(), lower.end(), lower.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const auto& [bibliographic, terminology] : kLanguageTwins)
        if (lower == bibliographic)
            return terminology;
    return lower;
}

bool TEncodingOverrides::Empty() const
{
    return !quality && !videoBitrate && !sizeMiB && audioLanguages.empty() && subtitleLanguages.empty()
        && !burnSubtitles && !start && !end && !maxHeight && !autoCrop;
}

std::string OverridesProblem(const std::string& params, const TEncodingOverrides& o)
{
    const TCodecs codecs = ReadCodecs(platform::SplitCommandLine(params));
    std::vector<std::string> problems;
    if (o.quality)
        problems.push_back(QualityUnfit(codecs));
    if (o.videoBitrate)
        problems.push_back(VideoUnfit("--video-bitrate", codecs, true));
    if (o.sizeMiB)
        problems.push_back(SizeUnfit(codecs));
    for (const auto& [set, option] : { std::pair { o.burnSubtitles, "--burn-subtitles" },
             std::pair { o.maxHeight.has_value(), "--max-height" },
             std::pair { o.autoCrop, "--crop auto" } }) {
        if (!set)
            continue;
        problems.push_back(VideoUnfit(option, codecs, false));
        if (codecs.complexGraph && problems.back().empty())
            problems.back()
                = std::string(option) + " does not fit this profile: it filters with a -filter_complex graph";
    }
    if (!o.audioLanguages.empty() && codecs.noAudio)
        problems.push_back("--audio-lang does not fit this profile: it makes no audio");
    if (!o.subtitleLanguages.empty() && codecs.noSubtitles && !o.burnSubtitles)
        problems.push_back("--subtitle-lang does not fit this profile: it drops the subtitles (add "
                           "--burn-subtitles to draw them into the picture)");
    for (const std::string& problem : problems)
        if (!problem.empty())
            return problem;
    return {};
}

TOverriddenArguments ApplyOverrides(const std::string& params, const std::string& sourcePath,
    const TSourceInfo& source, const TEncodingOverrides& o, const std::string& crop,
    const std::string& passLogPrefix)
{
    if (std::string problem = OverridesProblem(params, o); !problem.empty())
        return Refused(problem);
    TArguments arguments = platform::SplitCommandLine(params);
    const TCodecs codecs = ReadCodecs(arguments);
    TOverriddenArguments result;
    std::string problem;
    const std::optional<double> length = Trim(arguments, source, o, problem);
    if (!problem.empty())
        return Refused(problem);
    if (o.start || o.end)
        result.expectedSeconds = length;
    const bool byLanguage = !o.audioLanguages.empty() || !o.subtitleLanguages.empty();
    if ((byLanguage || o.burnSubtitles) && !source.read)
        return Refused("choosing tracks needs the source's streams, which ffprobe could not read");
    if (byLanguage)
        MakeMapsExplicit(arguments, codecs);
    if (!o.audioLanguages.empty()) {
        const std::vector<TTrack> kept = Tracks(source, "audio", o.audioLanguages);
        if (kept.empty())
            return Refused("--audio-lang " + Listed(o.audioLanguages) + ": no audio track in that language ("
                + LanguagesOf(source, "audio") + ")");
        arguments = SelectTracks(arguments, source, 'a', kept);
    }
    const std::vector<TTrack> subtitles = Tracks(source, "subtitle", o.subtitleLanguages);
    if (!o.subtitleLanguages.empty())
        arguments = SelectTracks(arguments, source, 's', subtitles);

    std::vector<std::string> head;
    if (!crop.empty())
        head.push_back("crop=" + crop);
    int video = 0;
    std::optional<TTrack> bitmap;
    if (o.burnSubtitles) {
        if (subtitles.empty())
            return Refused(
                "--burn-subtitles: no subtitle track to draw (" + LanguagesOf(source, "subtitle") + ")");
        const TTrack& burnt = subtitles.front();
        if (const TSourceStream* picture = source.MainVideo())
            video = static_cast<int>(picture - source.streams.data());
        else
            return Refused("--burn-subtitles: the source has no picture to draw the subtitles into");
        if (IsTextSubtitle(burnt.codec))
            head.push_back("subtitles="
                + GraphQuoted(
                    "filename=" + GraphQuoted(sourcePath) + ":si=" + std::to_string(burnt.ordinal)));
        else if (IsBitmapSubtitle(burnt.codec))
            bitmap = burnt;
        else
            return Refused(
                "--burn-subtitles: the subtitle track's format (" + burnt.codec + ") cannot be drawn");
        arguments.push_back("-sn");
    }
    if (o.maxHeight)
        head.push_back(MaxHeightFilter(*o.maxHeight));
    const size_t filterAt = VideoFilterAt(arguments);
    const std::string chain = VideoChain(filterAt < arguments.size() ? arguments[filterAt] : "", head);
    if (bitmap)
        OverlayBitmap(arguments, chain, video, bitmap->index);
    else if (filterAt < arguments.size())
        arguments[filterAt] = chain;
    else if (!head.empty())
        arguments.insert(arguments.end(), { "-vf", chain });

    if (o.quality && codecs.noVideo)
        SetAudioQuality(arguments, codecs, *o.quality);
    else if (o.quality || o.videoBitrate)
        SetVideoRate(arguments, codecs, o, o.videoBitrate.value_or(0));
    if (o.sizeMiB) {
        if (!length || *length <= 0)
            return Refused("--size needs the source's length, which ffprobe could not read");
        const int64_t audio = AudioBitrate(arguments, source, codecs);
        const auto bitrate = SizeBitrate(*o.sizeMiB, *length, audio, problem);
        if (!bitrate)
            return Refused(problem);
        SetVideoRate(arguments, codecs, o, *bitrate);
        TArguments first = arguments;
        AddPass(first, codecs, 1, passLogPrefix);
        first.insert(first.end(), { "-an", "-sn", "-f", "null" });
        result.firstPass = platform::JoinCommandLine(first);
        AddPass(arguments, codecs, 2, passLogPrefix);
    }
    result.params = platform::JoinCommandLine(arguments);
    return result;
}

std::string DetectCrop(const std::string& converter, const std::string& source, const TSourceInfo& info,
    std::string& problem, const std::atomic<bool>* cancel)
{
    const TSourceStream* video = info.MainVideo();
    if (info.read && !video) {
        problem = "--crop auto: the source has no picture";
        return {};
    }
    if (platform::IsReadOnce(source)) {
        problem = "--crop auto cannot measure a pipe or device: it can be read only once";
        return {};
    }
    const double from = info.seconds ? *info.seconds / 4 : 0;
    const platform::TCapturedRun run = platform::RunCaptured(platform::QuoteArgument(converter)
            + " -nostdin -hide_banner -nostats -protocol_whitelist file -ss " + Number(from) + " -t 3 -i "
            + platform::QuoteArgument(LocalFileArgument(source))
            + " -map 0:V:0 -vf cropdetect=round=2:reset=0 -an -sn -dn -f null -",
        60000, 8 << 20, cancel);
    const size_t at = run.output.rfind("crop=");
    int w = 0, h = 0, x = 0, y = 0;
    if (run.exitCode != 0 || at == std::string::npos
        || std::sscanf(run.output.c_str() + at, "crop=%d:%d:%d:%d", &w, &h, &x, &y) != 4 || w <= 0
        || h <= 0) {
        problem = "--crop auto could not measure the picture" + LastLine(run.output);
        return {};
    }
    if (video && w == video->width && h == video->height)
        return {}; // no bars
    return std::to_string(w) + ":" + std::to_string(h) + ":" + std::to_string(x) + ":" + std::to_string(y);
}
