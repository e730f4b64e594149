// The profile file that ships beside the program, run through the real ffmpeg with the very
// command line the job runner builds (ConverterCommandLine).
#include "engine/entryPlan.h"
#include "engine/jobRunner.h"
#include "formats/profileList.h"
#include "platform/fileSystem.h"
#include "platform/process.h"
#include "testFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtCore/qtestsupport_core.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <map>
#include <set>
#include <sstream>
#include <thread>

using namespace platform;

namespace {

const std::string kProfileFile = VIDMORPH_SOURCE_DIR "/assets/command";

// What one profile must produce from a clip with H.264 video, two AAC tracks and a text subtitle.
struct Expected {
    std::string container; // ffprobe's format_name
    std::vector<std::string> streams; // "type:codec", sorted; nothing else may be in the file
    int boxLong = 0; // frames fit this box (long side x short side, in either orientation),
    int boxShort = 0; // aspect kept, never enlarged; 0: the source's frame size is kept
    int fixedWidth = 0, fixedHeight = 0; // a fixed frame size (DVD)
    int maxWidth = 0; // only the width is bounded (GIF)
};

const std::map<std::string, Expected>& ExpectedResults()
{
    const std::string mp4 = "mov,mp4,m4a,3gp,3g2,mj2";
    const auto tracks = [](const std::string& audio, const std::string& video, const std::string& subtitle) {
        std::vector<std::string> kinds { "audio:" + audio, "audio:" + audio, "video:" + video };
        if (!subtitle.empty())
            kinds.push_back("subtitle:" + subtitle);
        std::sort(kinds.begin(), kinds.end());
        return kinds;
    };
    static const std::map<std::string, Expected> table {
        { "MP4 video (H.264, AAC)", { mp4, tracks("aac", "h264", "mov_text") } },
        { "MP4 video (H.265/HEVC, AAC)", { mp4, tracks("aac", "hevc", "mov_text") } },
        { "MP4 video 720p (H.264, AAC)", { mp4, tracks("aac", "h264", "mov_text"), 1280, 720 } },
        { "MP4 video 480p (H.264, AAC)", { mp4, tracks("aac", "h264", "mov_text"), 854, 480 } },
        { "WebM video (VP9, Opus)", { "matroska,webm", tracks("opus", "vp9", "webvtt") } },
        { "MKV video (copy streams, no re-encoding)", { "matroska,webm", tracks("aac", "h264", "subrip") } },
        // FLV holds one audio track and no subtitles.
        { "FLV video (H.264, AAC)", { "flv", { "audio:aac", "video:h264" } } },
        { "AVI video (MPEG-4, MP3)", { "avi", tracks("mp3", "mpeg4", "") } },
        // The DVD muxer writes navigation packets, which ffprobe lists as a data stream.
        { "MPEG-2 video (DVD-style, AC-3)",
            { "mpeg", { "audio:ac3", "audio:ac3", "data:dvd_nav_packet", "video:mpeg2video" }, 0, 0, 720,
                576 } },
        { "MP3 audio (192 kbit/s)", { "mp3", { "audio:mp3" } } },
        { "M4A audio (AAC, 192 kbit/s)", { mp4, { "audio:aac" } } },
        { "Opus audio (128 kbit/s)", { "ogg", { "audio:opus" } } },
        { "FLAC audio (lossless)", { "flac", { "audio:flac" } } },
        { "WAV audio (PCM, 16-bit)", { "wav", { "audio:pcm_s16le" } } },
        { "Animated GIF (10 fps, up to 320 px wide)", { "gif", { "video:gif" }, 0, 0, 0, 0, 320 } },
        { "MKV video (AV1 SVT-AV1, Opus)", { "matroska,webm", tracks("opus", "av1", "subrip") } },
        { "MP4 video 1080p (H.264, AAC)", { mp4, tracks("aac", "h264", "mov_text"), 1920, 1080 } },
        { "MP4 for phones, vertical kept (H.264, AAC)",
            { mp4, tracks("aac", "h264", "mov_text"), 1920, 1080 } },
        { "MP4 video (H.265 10-bit, keeps HDR, AAC)", { mp4, tracks("aac", "hevc", "mov_text") } },
        { "MP4 remux (copy streams, no re-encoding)", { mp4, tracks("aac", "h264", "mov_text") } },
        { "MKA audio (copy all audio tracks)", { "matroska,webm", { "audio:aac", "audio:aac" } } },
        { "MOV video (ProRes 422, PCM)", { mp4, tracks("pcm_s16le", "prores", "mov_text") } },
    };
    return table;
}

bool HasVideo(const Expected& e)
{
    return std::any_of(
        e.streams.begin(), e.streams.end(), [](const std::string& s) { return s.rfind("video:", 0) == 0; });
}

std::string FindTool(const char* name)
{
    return QStandardPaths::findExecutable(QString::fromLatin1(name)).toStdString();
}

#define REQUIRE_TOOL(var, name)                                                                              \
    const std::string var = FindTool(name);                                                                  \
    ASSERT_FALSE(var.empty()) << name " was not found on PATH. The end-to-end profile tests need "           \
                                      "the real converter: install Debian's ffmpeg package (the "            \
                                      "project's install script does).";

std::string Tail(const std::string& text, size_t bytes = 3000)
{
    return text.size() <= bytes ? text : "..." + text.substr(text.size() - bytes);
}

struct RunResult {
    int startError = 0;
    uint32_t exitCode = kStillActive;
    bool timedOut = false;
    double seconds = 0;
    std::string out; // standard output
    std::string log; // standard error
};

// Runs a command line as the program does: split by the Windows rules and executed directly, with
// standard input a pipe that stays open and never delivers a byte, so a child that waits for an
// answer waits until the deadline kills it.
RunResult RunCommand(const std::string& commandLine, const TempDir& scratch, int timeoutMs)
{
    RunResult result;
    TPipe input;
    if (CreatePipe(input) != 0) {
        result.startError = errno;
        return result;
    }
    const std::string outPath = scratch.file("run.out");
    const std::string logPath = scratch.file("run.log");
    TUniqueFd out(open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    TUniqueFd log(open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    TChildProcess child;
    const auto start = std::chrono::steady_clock::now();
    result.startError = child.Start(commandLine, input.readEnd.Get(), out.Get(), log.Get());
    input.readEnd.Reset();
    if (result.startError != 0)
        return result;
    for (;;) {
        result.exitCode = child.ExitCode();
        result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (result.exitCode != kStillActive)
            break;
        if (result.seconds * 1000 > timeoutMs) {
            result.timedOut = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    child.Terminate(); // kills it on a time-out; reaps it either way
    result.out = ReadFileBytes(outPath);
    result.log = ReadFileBytes(logPath);
    return result;
}

std::string Describe(const RunResult& r)
{
    std::ostringstream s;
    if (r.startError)
        s << "could not start: " << std::strerror(r.startError);
    else if (r.timedOut)
        s << "still running after " << r.seconds << " s, killed";
    else
        s << "exit code " << r.exitCode << " after " << r.seconds << " s";
    s << "\n--- output ---\n" << Tail(r.log);
    return s.str();
}

// Makes a test clip with ffmpeg itself; fails the test when that does not work.
void MakeClip(const std::string& ffmpeg, const std::string& arguments, const std::string& output,
    const TempDir& scratch)
{
    const RunResult r = RunCommand(QuoteArgument(ffmpeg) + " -nostdin -y -hide_banner -loglevel error "
            + arguments + " " + QuoteArgument(output),
        scratch, 60000);
    ASSERT_TRUE(r.startError == 0 && r.exitCode == 0) << "making the test clip failed: " << Describe(r);
    ASSERT_TRUE(FileExists(output));
}

// One second of 320x240, 25 fps H.264 video, two AAC tracks and a text subtitle track: SubRip in
// a Matroska output, mov_text in MP4.
void MakeSourceClip(const std::string& ffmpeg, const std::string& output, const TempDir& scratch)
{
    const std::string subtitles = scratch.file("subtitles.srt");
    WriteFileBytes(subtitles, "1\r\n00:00:00,000 --> 00:00:00,900\r\nHello\r\n\r\n");
    const bool mp4 = output.size() > 4 && output.compare(output.size() - 4, 4, ".mp4") == 0;
    MakeClip(ffmpeg,
        "-f lavfi -i testsrc=duration=1:size=320x240:rate=25 -f lavfi -i sine=frequency=440:duration=1"
        " -f lavfi -i sine=frequency=660:duration=1 -i "
            + QuoteArgument(subtitles)
            + " -map 0 -map 1 -map 2 -map 3 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -c:s "
            + (mp4 ? "mov_text" : "srt"),
        output, scratch);
}

// A video-only clip of the given size (5 frames, lossless, so odd sizes are possible).
void MakeFrameClip(
    const std::string& ffmpeg, int width, int height, const std::string& output, const TempDir& scratch)
{
    MakeClip(ffmpeg,
        "-f lavfi -i testsrc=duration=1:size=" + std::to_string(width) + "x" + std::to_string(height)
            + ":rate=5 -c:v ffv1",
        output, scratch);
}

struct Stream {
    std::string type, codec;
    int width = 0, height = 0;
    std::string pixFmt, primaries, transfer, matrix;
};
struct Probe {
    std::string container;
    double duration = -1; // -1: not reported
    std::vector<Stream> streams;
    std::string problem; // empty when ffprobe read the file
    std::vector<std::string> Kinds() const
    {
        std::vector<std::string> kinds;
        for (const Stream& s : streams)
            kinds.push_back(s.type + ":" + s.codec);
        std::sort(kinds.begin(), kinds.end());
        return kinds;
    }
    const Stream* Video() const
    {
        for (const Stream& s : streams)
            if (s.type == "video")
                return &s;
        return nullptr;
    }
};

Probe ProbeFile(const std::string& ffprobe, const std::string& path, const TempDir& scratch)
{
    Probe probe;
    const RunResult r = RunCommand(QuoteArgument(ffprobe)
            + " -v error -show_entries format=format_name,duration"
              " -show_entries "
              "stream=codec_name,codec_type,width,height,pix_fmt,color_primaries,color_transfer,"
              "color_space -of default "
            + QuoteArgument(path),
        scratch, 30000);
    if (r.startError || r.exitCode != 0) {
        probe.problem = "ffprobe: " + Describe(r);
        return probe;
    }
    // Sections are [STREAM]...[/STREAM] and [FORMAT]...[/FORMAT]; nested ones (side data) are skipped.
    std::istringstream lines(r.out);
    std::string line;
    int depth = 0;
    bool inStream = false;
    while (std::getline(lines, line)) {
        if (line.rfind("[/", 0) == 0) {
            --depth;
            continue;
        }
        if (!line.empty() && line[0] == '[') {
            if (++depth == 1) {
                inStream = line == "[STREAM]";
                if (inStream)
                    probe.streams.emplace_back();
            }
            continue;
        }
        const size_t eq = line.find('=');
        if (depth != 1 || eq == std::string::npos)
            continue;
        const std::string key = line.substr(0, eq);
        const std::string value = line.substr(eq + 1);
        if (inStream) {
            Stream& s = probe.streams.back();
            if (key == "codec_type")
                s.type = value;
            else if (key == "codec_name")
                s.codec = value;
            else if (key == "width" && value != "N/A")
                s.width = std::stoi(value);
            else if (key == "height" && value != "N/A")
                s.height = std::stoi(value);
            else if (key == "pix_fmt")
                s.pixFmt = value;
            else if (key == "color_primaries")
                s.primaries = value;
            else if (key == "color_transfer")
                s.transfer = value;
            else if (key == "color_space")
                s.matrix = value;
        } else if (key == "format_name") {
            probe.container = value;
        } else if (key == "duration" && value != "N/A") {
            probe.duration = std::stod(value);
        }
    }
    return probe;
}

// The frame a profile made from a sourceW x sourceH frame: inside its box (or the source size),
// never larger than the source, the source's shape kept to within the rounding to whole (for
// H.264/H.265 even) pixels, and as large as the box allows.
void ExpectFrameFits(
    const Expected& e, const Stream& video, int sourceW, int sourceH, const std::string& what)
{
    SCOPED_TRACE(what + ": " + std::to_string(sourceW) + "x" + std::to_string(sourceH) + " became "
        + std::to_string(video.width) + "x" + std::to_string(video.height));
    ASSERT_GT(video.width, 0);
    ASSERT_GT(video.height, 0);
    if (e.fixedWidth) {
        EXPECT_EQ(video.width, e.fixedWidth);
        EXPECT_EQ(video.height, e.fixedHeight);
        return;
    }
    const bool portrait = sourceH > sourceW;
    const int limitW = e.maxWidth ? e.maxWidth : portrait ? e.boxShort : e.boxLong;
    const int limitH = e.maxWidth ? 0 : portrait ? e.boxLong : e.boxShort;
    const int boxW = limitW ? std::min(limitW, sourceW) : sourceW;
    const int boxH = limitH ? std::min(limitH, sourceH) : sourceH;
    EXPECT_LE(video.width, boxW);
    EXPECT_LE(video.height, boxH);
    EXPECT_TRUE(video.width >= boxW - 2 || video.height >= boxH - 2) << "the frame does not fill its box";
    const double sourceAspect = double(sourceW) / sourceH;
    const double aspect = double(video.width) / video.height;
    EXPECT_NEAR(aspect, sourceAspect, sourceAspect * 2.5 / std::min(video.width, video.height))
        << "aspect changed";
    if (video.codec == "h264" || video.codec == "hevc") {
        EXPECT_EQ(video.width % 2, 0) << "4:2:0 video needs even dimensions";
        EXPECT_EQ(video.height % 2, 0) << "4:2:0 video needs even dimensions";
    }
}

} // namespace

// The shipped file parses into complete, distinct profiles whose every run keeps ffmpeg from
// reading the terminal or pipe (-nostdin) and from replacing a file (-n), and the build puts that
// same file beside the program.
TEST(ShippedProfiles, FileDefinesSafeCompleteProfiles)
{
    const std::string bytes = ReadFileBytes(kProfileFile);
    ASSERT_FALSE(bytes.empty()) << kProfileFile << " is missing or empty";
    EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n", 0), 0u);
    for (size_t nl = bytes.find('\n'); nl != std::string::npos; nl = bytes.find('\n', nl + 1))
        ASSERT_TRUE(nl > 0 && bytes[nl - 1] == '\r') << "line ending without CR at byte " << nl;

    const TProfileList profiles(kProfileFile);
    ASSERT_GE(profiles.ProfileCount(), 12);
    std::set<std::string> names;
    for (int i = 0; i < profiles.ProfileCount(); ++i) {
        const std::string name = profiles.FormatNames()[i];
        SCOPED_TRACE("profile " + std::to_string(i) + " \"" + name + "\"");
        EXPECT_FALSE(name.empty());
        EXPECT_LE(name.size(), 48u) << "too long for a profile picker";
        EXPECT_TRUE(names.insert(name).second) << "two profiles share this name";
        EXPECT_TRUE(ExpectedResults().count(name)) << "no expected result for this profile in this test";

        const std::string ext = profiles.GetExt(i);
        EXPECT_FALSE(ext.empty());
        EXPECT_TRUE(std::all_of(
            ext.begin(), ext.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)); }))
            << "extension \"" << ext << "\" must be bare letters and digits";

        const std::string params = profiles.GetParams(i);
        ASSERT_FALSE(params.empty());
        EXPECT_TRUE(params.front() != ' ' && params.back() != ' ');
        const std::vector<std::string> args = SplitCommandLine(params);
        const auto has
            = [&](const char* option) { return std::find(args.begin(), args.end(), option) != args.end(); };
        EXPECT_TRUE(has("-nostdin")) << params;
        EXPECT_TRUE(has("-n")) << params;
        EXPECT_FALSE(has("-y")) << params;
        // An unbalanced quote would swallow the output file name into the last argument.
        EXPECT_EQ(std::count(params.begin(), params.end(), '"') % 2, 0) << params;
    }

    const std::string shipped = VIDMORPH_APP_DIR "/command";
    EXPECT_EQ(ReadFileBytes(shipped), bytes)
        << shipped << " differs from " << kProfileFile << "; re-run cmake";
}

// Every profile turns a one-second clip into the container and codecs its name promises, at the
// source's length and frame size; a second run onto that output refuses at once and leaves the
// file as it was. Paths with blanks and quotes pass through the command line intact.
TEST(ShippedProfiles, EveryProfileConvertsAndNeverOverwrites)
{
    REQUIRE_TOOL(ffmpeg, "ffmpeg");
    REQUIRE_TOOL(ffprobe, "ffprobe");
    TempDir dir;
    const std::string folder = dir.file("in and out");
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder)));
    const std::string source = folder + "/the \"source\" clip's.mkv";
    MakeSourceClip(ffmpeg, source, dir);
    if (HasFatalFailure())
        return;

    const TProfileList profiles(kProfileFile);
    ASSERT_GE(profiles.ProfileCount(), 12);
    for (int i = 0; i < profiles.ProfileCount(); ++i) {
        const std::string name = profiles.FormatNames()[i];
        SCOPED_TRACE("profile " + std::to_string(i) + " \"" + name + "\"");
        const auto found = ExpectedResults().find(name);
        ASSERT_NE(found, ExpectedResults().end()) << "no expected result for this profile";
        const Expected& expected = found->second;
        const std::string output = folder + "/out " + std::to_string(i) + "." + profiles.GetExt(i);
        const std::string commandLine = ConverterCommandLine(ffmpeg, source, profiles.GetParams(i), output);

        const RunResult first = RunCommand(commandLine, dir, 60000);
        ASSERT_TRUE(first.startError == 0 && first.exitCode == 0) << commandLine << "\n" << Describe(first);
        const Probe probe = ProbeFile(ffprobe, output, dir);
        ASSERT_EQ(probe.problem, "");
        TConverterLog log; // the job runner's verdict on this very run: converted
        for (const QString& line : QString::fromStdString(first.log).split(QRegularExpression("[\r\n]")))
            log.Read(line.toStdString());
        EXPECT_EQ(CheckOutput({ output, source, profiles.GetParams(i), ProbePath(ffmpeg), std::nullopt }, log), "");
        EXPECT_EQ(probe.container, expected.container);
        EXPECT_EQ(probe.Kinds(), expected.streams);
        if (expected.container != "gif" || probe.duration >= 0) { // a GIF need not report one
            EXPECT_NEAR(probe.duration, 1.0, 0.2);
        }
        if (const Stream* video = probe.Video())
            ExpectFrameFits(expected, *video, 320, 240, "source clip");

        const std::string before = ReadFileBytes(output);
        const RunResult second = RunCommand(commandLine, dir, 20000);
        EXPECT_FALSE(second.timedOut) << "waited for an answer on its input: " << Describe(second);
        EXPECT_TRUE(second.startError == 0 && second.exitCode != 0 && second.exitCode != kStillActive)
            << "a run onto an existing output must fail: " << Describe(second);
        EXPECT_TRUE(ReadFileBytes(output) == before) << "the existing output was changed";
    }
}

