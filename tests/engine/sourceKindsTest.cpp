// Every shipped profile on the kinds of source users bring, planned as the job runner plans them
// (probe, fit, command line), run through the real ffmpeg and read back with ffprobe.
#include "engine/entryPlan.h"
#include "engine/outputCheck.h"
#include "engine/profileFit.h"
#include "engine/sourceProbe.h"
#include "platform/process.h"
#include "testFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>
#include <QString>

#include <algorithm>
#include <iterator>


namespace {

struct TClipKind {
    const char* name;
    const char* ffmpegArguments; // inputs and encoding; the output path follows
    const char* copyArguments = nullptr; // then a copy with these (a display matrix is set only on a copy)
};

// One second each, at most 320x180. "film": two audio tracks (stereo AAC, 5.1 AC-3) and an SRT
// subtitle; "phone": stored landscape, shown turned by 90 degrees, with an MP4 text subtitle.
const TClipKind kKinds[] = {
    { "film.mkv",
        "-f lavfi -i testsrc2=d=1:s=320x180:r=25 -f lavfi -i sine=d=1 -f lavfi -i sine=d=1:f=660 -i SUBS"
        " -map 0 -map 1 -map 2 -map 3 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a:0 aac"
        " -c:a:1 ac3 -filter:a:1 aformat=channel_layouts=5.1(side) -c:s srt" },
    { "portrait.mp4",
        "-f lavfi -i testsrc2=d=1:s=180x320:r=25 -f lavfi -i sine=d=1 -c:v libx264 -preset ultrafast"
        " -pix_fmt yuv420p -c:a aac" },
    { "phone.mp4",
        "-f lavfi -i testsrc2=d=1:s=320x180:r=25 -f lavfi -i sine=d=1 -i SUBS -map 0 -map 1 -map 2"
        " -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -c:s mov_text",
        "-metadata:s:v:0 rotate=90" },
    { "hdr10.mkv",
        "-f lavfi -i testsrc2=d=1:s=320x180:r=25 -f lavfi -i sine=d=1 -c:v libx265 -preset ultrafast"
        " -pix_fmt yuv420p10le -x265-params log-level=error:hdr10=1:colorprim=bt2020:transfer=smpte2084"
        ":colormatrix=bt2020nc:master-display=G(13250,34500)B(7500,3000)R(34000,16000)WP(15635,16450)"
        "L(10000000,1):max-cll=1000,400 -color_primaries bt2020 -color_trc smpte2084 -colorspace bt2020nc"
        " -c:a aac" },
    { "tv.mkv",
        "-f lavfi -i testsrc2=d=1:s=320x180:r=25 -f lavfi -i sine=d=1 -vf interlace -c:v libx264"
        " -preset ultrafast -flags +ildct+ilme -x264-params tff=1 -pix_fmt yuv420p -c:a aac" },
};

bool Contains(const std::string& text, const char* part)
{
    return text.find(part) != std::string::npos;
}

int Count(const TSourceInfo& info, const char* type)
{
    int n = 0;
    for (const TSourceStream& s : info.streams)
        n += s.type == type ? 1 : 0;
    return n;
}

// Video, then audio, then subtitles: players take the first stream of a kind as the default.
bool StreamsInOrder(const TSourceInfo& info)
{
    const std::string order[] = { "video", "audio", "subtitle" };
    size_t reached = 0;
    for (const TSourceStream& stream : info.streams) { // others (DVD navigation data) do not count
        const size_t rank = static_cast<size_t>(std::find(std::begin(order), std::end(order), stream.type) - order);
        if (rank < 3 && rank < reached)
            return false;
        reached = rank < 3 ? rank : reached;
    }
    return true;
}

// What the output of one profile must show for one kind of source.
void ExpectFits(const std::string& kind, const std::string& params, const TSourceInfo& out)
{
    const bool copiesVideo = !EncodesVideo(params);
    const bool hasVideo = !Contains(params, "-vn");
    const TSourceStream* video = out.MainVideo();
    ASSERT_EQ(video != nullptr, hasVideo);
    EXPECT_TRUE(StreamsInOrder(out));
    const bool fixedFrame = Contains(params, "pad=1024:576"); // DVD: a 16:9 PAL frame, boxed
    if (kind == "film.mkv") {
        const bool allAudio = Contains(params, "-map 0:a") || Contains(params, "-map 0 ");
        EXPECT_EQ(Count(out, "audio"), Contains(params, "-an") ? 0 : allAudio ? 2 : 1);
        for (const TSourceStream& s : out.streams) {
            if (s.type == "audio" && s.channels > 2) {
                EXPECT_NE(s.channelLayout, "unknown") << s.codec;
            }
        }
        if (Contains(params, "-c:s") || (Contains(params, "-map 0 ") && Contains(params, "-c copy"))) {
            EXPECT_EQ(Count(out, "subtitle"), 1);
        }
    } else if (hasVideo && !fixedFrame && (kind == "portrait.mp4" || kind == "phone.mp4")) {
        // Shown upright: tall frames, or wide frames the player turns by a quarter.
        const bool turned = video->rotation == 90 || video->rotation == 270;
        EXPECT_TRUE(turned ? video->width > video->height : video->width < video->height)
            << video->width << "x" << video->height << " turned " << video->rotation;
        if (kind == "phone.mp4" && Contains(params, "-map 0 ")) {
            EXPECT_EQ(Count(out, "subtitle"), 1) << "the text subtitle is kept";
        }
    } else if (kind == "hdr10.mkv" && hasVideo && !copiesVideo) {
        // Ten bits keep HDR; eight bits are tone-mapped, never PQ-tagged (that plays washed out).
        if (Contains(params, "10le"))
            EXPECT_EQ(out.colour.transfer, "smpte2084");
        else
            EXPECT_NE(out.colour.transfer, "smpte2084");
    } else if (kind == "tv.mkv" && hasVideo && !copiesVideo) {
        EXPECT_TRUE(video->fieldOrder == "progressive" || video->fieldOrder.empty()) << video->fieldOrder;
    }
}

} // namespace

