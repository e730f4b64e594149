#include "platform/convert.h"
#include "platform/fileSystem.h"
#include "platform/tick.h"
#include "testFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace platform;

TEST(Paths, NameExtensionAndJoinRules)
{
    EXPECT_EQ(ExtractFileName("/a/b/movie.flv"), "movie.flv");
    EXPECT_EQ(ExtractFileName("movie"), "movie");
    EXPECT_EQ(ExtractFilePath("/a/b/movie.flv"), "/a/b/");
    EXPECT_EQ(ExtractFilePath("movie"), "");
    EXPECT_EQ(ExtractFileExt("/a/b/movie.tar.gz"), ".gz");
    EXPECT_EQ(ExtractFileExt("/a/my.dir/clip"), "");   // a folder's dot is no extension
    EXPECT_EQ(ExtractFileExt("/a/b/c:d.mp4"), ".mp4"); // ':' is an ordinary character
    EXPECT_EQ(ExtractFileExt("/a/b/.hidden"), ".hidden");
    EXPECT_EQ(ChangeFileExt("/a/my.dir/clip", "_2"), "/a/my.dir/clip_2");
    EXPECT_EQ(ChangeFileExt("/a/movie.flv", ".mp4"), "/a/movie.mp4");
    EXPECT_EQ(JoinPath("/out", "a.mp4"), "/out/a.mp4");
    EXPECT_EQ(JoinPath("/out/", "a.mp4"), "/out/a.mp4");
    EXPECT_EQ(JoinPath("", "a.mp4"), "a.mp4");
}

TEST(Paths, ExistenceSizeAndFolders)
{
    TempDir dir;
    const std::string file = dir.path() + "/f.bin";
    WriteFileBytes(file, std::string(70000, 'x'));
    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(FileExists(dir.path()));        // folders never count as files
    EXPECT_FALSE(FileExists(dir.path() + "/none"));
    EXPECT_FALSE(FileExists(""));
    EXPECT_EQ(FileSize(file), 70000);
    EXPECT_EQ(FileSize(dir.path() + "/none"), -1);

    std::string error;
    EXPECT_TRUE(ForceDirectories(dir.path() + "/x/y/z/", &error)) << error;
    EXPECT_TRUE(DirectoryExists(dir.path() + "/x/y/z"));
    EXPECT_FALSE(ForceDirectories(file + "/sub", &error)); // a file stands in the way
    EXPECT_FALSE(error.empty());

    const std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
}

TEST(Paths, StateFolderAndRemovingOnlyTheSameFile)
{
    EXPECT_EQ(StateFolder("/run/state", "/home/u"), "/run/state/vidmorph/");
    EXPECT_EQ(StateFolder("/run/state/", ""), "/run/state/vidmorph/");
    EXPECT_EQ(StateFolder("relative/state", "/home/u"), "/home/u/.local/state/vidmorph/"); // to be ignored
    EXPECT_EQ(StateFolder("", "/home/u/"), "/home/u/.local/state/vidmorph/");
    EXPECT_EQ(StateFolder("", ""), "");

    TempDir dir;
    const std::string file = dir.file("out.avi"), other = dir.file("other.avi"), link = dir.file("link.avi");
    WriteFileBytes(file, "partial");
    const std::optional<TFileId> id = RegularFileId(file);
    ASSERT_TRUE(id.has_value());
    EXPECT_FALSE(RegularFileId(dir.path())) << "a folder";
    EXPECT_FALSE(RegularFileId(dir.file("none")));
    symlink(file.c_str(), link.c_str());
    EXPECT_FALSE(RegularFileId(link)) << "a link is not followed";
    EXPECT_FALSE(RemoveIfSameFile(link, *id));
    // The name now stands for another file (replaced by a rename): it stays.
    WriteFileBytes(other, "someone else's");
    ASSERT_EQ(rename(other.c_str(), file.c_str()), 0);
    EXPECT_FALSE(RemoveIfSameFile(file, *id));
    EXPECT_EQ(ReadFileBytes(file), "someone else's");
    // A new file that may be given the freed inode number: its birth time tells it apart (file
    // systems stamp times from a clock that moves a tick, a few ms, at a time).
    const TFileId replaced = *RegularFileId(file);
    ASSERT_EQ(unlink(file.c_str()), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    WriteFileBytes(file, "new");
    const TFileId fresh = *RegularFileId(file);
    if (fresh.inode == replaced.inode && fresh.birthNs != 0) {
        EXPECT_FALSE(RemoveIfSameFile(file, replaced));
    }
    EXPECT_TRUE(RemoveIfSameFile(file, fresh));
    EXPECT_FALSE(FileExists(file));
}

TEST(Paths, AnsiRoundTripAndTick)
{
    const std::string bytes = "caf\xC3\xA9 & 'x'.mpg";
    EXPECT_EQ(ToAnsi(FromAnsi(bytes)), bytes);
    EXPECT_EQ(FromAnsi(bytes), QString::fromUtf8(bytes.c_str()));
    EXPECT_EQ(FromAnsi("\xF0\x9F\x8E\xAC"), QString::fromUtf8("\xF0\x9F\x8E\xAC")); // outside the BMP
    // Bytes that are not UTF-8 come back unchanged: Latin-1, a stray continuation byte, an overlong
    // form, an encoded surrogate, a cut-off sequence, a code point above U+10FFFF.
    for (const std::string& odd : std::vector<std::string> { "caf\xE9.avi", "\x80x", "\xC0\xAF", "\xED\xA0\x80", "a\xE2\x82", "\xF4\x90\x80\x80",
             std::string("nul\0inside", 10) }) {
        EXPECT_EQ(ToAnsi(FromAnsi(odd)), odd);
    }
    EXPECT_EQ(FromAnsi("caf\xE9").size(), 4);
    EXPECT_EQ(ToAnsi(QString(QChar(0xD800))), "\xEF\xBF\xBD"); // a lone surrogate typed elsewhere
    EXPECT_EQ(TicksBetween(0xFFFFFFF0u, 0x10u), 0x20u); // across the wrap
    const uint32_t a = GetTickCount();
    EXPECT_LT(TicksBetween(a, GetTickCount()), 1000u);
}

TEST(Convert, StrToIntAcceptsOnlyDecimalIntegers)
{
    EXPECT_EQ(platform::StrToInt("-1"), -1);
    EXPECT_EQ(platform::StrToInt("+42"), 42);
    EXPECT_EQ(platform::StrToInt("2147483647"), 2147483647);
    for (const char* bad : { "", " 1", "1 ", "x", "1.5", "2147483648", "--1", "+-1", "+" })
        try {
            platform::StrToInt(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const std::exception& e) {
            EXPECT_EQ(e.what(), std::string("'") + bad + "' is not a valid integer value");
        }
}