// Real sources come in odd and large frame sizes: video profiles convert an odd-sized clip (the
// 4:2:0 encoders cannot take odd dimensions as they stand), and the size-limited profiles fit tall
// and wide frames into their box with the shape kept and even sides.
TEST(ShippedProfiles, VideoProfilesHandleOddAndLargeFrames)
{
    REQUIRE_TOOL(ffmpeg, "ffmpeg");
    REQUIRE_TOOL(ffprobe, "ffprobe");
    TempDir dir;
    struct Clip {
        int width, height;
        bool onlyBoxed; // large clips go only through the profiles that shrink frames
        std::string path;
    };
    std::vector<Clip> clips { { 321, 241, false, dir.file("odd.mkv") },
        { 1280, 960, true, dir.file("tall.mkv") }, { 1920, 800, true, dir.file("wide.mkv") },
        { 1080, 1920, true, dir.file("phone.mkv") } };
    for (const Clip& clip : clips) {
        MakeFrameClip(ffmpeg, clip.width, clip.height, clip.path, dir);
        if (HasFatalFailure())
            return;
    }

    const TProfileList profiles(kProfileFile);
    int boxed = 0;
    for (int i = 0; i < profiles.ProfileCount(); ++i) {
        const std::string name = profiles.FormatNames()[i];
        const auto found = ExpectedResults().find(name);
        ASSERT_NE(found, ExpectedResults().end()) << "no expected result for profile \"" << name << "\"";
        const Expected& expected = found->second;
        if (!HasVideo(expected) || name.find("no re-encoding") != std::string::npos)
            continue; // copying profiles keep the frames, and a remux only what the container takes
        boxed += expected.boxLong || expected.maxWidth ? 1 : 0;
        for (const Clip& clip : clips) {
            if (clip.onlyBoxed && !expected.boxLong && !expected.maxWidth && !expected.fixedWidth)
                continue;
            const std::string what = "profile " + std::to_string(i) + " \"" + name + "\", "
                + std::to_string(clip.width) + "x" + std::to_string(clip.height) + " clip";
            SCOPED_TRACE(what);
            const std::string output
                = dir.file(std::to_string(i) + "-" + std::to_string(clip.width) + "." + profiles.GetExt(i));
            const RunResult r = RunCommand(
                ConverterCommandLine(ffmpeg, clip.path, profiles.GetParams(i), output), dir, 60000);
            ASSERT_TRUE(r.startError == 0 && r.exitCode == 0) << Describe(r);
            const Probe probe = ProbeFile(ffprobe, output, dir);
            ASSERT_EQ(probe.problem, "");
            const Stream* video = probe.Video();
            ASSERT_NE(video, nullptr);
            ExpectFrameFits(expected, *video, clip.width, clip.height, what);
        }
    }
    EXPECT_GE(boxed, 5) << "the 480p, 720p, 1080p, phone and GIF profiles limit the frame size";
}

