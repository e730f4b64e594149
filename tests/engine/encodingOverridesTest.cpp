// Encoding overrides on profile arguments, against sources described as ffprobe describes them.
#include "engine/encodingOverrides.h"
#include "platform/process.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// A film: video, audio eng (PCM), audio ger, audio fra, a text subtitle in eng and a bitmap one
// in deu; 10 s.
TSourceInfo Film()
{
    return ParseProbeJson(R"({"streams":[
        {"codec_type":"video","codec_name":"h264","width":1920,"height":800},
        {"codec_type":"audio","codec_name":"pcm_s16le","tags":{"language":"eng"}},
        {"codec_type":"audio","codec_name":"ac3","bit_rate":"448000","tags":{"language":"ger"}},
        {"codec_type":"audio","codec_name":"aac","tags":{"language":"fra"}},
        {"codec_type":"subtitle","codec_name":"subrip","tags":{"language":"eng"}},
        {"codec_type":"subtitle","codec_name":"hdmv_pgs_subtitle","tags":{"language":"deu"}}],
        "format":{"duration":"10.0"}})");
}

bool Has(const std::string& params, const std::vector<std::string>& run)
{
    const std::vector<std::string> arguments = platform::SplitCommandLine(params);
    return std::search(arguments.begin(), arguments.end(), run.begin(), run.end()) != arguments.end();
}

TOverriddenArguments Apply(
    const std::string& params, const TEncodingOverrides& o, const std::string& crop = {})
{
    return ApplyOverrides(params, "/films/it's: a, film.mkv", Film(), o, crop, "/tmp/p/pass");
}

} // namespace