TEST(ShippedProfiles, EveryProfileConvertsEveryKindOfSource)
{
#ifdef VIDMORPH_SANITIZED
    GTEST_SKIP() << "110 real conversions: run once, in the plain build";
#endif
    const std::string converter = VIDMORPH_APP_DIR "/ffmpeg";
    const std::string probe = ProbePath(converter);
    ASSERT_FALSE(probe.empty()) << "ffprobe is not installed (scripts/install-deps installs it)";
    TempDir dir;
    const std::string subtitles = dir.file("subs.srt");
    WriteFileBytes(subtitles, "1\n00:00:00,000 --> 00:00:00,900\nHello\n\n");
    for (const TClipKind& kind : kKinds) {
        std::string arguments = kind.ffmpegArguments;
        if (const size_t at = arguments.find("SUBS"); at != std::string::npos)
            arguments.replace(at, 4, platform::QuoteArgument(subtitles));
        const std::string clip = dir.file(kind.name), ffmpeg = platform::QuoteArgument(converter) + " -nostdin -v error ";
        const std::string first = kind.copyArguments ? clip + ".first.mp4" : clip;
        platform::TCapturedRun made = platform::RunCaptured(ffmpeg + arguments + " " + platform::QuoteArgument(first), 60000);
        if (made.exitCode == 0 && kind.copyArguments)
            made = platform::RunCaptured(ffmpeg + "-i " + platform::QuoteArgument(first) + " -map 0 -c copy "
                    + kind.copyArguments + " " + platform::QuoteArgument(clip),
                60000);
        ASSERT_EQ(made.exitCode, 0) << kind.name << ": " << made.output;
    }
    const TProfileList profiles(VIDMORPH_APP_DIR "/command");
    ASSERT_GE(profiles.ProfileCount(), 22);
    const TPlanSettings settings { converter, dir.path() + "/out/", probe, false, nullptr };
    QDir().mkpath(QString::fromStdString(dir.path() + "/out"));
    for (int i = 0; i < profiles.ProfileCount(); ++i)
        for (const TClipKind& kind : kKinds) {
            SCOPED_TRACE("profile " + std::to_string(i) + ", " + kind.name);
            const TEntryPlan plan
                = PlanEntry({ QString::fromStdString(dir.file(kind.name)), i, QString() }, profiles, settings);
            ASSERT_EQ(plan.problem, "");
            const platform::TCapturedRun run = platform::RunCaptured(plan.commandLine, 120000);
            ASSERT_EQ(run.exitCode, 0) << plan.commandLine << "\n" << run.output;
            TConverterLog log;
            for (const QString& line : QString::fromStdString(run.output).split(QRegularExpression("[\r\n]")))
                log.Read(line.toStdString());
            EXPECT_EQ(CheckOutput({ plan.outputPath, plan.source, plan.params, probe, plan.probed.seconds }, log), "");
            const TSourceInfo out = ProbeSource(probe, plan.outputPath);
            ASSERT_TRUE(out.read) << out.error;
            ExpectFits(kind.name, plan.params, out);
        }
}