// A 10-bit HLG clip keeps its 10 bits and its colour description through the HDR profile, the
// DVD profile gives what a DVD player takes (PAL frames at 25 fps, AC-3 at 48 kHz), and the Opus
// profiles take a 5.1(side) track.
TEST(ShippedProfiles, HdrDvdAndSurroundSources)
{
    REQUIRE_TOOL(ffmpeg, "ffmpeg");
    REQUIRE_TOOL(ffprobe, "ffprobe");
    TempDir dir;
    const std::string source = dir.file("hlg.mov");
    MakeClip(ffmpeg,
        "-f lavfi -i testsrc=duration=1:size=320x240:rate=30 -f lavfi -i sine=duration=1 -vf "
        "format=yuv420p10le"
        " -c:v libx265 -x265-params log-level=error -color_primaries bt2020 -color_trc arib-std-b67"
        " -colorspace bt2020nc -c:a aac",
        source, dir);
    if (HasFatalFailure())
        return;
    const TProfileList profiles(kProfileFile);
    const auto indexOf = [&](const std::string& name) {
        const auto& names = profiles.FormatNames();
        return static_cast<int>(std::find(names.begin(), names.end(), name) - names.begin());
    };
    const int hdr = indexOf("MP4 video (H.265 10-bit, keeps HDR, AAC)");
    const int dvd = indexOf("MPEG-2 video (DVD-style, AC-3)");
    ASSERT_EQ(dvd, 8) << "saved lists know the DVD profile as 8";
    ASSERT_LT(hdr, profiles.ProfileCount());

    const std::string hdrOut = dir.file("hdr.mp4");
    RunResult r
        = RunCommand(ConverterCommandLine(ffmpeg, source, profiles.GetParams(hdr), hdrOut), dir, 60000);
    ASSERT_TRUE(r.startError == 0 && r.exitCode == 0) << Describe(r);
    Probe probe = ProbeFile(ffprobe, hdrOut, dir);
    ASSERT_NE(probe.Video(), nullptr) << probe.problem;
    EXPECT_EQ(probe.Video()->codec, "hevc");
    EXPECT_EQ(probe.Video()->pixFmt, "yuv420p10le");
    EXPECT_EQ(probe.Video()->primaries, "bt2020");
    EXPECT_EQ(probe.Video()->transfer, "arib-std-b67");
    EXPECT_EQ(probe.Video()->matrix, "bt2020nc");

    const std::string dvdOut = dir.file("dvd.mpg");
    r = RunCommand(ConverterCommandLine(ffmpeg, source, profiles.GetParams(dvd), dvdOut), dir, 60000);
    ASSERT_TRUE(r.startError == 0 && r.exitCode == 0) << Describe(r);
    const RunResult details = RunCommand(QuoteArgument(ffprobe)
            + " -v error -show_entries stream=codec_name,r_frame_rate,sample_rate,width,height -of csv=p=0 "
            + QuoteArgument(dvdOut),
        dir, 30000);
    EXPECT_NE(details.out.find("mpeg2video,720,576,25/1"), std::string::npos) << details.out;
    EXPECT_NE(details.out.find("ac3,48000"), std::string::npos) << details.out;

    // Opus takes 5.1 only in its own channel order: a film's 5.1(side) track is remapped, not refused.
    const std::string surround = dir.file("surround.mkv");
    MakeClip(ffmpeg,
        "-f lavfi -i testsrc=duration=1:size=160x120:rate=25 -f lavfi -i sine=duration=1 -filter_complex "
        "[1]aformat=channel_layouts=5.1(side)[a] -map 0 -map [a] -c:v libx264 -preset ultrafast -pix_fmt "
        "yuv420p "
        "-c:a ac3",
        surround, dir);
    int opusProfiles = 0;
    for (int i = 0; i < profiles.ProfileCount(); ++i) {
        if (profiles.GetParams(i).find("libopus") == std::string::npos)
            continue;
        ++opusProfiles;
        const std::string output = dir.file("surround" + std::to_string(i) + "." + profiles.GetExt(i));
        r = RunCommand(ConverterCommandLine(ffmpeg, surround, profiles.GetParams(i), output), dir, 60000);
        EXPECT_TRUE(r.startError == 0 && r.exitCode == 0) << "profile " << i << ": " << Describe(r);
    }
    EXPECT_GE(opusProfiles, 3);
}

