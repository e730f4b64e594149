// Profiles fitted to their sources: what ffprobe reads, and the arguments the plan makes of it.
#include "engine/entryPlan.h"
#include "engine/outputCheck.h"
#include "engine/profileFit.h"
#include "engine/sourceProbe.h"
#include "platform/process.h"
#include "testFiles.h"

#include <gtest/gtest.h>

#include <QDir>

#include <cstdlib>

namespace {

TSourceStream S(const char* type, const char* codec, int channels = 0)
{
    TSourceStream stream;
    stream.type = type;
    stream.codec = codec;
    stream.channels = channels;
    return stream;
}

TSourceInfo Video(const char* fieldOrder)
{
    TSourceInfo info;
    info.read = true;
    info.streams.push_back(S("video", "h264"));
    info.streams.back().fieldOrder = fieldOrder;
    info.streams.push_back(S("audio", "aac", 2));
    return info;
}

constexpr const char* kLayouts = "aformat=channel_layouts=7.1|6.1|5.1|5.0|quad|3.0|stereo|mono";

} // namespace

TEST(ProfileFit, ArgumentsKeepWhatTheSourceHas)
{
    const std::string h264 = "-nostdin -n -map 0:V? -vf \"crop=trunc(iw/2)*2:trunc(ih/2)*2\" -c:v libx264 -crf 23";
    EXPECT_EQ(FitToSource(h264, "mp4", Video("tt")),
        "-nostdin -n -map 0:V? -vf \"bwdif=mode=send_frame,crop=trunc(iw/2)*2:trunc(ih/2)*2\" -c:v libx264 -crf 23");
    EXPECT_EQ(FitToSource("-c:v mpeg4 -q:v 4", "mp4", Video("bb")), "-c:v mpeg4 -q:v 4 -vf bwdif=mode=send_frame");
    for (const char* order : { "progressive", "", "unknown" })
        EXPECT_EQ(FitToSource(h264, "mp4", Video(order)), h264) << "a progressive source is never filtered";
    for (const char* untouched : { "-map 0 -c copy", "-c:v copy -c:a aac", "-vn -c:a flac",
             "-filter_complex \"[0:v]yadif[v]\" -map [v] -c:v libx264" })
        EXPECT_EQ(FitToSource(untouched, "mp4", Video("tt")), untouched);
    EXPECT_EQ(FitToSource(h264, "mp4", TSourceInfo {}), h264) << "an unread source keeps the profile as written";

    // MP4 cannot hold PCM: a copying MP4 profile encodes those audio streams to ALAC, by their
    // place among the audio streams; other containers and encoding profiles are left alone.
    TSourceInfo camera = Video("progressive");
    camera.streams.push_back(S("audio", "pcm_s16le", 2));
    const std::string remux = "-map 0:V? -map 0:a? -c copy -movflags +faststart";
    EXPECT_EQ(FitToSource(remux, "mp4", camera), remux + " -c:a:1 alac");
    EXPECT_EQ(FitToSource(remux, "mkv", camera), remux);
    EXPECT_EQ(FitToSource("-c:v libx264 -c:a aac", "mp4", camera), "-c:v libx264 -c:a aac");
    EXPECT_EQ(FitToSource("-c copy -an", "mp4", camera), "-c copy -an");

    // A cover picture ahead of the film does not decide.
    const TSourceInfo covered = ParseProbeJson(R"({"streams":[
        {"codec_type":"video","codec_name":"mjpeg","disposition":{"attached_pic":1}},
        {"codec_type":"video","codec_name":"h264","field_order":"tt"},
        {"codec_type":"audio","codec_name":"ac3","channels":6}],"format":{"duration":"12.5"}})");
    EXPECT_TRUE(covered.read);
    EXPECT_TRUE(covered.Interlaced());
    EXPECT_EQ(covered.seconds, 12.5);
    EXPECT_EQ(covered.streams[2].channels, 6);
    EXPECT_FALSE(ParseProbeJson("not json").read);
}

