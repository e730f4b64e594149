// HDR sources: what the probe reads of their colour, and the arguments each kind of profile makes
// of it (HDR kept at 10 bits, tone-mapped to BT.709 at 8 bits).
#include "engine/colourFit.h"
#include "engine/entryPlan.h"
#include "engine/profileFit.h"
#include "engine/sourceProbe.h"
#include "platform/process.h"
#include "testFiles.h"

#include <gtest/gtest.h>

#include <QDir>

#include <cstdlib>

namespace {

const char* const kToneMap
    = "zscale=tin=smpte2084:pin=bt2020:min=bt2020nc:t=linear:npl=100,format=gbrpf32le,"
      "zscale=p=bt709,tonemap=hable:desat=0,zscale=t=bt709:m=bt709:r=tv,format=yuv420p";
const char* const kBt709 = " -color_primaries bt709 -color_trc bt709 -colorspace bt709";
const char* const kMasterDisplay = "G(13250,34500)B(7500,3000)R(34000,16000)WP(15635,16450)L(10000000,1)";

// ffprobe's JSON for a film behind a cover picture, its HDR10 metadata in its first key frame.
TSourceInfo Hdr10(const std::string& transfer = "smpte2084", const std::string& fieldOrder = "progressive")
{
    return ParseProbeJson(R"({"frames":[{"media_type":"video","stream_index":0,"side_data_list":[
            {"side_data_type":"Mastering display metadata","red_x":"0/1","red_y":"0/1"}]},
        {"media_type":"audio","stream_index":2},
        {"media_type":"video","stream_index":1,"side_data_list":[
            {"side_data_type":"Mastering display metadata","red_x":"34000/50000","red_y":"16000/50000",
             "green_x":"13250/50000","green_y":"34500/50000","blue_x":"7500/50000","blue_y":"3000/50000",
             "white_point_x":"15635/50000","white_point_y":"16450/50000","min_luminance":"1/10000",
             "max_luminance":"10000000/10000"},
            {"side_data_type":"Content light level metadata","max_content":1000,"max_average":400}]}],
        "streams":[{"index":0,"codec_type":"video","codec_name":"mjpeg","disposition":{"attached_pic":1}},
        {"index":1,"codec_type":"video","codec_name":"hevc","field_order":")"
        + fieldOrder + R"(","color_primaries":"bt2020","color_transfer":")" + transfer
        + R"(","color_space":"bt2020nc"},
        {"index":2,"codec_type":"audio","codec_name":"aac","channels":2}],"format":{"duration":"1.0"}})");
}

} // namespace