// An MP4 text track into the Matroska copy: read first, it becomes SRT in one run. Unread (no
// ffprobe), the container refuses it and the job runner converts the row again without subtitles,
// onto the same name, leaving no stray file.
TEST(ShippedProfiles, SubtitleTheContainerCannotHoldIsDropped)
{
    REQUIRE_TOOL(ffmpeg, "ffmpeg");
    REQUIRE_TOOL(ffprobe, "ffprobe");
    TempDir dir;
    const std::string source = dir.file("with subtitles.mp4");
    MakeSourceClip(ffmpeg, source, dir);
    if (HasFatalFailure())
        return;
    // A converter with no ffprobe beside it or on PATH.
    const std::string blind = dir.file("blind");
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(blind)));
    WriteFileBytes(blind + "/ffmpeg", "#!/bin/sh\nexec " + ffmpeg + " \"$@\"\n");
    ASSERT_EQ(chmod((blind + "/ffmpeg").c_str(), 0755), 0);
    const TProfileList profiles(kProfileFile);
    const QByteArray path = qgetenv("PATH");
    for (const bool probed : { true, false }) {
        SCOPED_TRACE(probed ? "read first" : "not read");
        TFileList list;
        const std::string outFolder = dir.file(probed ? "read" : "unread") + "/";
        AppendFileRow(list, QString::fromStdString(source), 5, QString::fromStdString(outFolder));
        TJobRunner command(list, profiles);
        command.SetProgramFolder(probed ? std::string(VIDMORPH_APP_DIR) : blind);
        std::vector<TEntryEnd> ends;
        bool finished = false;
        command.OnEntryEnded = [&](const TEntryEnd& end) { ends.push_back(end); };
        command.OnFinish = [&](QObject*, bool) { finished = true; };
        qputenv("PATH", probed ? path : QByteArray::fromStdString(blind));
        command.Start();
        const bool ended = QTest::qWaitFor([&] { return finished; }, 60000);
        qputenv("PATH", path);
        ASSERT_TRUE(ended);
        ASSERT_EQ(ends.size(), 1u);
        EXPECT_EQ(ends[0].result, TEntryResult::Converted);
        EXPECT_EQ(QDir(QString::fromStdString(outFolder)).entryList(QDir::Files),
            QStringList { "with subtitles.mkv" });
        const Probe probe = ProbeFile(ffprobe, outFolder + "with subtitles.mkv", dir);
        std::vector<std::string> kinds { "audio:aac", "audio:aac", "video:h264" };
        if (probed)
            kinds.insert(kinds.begin() + 2, "subtitle:subrip");
        EXPECT_EQ(probe.Kinds(), kinds); // sorted
    }
}
