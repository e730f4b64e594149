#include "engine/entryPlan.h"
#include "platform/convert.h"
#include "platform/fileSystem.h"
#include "settings/commandManager.h"
#include "settings/itemManager.h"
#include "testFiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

std::string ProfileFile(const TempDir& dir, const std::string& body)
{
    const std::string path = dir.file("command");
    WriteFileBytes(path, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<profiles>" + body + "</profiles>\r\n");
    return path;
}

std::string ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no error)";
}

} // namespace

TEST(CommandManager, ProfilesByPosition)
{
    TempDir dir;
    TCommandManager profiles(ProfileFile(dir,
        "<profile><format>FLV video</format><params>-f flv -ar 22050</params><ext>flv</ext></profile>"
        "<profile><EXT>mp4</EXT><Params> -f mp4 </Params><FORMAT>MPEG-4 video</FORMAT></profile>"
        "<!-- a comment takes a position -->"
        "<profile><format>first</format><format>later</format><params>a &amp; b</params><ext>x</ext></profile>"
        "<profile><format>FLV video</format></profile>"));
    EXPECT_EQ(profiles.FormatNames(),
        (std::vector<std::string> { "FLV video", "MPEG-4 video", "", "later", "FLV video" }));
    EXPECT_EQ(profiles.GetParams(0), "-f flv -ar 22050");
    EXPECT_EQ(profiles.GetExt(0), "flv");
    EXPECT_EQ(profiles.GetParams(1), " -f mp4 "); // blanks kept exactly
    EXPECT_EQ(profiles.GetExt(1), "mp4");
    EXPECT_EQ(profiles.GetParams(3), "a & b");

    // Indexes that name no profile, and profiles without the element, fail clearly.
    EXPECT_EQ(ErrorOf([&] { profiles.GetParams(-1); }),
        "There is no conversion profile with index -1 (5 profiles are defined).");
    EXPECT_EQ(ErrorOf([&] { profiles.GetExt(5); }),
        "There is no conversion profile with index 5 (5 profiles are defined).");
    EXPECT_EQ(ErrorOf([&] { profiles.GetExt(2); }), "Conversion profile 2 has no \"ext\" element.");
    EXPECT_EQ(ErrorOf([&] { profiles.GetParams(4); }), "Conversion profile 4 has no \"params\" element.");
}

TEST(CommandManager, MissingEmptyAndBrokenFiles)
{
    TempDir dir;
    TCommandManager none(dir.file("command"));
    EXPECT_TRUE(none.FormatNames().empty());
    EXPECT_THROW(none.GetParams(0), EProfileError);

    TCommandManager empty(ProfileFile(dir, ""));
    EXPECT_TRUE(empty.FormatNames().empty());

    WriteFileBytes(dir.file("command"), "<profiles><profile></profiles>");
    EXPECT_EQ(ErrorOf([&] { TCommandManager broken(dir.file("command")); }),
        "Invalid XML Element: Erroneous end of tag, expecting </profile> but </profiles> found");

    // The default constructor reads "command" beside the running program (there is none beside
    // the test program).
    EXPECT_EQ(TCommandManager::ProfileFilePath(), platform::ProgramFolder() + "command");
}

TEST(ItemManager, RecordsByPosition)
{
    TItemManager items;
    items.AddItem("/v/a&b 'c'\xE9.avi", -1, "");
    items.AddItem("/v/b.avi", 7, "/out/caf\xE9 & 'x'/");
    EXPECT_EQ(items.Count(), 2);
    EXPECT_EQ(items.GetProfileIndex(0), -1);
    EXPECT_EQ(items.GetOutputFolder(0), "");
    EXPECT_EQ(items.GetProfileIndex(1), 7);
    EXPECT_EQ(items.GetOutputFolder(1), "/out/caf\xE9 & 'x'/");
    EXPECT_THROW(items.GetProfileIndex(2), std::out_of_range);
    items.ClearItems();
    EXPECT_EQ(items.Count(), 0);
    items.AddItem("/v/c.avi", 3, "/o/");
    EXPECT_EQ(items.GetProfileIndex(0), 3);
    EXPECT_EQ(items.GetOutputFolder(0), "/o/");
}

TEST(UniqueOutputPath, UniqueNamesWithRealFiles)
{
    TempDir dir;
    const std::string movie = dir.file("movie.flv");
    EXPECT_EQ(UniqueOutputPath(movie), movie);
    WriteFileBytes(movie, "x");
    EXPECT_EQ(UniqueOutputPath(movie), dir.file("movie_2.flv"));
    WriteFileBytes(dir.file("movie_2.flv"), "x");
    EXPECT_EQ(UniqueOutputPath(movie), dir.file("movie_2_2.flv"));

    mkdir(dir.file("my.dir").c_str(), 0755);
    const std::string clip = dir.file("my.dir/clip");
    WriteFileBytes(clip, "x");
    EXPECT_EQ(UniqueOutputPath(clip), dir.file("my.dir/clip_2"));

    mkdir(dir.file("taken.mp4").c_str(), 0755); // a folder does not make the name taken
    EXPECT_EQ(UniqueOutputPath(dir.file("taken.mp4")), dir.file("taken.mp4"));
    EXPECT_EQ(ReadFileBytes(movie), "x"); // nothing was touched
}

TEST(Convert, StrToIntAcceptsOnlyDecimalIntegers)
{
    EXPECT_EQ(platform::StrToInt("-1"), -1);
    EXPECT_EQ(platform::StrToInt("+42"), 42);
    EXPECT_EQ(platform::StrToInt("2147483647"), 2147483647);
    for (const char* bad : { "", " 1", "1 ", "x", "1.5", "2147483648", "--1", "+-1", "+" })
        EXPECT_EQ(ErrorOf([&] { platform::StrToInt(bad); }), std::string("'") + bad + "' is not a valid integer value");
}