TEST(ColourFit, HdrIsKeptAtTenBitsAndToneMappedAtEight)
{
    // The probe: the film's tags, and its first key frame's HDR10 metadata in x265's units.
    const TSourceInfo pq = Hdr10();
    ASSERT_TRUE(pq.read);
    EXPECT_EQ(pq.colour.transfer, "smpte2084");
    ASSERT_TRUE(pq.colour.masteringDisplay && pq.colour.contentLight) << "read from the film's frame";
    EXPECT_EQ(pq.colour.masteringDisplay->greenY, 34500);
    EXPECT_EQ(pq.colour.masteringDisplay->maxLuminance, 10000000);
    EXPECT_EQ(pq.colour.masteringDisplay->minLuminance, 1);
    EXPECT_EQ(pq.colour.contentLight->maxFall, 400);
    // Stream side data (Matroska's, MP4's) is the same; values that are not whole, sane numbers
    // leave the metadata out rather than pass anything odd to the encoder.
    const auto display = [](const char* maxLuminance) {
        return ParseProbeJson(std::string(R"({"streams":[{"index":0,"codec_type":"video","side_data_list":[
            {"side_data_type":"Mastering display metadata","red_x":"34000/50000","red_y":"16000/50000",
             "green_x":"13250/50000","green_y":"34500/50000","blue_x":"7500/50000","blue_y":"3000/50000",
             "white_point_x":"15635/50000","white_point_y":"16450/50000","min_luminance":"50/10000",
             "max_luminance":")")
            + maxLuminance + R"("}]}]})")
            .colour.masteringDisplay;
    };
    ASSERT_TRUE(display("1000/1"));
    EXPECT_EQ(display("1000/1")->maxLuminance, 10000000);
    for (const char* odd : { "1/0", "-1000/1", "abc", "1/2/3", "nan", "99999999/1", "40/10000" })
        EXPECT_FALSE(display(odd)) << odd;

    const TProfileList profiles(VIDMORPH_APP_DIR "/command");
    // Profile 18 (H.265 10-bit) carries the tags and the metadata into x265's own parameters.
    const std::string hevc10 = profiles.GetParams(18);
    const std::string kept = FitToSource(hevc10, "mp4", pq);
    std::string expected = hevc10;
    expected.replace(expected.find("log-level=error:repeat-headers=1"), 32,
        "\"log-level=error:repeat-headers=1:colorprim=bt2020:transfer=smpte2084:colormatrix=bt2020nc:hdr10=1:"
        "hdr10-opt=1:master-display="
            + std::string(kMasterDisplay) + ":max-cll=1000,400\"");
    EXPECT_EQ(kept, expected + " -color_primaries bt2020 -color_trc smpte2084 -colorspace bt2020nc");
    EXPECT_EQ(FitToSource(kept, "mp4", pq), kept) << "fitting twice changes nothing more";
    const std::string hlg = FitToSource(hevc10, "mp4", ParseProbeJson(R"({"streams":[{"codec_type":"video",
        "color_primaries":"bt2020","color_transfer":"arib-std-b67","color_space":"bt2020nc"}]})"));
    EXPECT_NE(hlg.find("repeat-headers=1:colorprim=bt2020:transfer=arib-std-b67:colormatrix=bt2020nc -c:a"),
        std::string::npos)
        << hlg;
    EXPECT_EQ(hlg.find("hdr10"), std::string::npos) << "HLG is not HDR10";

    // 8-bit profiles tone-map at the head of their filters (after a deinterlacer) and say BT.709.
    const std::string h264 = profiles.GetParams(0);
    std::string toneMapped = h264;
    toneMapped.replace(toneMapped.find("-vf \"") + 5, 0, std::string(kToneMap) + ",");
    EXPECT_EQ(FitToSource(h264, "mp4", pq), toneMapped + kBt709);
    EXPECT_NE(FitToSource(h264, "mp4", Hdr10("smpte2084", "tt"))
                  .find(std::string("-vf \"bwdif=mode=send_frame,") + kToneMap + ",crop="),
        std::string::npos);
    EXPECT_EQ(FitToSource("-c:v mpeg4 -q:v 4", "avi", Hdr10("smpte2084", "tt")),
        std::string("-c:v mpeg4 -q:v 4 -vf bwdif=mode=send_frame,") + kToneMap + kBt709);
    EXPECT_EQ(FitToSource("-c:v libx264 -pix_fmt yuv422p -color_trc smpte2084", "mkv", pq),
        "-c:v libx264 -pix_fmt yuv422p -color_trc bt709 -vf "
            + std::string(kToneMap).replace(std::string(kToneMap).size() - 7, 7, "yuv422p")
            + " -color_primaries bt709 -colorspace bt709");
    EXPECT_NE(FitToSource(profiles.GetParams(1), "mp4", pq)
                  .find("log-level=error:colorprim=bt709:transfer=bt709:colormatrix=bt709 "),
        std::string::npos)
        << "x265 says BT.709 too";
    for (int sdr : { 1, 2, 3, 4, 6, 7, 8, 14, 15, 16, 17 }) {
        const std::string fitted = FitToSource(profiles.GetParams(sdr), profiles.GetExt(sdr), pq);
        EXPECT_NE(fitted.find("tonemap=hable"), std::string::npos) << sdr << ": " << fitted;
        EXPECT_EQ(fitted.find("smpte2084"), fitted.find("tin=smpte2084") + 4) << sdr << ": " << fitted;
        EXPECT_EQ(fitted.find("smpte2084"), fitted.rfind("smpte2084"))
            << sdr << ": only the tone-map's input";
    }
    EXPECT_NE(FitToSource(profiles.GetParams(21), "mov", pq).find("-color_trc smpte2084"), std::string::npos)
        << "ProRes 422 10-bit keeps HDR";

    // Untouched: video copied or dropped, an SDR or unread source, a -filter_complex graph, an
    // encoder left to choose its depth.
    for (int untouched : { 5, 9, 10, 11, 12, 13, 19, 20 })
        EXPECT_EQ(FitToSource(profiles.GetParams(untouched), profiles.GetExt(untouched), pq),
            profiles.GetParams(untouched))
            << untouched;
    for (const char* params :
        { "-filter_complex \"[0:v]scale=320:-2[v]\" -map [v] -c:v libx264 -pix_fmt yuv420p",
            "-c:v libx264 -crf 20" })
        EXPECT_EQ(FitToSource(params, "mkv", pq), params);
    EXPECT_EQ(FitToSource(h264, "mp4", Hdr10("bt709")), h264);
    EXPECT_EQ(FitToSource(h264, "mp4", TSourceInfo {}), h264);
    // Tag names from the file reach the command line only when known.
    TSourceInfo odd = pq;
    odd.colour.primaries = "bt2020 -y -i /etc/passwd";
    odd.colour.space = "\"x\"";
    const std::string oddFitted = FitToSource(hevc10, "mp4", odd);
    EXPECT_EQ(oddFitted.find("passwd"), std::string::npos) << oddFitted;
    EXPECT_EQ(oddFitted.find("x\\\""), std::string::npos) << oddFitted;
    EXPECT_NE(FitToSource(h264, "mp4", odd).find("pin=bt2020:min=bt2020nc:"), std::string::npos)
        << "tone-mapping assumes BT.2100's primaries and matrix";
}

