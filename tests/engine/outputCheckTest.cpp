// "Converted" means converted: the converter's words, the output's presence and its duration
// decide, with the real ffmpeg and stand-ins that fail the way real disks and converters do.
#include "engine/jobRunner.h"
#include "engine/outputCheck.h"
#include "platform/fileSystem.h"
#include "testFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QtCore/qtestsupport_core.h>

#include <sys/mount.h>
#include <sys/stat.h>

namespace {

TConverterLog LogOf(std::initializer_list<const char*> lines)
{
    TConverterLog log;
    for (const char* line : lines)
        log.Read(line);
    return log;
}

TEST(ConverterLog, FindsTheErrorsTheDurationsAndWriteFailuresInFfmpegsOwnLines)
{
    const TConverterLog full = LogOf({ "Input #0, mov,mp4,m4a,3gp,3g2,mj2, from 'clip.mp4':",
        "  Metadata:", "    comment         : invalid data, cannot be read, unknown error",
        "  Duration: 00:01:02.50, start: 0.000000, bitrate: 117 kb/s",
        "Input #1, lavfi, from 'sine':", "  Duration: 00:00:09.00, start: 0.000000",
        "Output #0, avi, to 'c.avi':",
        "frame=   50 fps=0.0 q=4.0 size=      10kB time=00:00:59.96 bitrate=2126.0kbits/s speed=2.05x    "
        "Error writing trailer of c.avi: No space left on device",
        "Error closing file c.avi: No space left on device", "Conversion failed!" });
    EXPECT_EQ(full.SourceSeconds(), 62.5) << "the first input's duration, not a later one's";
    EXPECT_EQ(full.ReachedSeconds(), 59.96);
    EXPECT_EQ(full.WriteFailure(), "disk full: No space left on device");
    EXPECT_EQ(full.Errors(),
        "Error writing trailer of c.avi: No space left on device; Error closing file c.avi: No space left on "
        "device")
        << "the indented metadata is no error, and the last line adds nothing";
    EXPECT_FALSE(full.FoundExistingOutput());
    EXPECT_EQ(DescribeFailure(1, full), "disk full: No space left on device");

    const TConverterLog refused = LogOf({ "File 'c.avi' already exists. Exiting." });
    EXPECT_TRUE(refused.FoundExistingOutput());
    EXPECT_EQ(DescribeFailure(1, LogOf({ "/ro/c.avi: Permission denied" })), "/ro/c.avi: Permission denied");
    EXPECT_EQ(DescribeFailure(1, LogOf({ "Conversion failed!" })), "Conversion failed!");
    EXPECT_EQ(DescribeFailure(1,
                  LogOf({ "[mov,mp4,m4a @ 0x5608] moov atom not found",
                      "file:/v/b.mp4: Invalid data found when processing input", "Conversion failed!" })),
        "moov atom not found; /v/b.mp4: Invalid data found when processing input")
        << "ffmpeg's context tags and our file: prefix say nothing to a user";
    EXPECT_EQ(DescribeFailure(69, LogOf({ "frame=1 time=00:00:01.00 speed=1x" })), "ffmpeg ended with exit code 69");
    EXPECT_EQ(DescribeFailure(128 + SIGXFSZ, {}), "file too large: the output passed the size limit for files");
    EXPECT_EQ(DescribeFailure(128 + SIGSEGV, {}).rfind("ffmpeg was killed by signal 11 (", 0), 0u);

    TConverterLog many;
    for (int i = 0; i < 10; ++i)
        many.Read("error " + std::to_string(i));
    EXPECT_EQ(many.Errors(), "error 6; error 7; error 8; error 9");

    EXPECT_EQ(ParseClockSeconds("01:00:00.25"), 3600.25);
    for (const char* bad : { "N/A", "", "00:61:00.00", "1:2", "00:00:01.00x", "-00:00:00.04" })
        EXPECT_FALSE(ParseClockSeconds(bad)) << bad;

    EXPECT_TRUE(TrimsOutput("-nostdin -t 10 -c copy"));
    EXPECT_TRUE(TrimsOutput("-c:v mpeg4 -frames:v 1"));
    EXPECT_FALSE(TrimsOutput("-c:v libx264 -preset medium -tag:v hvc1 -af \"atempo=2 -t 3\""));
}

// A program folder whose "ffmpeg" is a shell script around the real one, a profile file with an
// AVI profile, and clips of whole seconds.
class OutputCheck : public ::testing::Test {
protected:
    void SetUp() override
    {
        program = dir.file("app/");
        QDir().mkpath(QString::fromStdString(program));
        WriteFileBytes(program + "command",
            "<profiles><p><format>AVI</format><params>-nostdin -n -v error -c:v mpeg4 -q:v 10</params>"
            "<ext>avi</ext></p></profiles>");
        profiles = std::make_unique<TProfileList>(program + "command");
    }
    void UseConverter(const std::string& body)
    {
        WriteFileBytes(program + "ffmpeg", "#!/bin/sh\n" + body + "\n");
        chmod((program + "ffmpeg").c_str(), 0755);
    }
    std::string Clip(const std::string& name, int seconds)
    {
        const std::string path = dir.file(name);
        const std::string make = "ffmpeg -nostdin -v error -f lavfi -i testsrc=duration=" + std::to_string(seconds)
            + ":size=320x180:rate=25 -f lavfi -i sine=duration=" + std::to_string(seconds)
            + " -pix_fmt yuv420p -shortest '" + path + "'";
        EXPECT_EQ(std::system(make.c_str()), 0);
        return path;
    }
    // Converts the files into folder; the rows' ends, in order.
    std::vector<TEntryEnd> Convert(const std::vector<std::string>& files, const std::string& folder,
        const TEncodingOverrides* overrides = nullptr)
    {
        TFileList list;
        for (const std::string& file : files)
            AppendFileRow(list, QString::fromStdString(file), 0, QString::fromStdString(folder));
        TJobRunner command(list, *profiles);
        command.SetProgramFolder(program);
        command.SetEncodingOverrides(overrides);
        std::vector<TEntryEnd> ends;
        bool finished = false;
        command.OnEntryEnded = [&](const TEntryEnd& end) { ends.push_back(end); };
        command.OnFinish = [&](QObject*, bool) { finished = true; };
        command.Start();
        EXPECT_TRUE(QTest::qWaitFor([&] { return finished; }, 60000));
        for (TEntryEnd& end : ends)
            end.node = nullptr; // the list is gone
        return ends;
    }
    QStringList FilesIn(const std::string& folder)
    {
        return QDir(QString::fromStdString(folder)).entryList(QDir::Files, QDir::Name);
    }