// Audio, subtitles and rotation fitted stream by stream.
TEST(ProfileFit, StreamsKeepTheirQualityLayoutAndPlace)
{
    const auto source = [](std::vector<TSourceStream> streams) {
        TSourceInfo info;
        info.read = true;
        info.streams = std::move(streams);
        return info;
    };
    // AC-3 is copied into MP4 and Matroska; a 6-channel FLAC track gets 64 kbit/s a channel and a
    // named layout; stereo stays at the profile's rate. Copied tracks take no filter.
    const TSourceInfo film = source({ S("video", "h264"), S("audio", "ac3", 6), S("audio", "flac", 6),
        S("audio", "aac", 2) });
    const std::string aac = "-map 0:a? -c:v libx264 -c:a aac -b:a 160k";
    EXPECT_EQ(FitToSource(aac, "mp4", film),
        aac + " -c:a:0 copy -b:a:1 384k -filter:a:1 \"" + std::string(kLayouts) + "\" -filter:a:2 \"" + kLayouts + "\"");
    const std::string opus = "-c:a libopus -b:a 128k -af \"" + std::string(kLayouts) + "\"";
    EXPECT_EQ(FitToSource(opus, "webm", film), "-c:a libopus -b:a 128k -b:a:0 384k -b:a:1 384k -af \"" + std::string(kLayouts) + "\"")
        << "WebM cannot hold AC-3";
    for (const char* untouched : { "-c:a aac -ac 2", "-c copy", "-c:a libmp3lame -b:a 192k", "-an" })
        EXPECT_EQ(FitToSource(untouched, "mp4", film), untouched);
    EXPECT_EQ(FitToSource("-c:a aac -b:a 448k", "m4a", source({ S("audio", "flac", 6) })),
        "-c:a aac -b:a 448k -af \"" + std::string(kLayouts) + "\"")
        << "a higher rate of the profile stays";

    // Picture subtitles: copied into Matroska, left out of MP4 (later tracks move up), with a note;
    // a Matroska copy turns MP4 text subtitles into SRT.
    const TSourceInfo disc = source({ S("video", "h264"), S("subtitle", "hdmv_pgs_subtitle"),
        S("subtitle", "subrip"), S("subtitle", "dvd_subtitle") });
    std::vector<std::string> notes;
    EXPECT_EQ(FitToSource("-map 0:s? -c:s srt", "mkv", disc, &notes), "-map 0:s? -c:s srt -c:s:0 copy -c:s:2 copy");
    EXPECT_TRUE(notes.empty());
    EXPECT_EQ(FitToSource("-map 0:s? -c:s mov_text", "mp4", disc, &notes),
        "-map 0:s? -c:s mov_text -map -0:s:0 -map -0:s:2");
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_NE(notes[1].find("subtitle 3 (dvd_subtitle)"), std::string::npos) << notes[1];
    EXPECT_EQ(FitToSource("-map 0 -c copy", "mkv", source({ S("subtitle", "mov_text") })),
        "-map 0 -c copy -c:s:0 srt");
    EXPECT_EQ(FitToSource("-sn -c:s srt", "mkv", disc), "-sn -c:s srt");

    // A turned phone clip: MP4 keeps the turn, Matroska gets the film (not the cover) upright.
    TSourceInfo phone = source({ S("video", "mjpeg"), S("video", "h264"), S("audio", "aac", 2) });
    phone.streams[0].attachedPicture = true;
    phone.streams[1].rotation = 90;
    notes.clear();
    EXPECT_EQ(FitToSource("-map 0 -c copy", "mp4", phone, &notes), "-map 0 -c copy");
    EXPECT_EQ(FitToSource("-map 0 -c copy", "mkv", phone, &notes),
        "-map 0 -c copy -c:v:1 libx264 -preset:v:1 medium -crf:v:1 18 -pix_fmt:v:1 yuv420p");
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("90 degrees"), std::string::npos);
    EXPECT_EQ(FitToSource("-c:v libx264", "mkv", phone), "-c:v libx264") << "encoding turns the frames anyway";
}

// Shipped profiles on real clips: an interlaced clip comes out progressive, the same clip made
// progressive plans the profile as written, and PCM sound remuxes into MP4.
TEST(ProfileFit, RealClipsFitTheirProfiles)
{
    TempDir dir;
    const std::string interlaced = dir.file("tv.mp4"), progressive = dir.file("film.mp4");
    ASSERT_EQ(std::system(("ffmpeg -nostdin -v error -f lavfi -i testsrc=duration=1:size=320x180:rate=25"
                           " -vf interlace -c:v libx264 -preset ultrafast -flags +ildct+ilme -x264-params tff=1"
                           " -pix_fmt yuv420p '" + interlaced + "' && ffmpeg -nostdin -v error -f lavfi"
                           " -i testsrc=duration=1:size=320x180:rate=25 -c:v libx264 -preset ultrafast"
                           " -pix_fmt yuv420p '" + progressive + "'")
                              .c_str()),
        0);
    const TProfileList profiles(VIDMORPH_APP_DIR "/command");
    const std::string probe = ProbePath(VIDMORPH_APP_DIR "/ffmpeg");
    ASSERT_FALSE(probe.empty()) << "ffprobe is not installed (scripts/install-deps installs it)";
    const TPlanSettings settings { VIDMORPH_APP_DIR "/ffmpeg", dir.path() + "/out/", probe, false, nullptr };
    const TEntryPlan tv = PlanEntry({ QString::fromStdString(interlaced), 0, QString() }, profiles, settings);
    EXPECT_NE(tv.params.find("bwdif=mode=send_frame,"), std::string::npos) << tv.params;
    EXPECT_TRUE(tv.probed.Interlaced());
    const TEntryPlan film = PlanEntry({ QString::fromStdString(progressive), 0, QString() }, profiles, settings);
    EXPECT_EQ(film.params, profiles.GetParams(0));

    QDir().mkpath(QString::fromStdString(dir.path() + "/out"));
    // A camera's MOV with PCM sound remuxes into MP4 (profile 19) with the video still copied.
    const std::string camera = dir.file("camera.mov");
    ASSERT_EQ(std::system(("ffmpeg -nostdin -v error -f lavfi -i testsrc=duration=1:size=160x90:rate=25 -f lavfi"
                           " -i sine=duration=1 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a pcm_s16le"
                           " -shortest '" + camera + "'")
                              .c_str()),
        0);
    const TEntryPlan remux = PlanEntry({ QString::fromStdString(camera), 19, QString() }, profiles, settings);
    const platform::TCapturedRun remuxed = platform::RunCaptured(remux.commandLine, 60000);
    EXPECT_EQ(remuxed.exitCode, 0) << remux.commandLine << "\n" << remuxed.output;
    const TSourceInfo out = ProbeSource(probe, remux.outputPath);
    ASSERT_EQ(out.streams.size(), 2u) << remux.commandLine;
    EXPECT_EQ(out.streams[0].codec, "h264");
    EXPECT_EQ(out.streams[1].codec, "alac");

    const platform::TCapturedRun run = platform::RunCaptured(tv.commandLine, 60000);
    ASSERT_EQ(run.exitCode, 0) << tv.commandLine << "\n" << run.output;
    EXPECT_EQ(ParseProbeJson(platform::RunCaptured(platform::QuoteArgument(probe)
                                 + " -v error -show_streams -of json " + platform::QuoteArgument(tv.outputPath),
                                 30000)
                                 .output)
                  .streams.at(0)
                  .fieldOrder,
        "progressive");
}