TEST(EncodingOverrides, ArgumentsFollowTheChoicesAndKeepTheTracksInStep)
{
    const std::string x264
        = "-map 0:V? -map 0:a? -map 0:s? -c:v libx264 -crf 23 -c:a copy -c:a:0 alac -c:s mov_text";
    TEncodingOverrides o;
    o.audioLanguages = { "deu", "eng" };
    o.subtitleLanguages = { "ger" };
    o.quality = 100;
    o.maxHeight = 720;
    TOverriddenArguments r = Apply(x264, o, "1920:800:0:140");
    ASSERT_EQ(r.problem, "");
    // Source order kept; the PCM track's ALAC option still points at it (now the first audio
    // output) and the dropped fra track took nothing with it.
    EXPECT_TRUE(Has(r.params, { "-map", "0:1", "-map", "0:2", "-map", "0:5" })) << r.params;
    EXPECT_TRUE(Has(r.params, { "-c:a:0", "alac" })) << r.params;
    EXPECT_FALSE(Has(r.params, { "-map", "0:3" }));
    EXPECT_TRUE(Has(r.params, { "-crf", "0" })) << r.params;
    EXPECT_FALSE(Has(r.params, { "-crf", "23" }));
    EXPECT_NE(r.params.find("crop=1920:800:0:140,scale="), std::string::npos) << "crop first, then shrink";
    EXPECT_TRUE(r.firstPass.empty());
    EXPECT_FALSE(r.expectedSeconds) << "untrimmed: the output check keeps the source's length";

    // The ALAC option of a track that is left out goes with it; a mapping of everything keeps
    // its maps and drops the other tracks by index.
    o = {};
    o.audioLanguages = { "fre" };
    r = Apply("-map 0 -map -0:a:1 -c copy -c:a:0 alac", o);
    EXPECT_TRUE(Has(r.params, { "-map", "-0:a:1", "-c", "copy" })) << "a negative map is no per-track option";
    EXPECT_TRUE(Has(r.params, { "-map", "-0:1", "-map", "-0:2" })) << r.params;
    EXPECT_FALSE(Has(r.params, { "-map", "-0:3" }));
    EXPECT_EQ(r.params.find("alac"), std::string::npos) << r.params;
    o.audioLanguages = { "jpn" };
    EXPECT_NE(Apply(x264, o).problem.find("its audio tracks: eng,ger,fra"), std::string::npos);

    // A bitmap subtitle is laid over the picture in a graph that carries the profile's filters.
    o = {};
    o.subtitleLanguages = { "deu" };
    o.burnSubtitles = true;
    r = Apply("-map 0:V? -map 0:a? -vf \"scale=640:-2\" -c:v libx264", o);
    EXPECT_TRUE(Has(r.params, { "-filter_complex", "[0:0][0:5]overlay=eof_action=pass,scale=640:-2[burnt]" }))
        << r.params;
    EXPECT_TRUE(Has(r.params, { "-map", "[burnt]" }));
    EXPECT_FALSE(Has(r.params, { "-vf", "scale=640:-2" }));
    EXPECT_TRUE(Has(r.params, { "-sn" }));
    // A text one is drawn by the subtitles filter, its file name quoted for both filter levels.
    o.subtitleLanguages = { "eng" };
    r = Apply("-c:v libx264 -vf \"bwdif=mode=send_frame,scale=640:-2\"", o);
    EXPECT_TRUE(Has(r.params,
        { "-vf",
            R"(bwdif=mode=send_frame,subtitles='filename='\''/films/it'\''\'\'''\''s: a, film.mkv'\'':si=0',scale=640:-2)" }))
        << r.params;
    o.subtitleLanguages = { "spa" };
    EXPECT_NE(Apply(x264, o).problem.find("no subtitle track"), std::string::npos);

    // Two passes: the size's bit rate less the audio of each kept track, trimmed length.
    o = {};
    o.sizeMiB = 1;
    o.start = 2;
    o.end = 6;
    o.audioLanguages = { "eng", "deu" };
    r = Apply("-map 0:V? -map 0:a? -c:v libvpx-vp9 -crf 32 -b:v 0 -c:a libopus -b:a 64k", o);
    ASSERT_EQ(r.problem, "");
    EXPECT_EQ(r.expectedSeconds, 4.0);
    // 1 MiB over 4 s is 2097152 bit/s; two tracks of 64k leave 1969152, in whole kbit/s.
    EXPECT_TRUE(Has(r.params, { "-b:v", "1969k", "-pass", "2", "-passlogfile", "/tmp/p/pass" })) << r.params;
    EXPECT_FALSE(Has(r.params, { "-b:v", "0" }));
    EXPECT_FALSE(Has(r.params, { "-crf", "32" }));
    EXPECT_TRUE(Has(r.firstPass, { "-ss", "2", "-t", "4" })) << r.firstPass;
    // Tracks of their own rate: a surround one at 384k, the AC-3 one copied at its 448k.
    r = Apply("-map 0:V? -map 0:a? -c:v libx264 -c:a aac -b:a 128k -b:a:0 384k -c:a:1 copy", o);
    EXPECT_TRUE(Has(r.params, { "-b:v", "1265k" })) << r.params; // 2097152 - 384000 - 448000
    // Everything mapped but a data stream and the fra track: two tracks of audio again.
    o.audioLanguages.clear();
    r = Apply("-map 0 -map -0:d? -map -0:3 -c:v libx264 -c:a aac -b:a 64k", o);
    EXPECT_TRUE(Has(r.params, { "-b:v", "1969k" })) << r.params;
    EXPECT_TRUE(
        Has(r.firstPass, { "-pass", "1", "-passlogfile", "/tmp/p/pass", "-an", "-sn", "-f", "null" }));
    // libx265 takes its passes in its own parameters, the profile's (and the colour fit's) kept.
    r = Apply("-c:v libx265 -crf 28 -x265-params log-level=error:hdr10=1 -an", o);
    EXPECT_TRUE(Has(r.params, { "-x265-params", "log-level=error:hdr10=1:pass=2:stats=/tmp/p/pass-x265.log" }))
        << r.params;
    EXPECT_TRUE(Has(r.firstPass, { "-x265-params", "log-level=error:hdr10=1:pass=1:stats=/tmp/p/pass-x265.log" }));
    EXPECT_FALSE(Has(r.params, { "-pass", "2" }));
    r = ApplyOverrides("-c:v libx265 -x265-params stats=old:log-level=error -an", "/f.mkv", Film(), o, {},
        "/tmp/a:b=c\\/pass");
    EXPECT_TRUE(Has(r.params, { "-x265-params", R"(stats=/tmp/a\:b\=c\\/pass-x265.log:log-level=error:pass=2)" }))
        << r.params;
    o.sizeMiB = 0.02;
    EXPECT_NE(Apply("-c:v libx264 -c:a aac -b:a 160k", o).problem.find("too small"), std::string::npos);
    o.start = 12;
    o.audioLanguages.clear();
    EXPECT_NE(
        Apply("-c:v libx264 -an", o).problem.find("past the end of the source (10 s)"), std::string::npos);
    TEncodingOverrides sized;
    sized.sizeMiB = 5;
    EXPECT_NE(ApplyOverrides("-c:v libx264 -an", "/f.mkv", {}, sized, {}, "/t/pass").problem.find("length"),
        std::string::npos)
        << "no length, no size";

    // What a profile cannot take, whatever the source.
    TEncodingOverrides q;
    q.quality = 50;
    EXPECT_NE(OverridesProblem("-map 0 -c copy", q).find("copies the video"), std::string::npos);
    EXPECT_NE(OverridesProblem("-target pal-dvd", q).find("is not one of"), std::string::npos);
    EXPECT_NE(OverridesProblem("-vn -c:a flac", q).find("makes no video"), std::string::npos);
    EXPECT_EQ(OverridesProblem("-vn -c:a libopus -b:a 128k", q), "");
    EXPECT_TRUE(Has(Apply("-vn -c:a libopus -b:a 128k", q).params, { "-b:a", "144k" }));
    EXPECT_TRUE(Has(Apply("-c:v mpeg4 -q:v 4", q).params, { "-q:v", "16" }));
    EXPECT_NE(OverridesProblem("-c:v libsvtav1 -an", sized).find("two-pass"), std::string::npos);
    EXPECT_NE(OverridesProblem("-c:v libx264 -c:a flac", sized).find("-b:a"), std::string::npos);
    TEncodingOverrides cropped;
    cropped.autoCrop = true;
    EXPECT_NE(OverridesProblem("-vn -c:a aac", cropped).find("--crop auto does not fit"), std::string::npos);
    EXPECT_EQ(NormalLanguage("GER"), "deu");
}