    TempDir dir;
    std::string program;
    std::unique_ptr<TProfileList> profiles;
};

TEST_F(OutputCheck, AFullDiskFailsTheRowAndLeavesNoTruncatedFile)
{
    const std::vector<std::string> clips { Clip("a.mp4", 1), Clip("b.mp4", 1) };
    // A 64 KiB file system holds one output, not two; where no file system can be mounted here,
    // a file size limit on the converter fails its writes the same way.
    const std::string small = dir.file("small/");
    QDir().mkpath(QString::fromStdString(small));
    const bool mounted = mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") == 0;
    if (!mounted)
        std::printf("no tmpfs can be mounted here (%s): the file size limit stands in\n", strerror(errno));
    UseConverter(mounted ? "exec ffmpeg \"$@\"" : "trap '' XFSZ\nulimit -f 32\nexec ffmpeg \"$@\"");
    const std::vector<TEntryEnd> ends = Convert(clips, small);
    const QStringList left = FilesIn(small);
    if (mounted)
        umount2(small.c_str(), MNT_DETACH);
    ASSERT_EQ(ends.size(), 2u);
    QStringList converted;
    for (size_t row = 0; row < ends.size(); ++row) {
        if (ends[row].result == TEntryResult::Converted) {
            converted << (row == 0 ? "a.avi" : "b.avi");
            continue;
        }
        EXPECT_EQ(ends[row].result, TEntryResult::Failed);
        EXPECT_EQ(ends[row].problem, mounted ? "disk full: No space left on device" : "file too large: File too large");
    }
    EXPECT_NE(ends[1].result, TEntryResult::Converted) << "the disk was full, yet the row converted";
    EXPECT_EQ(left, converted) << "a failed row's truncated file must go; a converted one stays";
}

TEST_F(OutputCheck, ConvertersThatWriteNothingTooLittleOrFailAreNeverConverted)
{
    const std::string clip = Clip("c.mp4", 3);
    const std::string out = dir.file("out/");
    // Exit 0 without writing; then exit 0 with one second of three; then a file cut in half.
    UseConverter("exit 0");
    std::vector<TEntryEnd> ends = Convert({ clip }, out);
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].result, TEntryResult::Failed);
    EXPECT_EQ(ends[0].problem, "no output written");

    UseConverter("exec ffmpeg -t 1 \"$@\"");
    ends = Convert({ clip }, out);
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].result, TEntryResult::Failed);
    EXPECT_EQ(ends[0].problem, "output shorter than the source: 1.0 s of 3.0 s");
    EXPECT_EQ(FilesIn(out), QStringList {});
    // Trimmed to 2 s, the output is held to those 2 s, not to wherever the converter stopped.
    TEncodingOverrides trim;
    trim.start = 0.5;
    trim.end = 2.5;
    ends = Convert({ clip }, out, &trim);
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].result, TEntryResult::Failed);
    EXPECT_NE(ends[0].problem.find("output shorter than the source: 0."), std::string::npos)
        << ends[0].problem;
    EXPECT_NE(ends[0].problem.find(" s of 2.0 s"), std::string::npos) << ends[0].problem;
    EXPECT_EQ(FilesIn(out), QStringList {});

    UseConverter("for last; do :; done\nffmpeg \"$@\" || exit\n"
                 "f=${last#file:}; head -c $(($(stat -c %s \"$f\") / 2)) \"$f\" > \"$f.half\"; mv \"$f.half\" \"$f\"");
    ends = Convert({ clip }, out);
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].result, TEntryResult::Failed);
    EXPECT_FALSE(ends[0].problem.empty());
    EXPECT_EQ(FilesIn(out), QStringList {});

    // A converter that fails after writing part of its file: the part goes, so the next run takes
    // the proper name instead of c_2.avi beside a broken c.avi.
    UseConverter("for last; do :; done\nhead -c 1000 '" + clip + "' > \"${last#file:}\"\n"
                 "echo \"${last#file:}: Invalid argument\" >&2; exit 1");
    ends = Convert({ clip }, out);
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].problem, out + "c.avi: Invalid argument");
    UseConverter("exec ffmpeg \"$@\"");
    ends = Convert({ clip }, out, &trim);
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].result, TEntryResult::Converted) << ends[0].problem;
    EXPECT_EQ(FilesIn(out), QStringList { "c.avi" });
}

} // namespace