// Real clips: an HDR10 clip through profile 18 keeps its metadata and tags; through 8-bit profiles
// it comes out tagged BT.709, and an HLG clip too.
TEST(ColourFit, RealHdrClipsKeepOrToneMap)
{
    TempDir dir;
    const std::string pq = dir.file("pq.mkv"), hlg = dir.file("hlg.mp4");
    // The PQ film starts behind half a second of sound: its first packets are audio.
    ASSERT_EQ(
        std::system(("ffmpeg -nostdin -v error -f lavfi -i sine=duration=1.5 -itsoffset 0.5 -f lavfi"
                     " -i testsrc2=d=1:s=320x180 -map 0:a -map 1:v -c:a aac -c:v libx265 -preset ultrafast"
                     " -pix_fmt yuv420p10le -x265-params log-level=error:hdr10=1:colorprim=bt2020:"
                     "transfer=smpte2084:colormatrix=bt2020nc:master-display='"
            + std::string(kMasterDisplay)
            + "':max-cll=1000,400 -color_primaries bt2020"
              " -color_trc smpte2084 -colorspace bt2020nc '"
            + pq
            + "' && ffmpeg -nostdin -v error"
              " -f lavfi -i testsrc2=d=1:s=320x180 -c:v libx265 -preset ultrafast -pix_fmt yuv420p10le"
              " -x265-params log-level=error:colorprim=bt2020:transfer=arib-std-b67:colormatrix=bt2020nc"
              " -color_primaries bt2020 -color_trc arib-std-b67 -colorspace bt2020nc '"
            + hlg + "'")
                        .c_str()),
        0);
    const TProfileList profiles(VIDMORPH_APP_DIR "/command");
    const std::string probe = ProbePath(VIDMORPH_APP_DIR "/ffmpeg");
    ASSERT_FALSE(probe.empty()) << "ffprobe is not installed (scripts/install-deps installs it)";
    QDir().mkpath(QString::fromStdString(dir.path() + "/out"));
    const TPlanSettings settings { VIDMORPH_APP_DIR "/ffmpeg", dir.path() + "/out/", probe, false, nullptr };
    const auto convert = [&](const std::string& source, int profile) {
        const TEntryPlan plan
            = PlanEntry({ QString::fromStdString(source), profile, QString() }, profiles, settings);
        const platform::TCapturedRun run = platform::RunCaptured(plan.commandLine, 60000);
        EXPECT_EQ(run.exitCode, 0) << plan.commandLine << "\n" << run.output;
        return ProbeSource(probe, plan.outputPath).colour;
    };

    const TEntryPlan planned = PlanEntry({ QString::fromStdString(pq), 18, QString() }, profiles, settings);
    ASSERT_TRUE(planned.probed.colour.masteringDisplay) << "read from the first key frame behind the sound";
    EXPECT_EQ(planned.probed.colour.masteringDisplay->redX, 34000);

    const TSourceColour kept = convert(pq, 18);
    EXPECT_EQ(kept.primaries, "bt2020");
    EXPECT_EQ(kept.transfer, "smpte2084");
    EXPECT_EQ(kept.space, "bt2020nc");
    EXPECT_TRUE(kept.masteringDisplay && kept.contentLight) << "HDR10 metadata lost";
    if (kept.masteringDisplay && kept.contentLight) {
        const TMasteringDisplay& d = *kept.masteringDisplay;
        EXPECT_EQ(std::vector<long long>({ d.greenX, d.greenY, d.blueX, d.blueY, d.redX, d.redY, d.whiteX,
                      d.whiteY, d.maxLuminance, d.minLuminance }),
            std::vector<long long>({ 13250, 34500, 7500, 3000, 34000, 16000, 15635, 16450, 10000000, 1 }));
        EXPECT_EQ(kept.contentLight->maxCll, 1000);
        EXPECT_EQ(kept.contentLight->maxFall, 400);
    }

    for (int sdr : { 0, 8 }) {
        const TSourceColour out = convert(pq, sdr);
        EXPECT_EQ(out.primaries + " " + out.transfer + " " + out.space, "bt709 bt709 bt709") << sdr;
    }
    EXPECT_NE(convert(pq, 7).transfer, "smpte2084") << "AVI holds no tags; PQ must not reach it";
    const TSourceColour fromHlg = convert(hlg, 0);
    EXPECT_EQ(fromHlg.primaries + " " + fromHlg.transfer + " " + fromHlg.space, "bt709 bt709 bt709");
}
