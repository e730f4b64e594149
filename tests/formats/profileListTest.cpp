#include "formats/profileList.h"
#include "platform/fileSystem.h"
#include "testFiles.h"
#include "unprivilegedUser.h"

#include <gtest/gtest.h>

#include <cstdio>
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

TEST(ProfileList, ProfilesByPosition)
{
    TempDir dir;
    TProfileList profiles(ProfileFile(dir,
        "<profile><format>FLV video</format><params>-f flv -ar 22050</params><ext>flv</ext></profile>"
        "<profile><EXT>mp4</EXT><Params> -f mp4 </Params><FORMAT>MPEG-4 video</FORMAT></profile>"
        "<profile><format>first</format><format>later</format><params>a &amp; b</params><ext>x</ext>"
        "</profile>"
        "<profile><format>FLV video</format><params></params><ext>flv</ext></profile>"));
    EXPECT_EQ(profiles.LoadError(), "");
    EXPECT_EQ(profiles.FormatNames(),
        (std::vector<std::string> { "FLV video", "MPEG-4 video", "later", "FLV video" }));
    EXPECT_EQ(profiles.GetParams(0), "-f flv -ar 22050");
    EXPECT_EQ(profiles.GetExt(0), "flv");
    EXPECT_EQ(profiles.GetParams(1), " -f mp4 "); // blanks kept exactly
    EXPECT_EQ(profiles.GetExt(1), "mp4");
    EXPECT_EQ(profiles.GetParams(2), "a & b");
    EXPECT_EQ(profiles.GetParams(3), "");

    // Indexes that name no profile fail clearly.
    EXPECT_EQ(ErrorOf([&] { profiles.GetParams(-1); }),
        "There is no conversion profile with index -1 (4 profiles are defined).");
    EXPECT_EQ(ErrorOf([&] { profiles.GetExt(4); }),
        "There is no conversion profile with index 4 (4 profiles are defined).");

    // The default constructor reads "command" beside the running program.
    EXPECT_EQ(TProfileList::ProfileFilePath(), platform::ProgramFolder() + "command");
}

// Every kind of profile file that cannot be used gives no profiles at all, never an exception,
// and one line naming the file and the reason; one broken profile spoils the whole file, so no
// index ever names another profile than the one a list entry meant.
TEST(ProfileList, MissingEmptyAndBrokenFiles)
{
    TempDir dir;
    chmod(dir.path().c_str(), 0755); // the unprivileged case below must reach the file
    const std::string file = dir.file("command");
    const std::string good = "<p><format>ok</format><params>-f avi</params><ext>avi</ext></p>";
    const std::string xml = "<?xml version=\"1.0\"?>";
    const std::string endTag = "Invalid XML Element: Erroneous end of tag, expecting ";
    const std::pair<std::string, std::string> cases[] = {
        { xml + "<profiles><profile><format>X</format>",
            endTag + "</profile> but </> found (line 1, column 59)" },
        { "<profiles>\n <p><format>caf\xC3\xA9</format>\n</profiles>",
            endTag + "</p> but </profiles> found (line 3, column 12)" },
        { std::string("\x89PNG\r\n\x1A\n\0\0", 10),
            "Invalid Document: Unexpected text in file prolog (line 1, column 1)" },
        { "<a/\n", "Invalid XML Element: Expected end of tag but \"\\x0A\" found (line 1, column 4)" },
        { "", "the file is empty" },
        { xml + "<!-- no root -->", "it holds no XML element" },
        { xml + "<profiles/>", "its root element <profiles> holds no profiles" },
        { "<profiles>" + good + "<p><params/><ext>mp4</ext></p></profiles>",
            "profile 1 <p> has no \"format\" element" },
        { "<profiles><p><format/><ext>a</ext></p></profiles>", "profile 0 <p> has no \"params\" element" },
        { "<profiles>" + good + good + "<p><format/><params/></p></profiles>",
            "profile 2 <p> has no \"ext\" element" },
        { "<profiles><p><format/><params/><ext></ext></p></profiles>",
            "profile 0 has an empty \"ext\" element" },
        { "<profiles>" + good + "<!-- old -->" + good + "</profiles>",
            "profile 1 is a comment, not an element (every child of the root is a profile; put comments "
            "inside one)" },
    };
    const auto expectUnusable = [&](const TProfileList& profiles, const std::string& reason) {
        const std::string error = "The profile file \"" + file + "\" cannot be used: " + reason + ".";
        EXPECT_EQ(profiles.LoadError(), error);
        EXPECT_EQ(profiles.ProfileCount(), 0) << reason;
        EXPECT_EQ(ErrorOf([&] { profiles.GetExt(0); }),
            "There is no conversion profile with index 0 (0 profiles are defined). " + error);
    };
    for (const auto& [content, reason] : cases) {
        WriteFileBytes(file, content);
        expectUnusable(TProfileList(file), reason);
    }

    // Reloading a good file over a broken one takes it whole and forgets the error.
    TProfileList reloaded(file);
    WriteFileBytes(file, "<profiles>" + good + "</profiles>");
    reloaded.LoadProfiles(file);
    EXPECT_EQ(reloaded.LoadError(), "");
    EXPECT_EQ(reloaded.FormatNames(), std::vector<std::string> { "ok" });

    chmod(file.c_str(), 0);
    std::string skipped;
    const std::string denied
        = "The profile file \"" + file + "\" cannot be used: it cannot be read (Permission denied).";
    const auto readsNothing = [&] {
        const TProfileList profiles(file);
        return profiles.ProfileCount() == 0 && profiles.LoadError() == denied ? 0 : 1;
    };
    const std::optional<int> unreadable = AsUnprivilegedUser(dir.path(), readsNothing, skipped);
    if (unreadable)
        EXPECT_EQ(*unreadable, 0) << "an unreadable file";
    else
        std::printf("unreadable file not checked: %s\n", skipped.c_str());

    std::remove(file.c_str());
    expectUnusable(TProfileList(file), "there is no such file");
    mkdir(file.c_str(), 0755);
    expectUnusable(TProfileList(file), "it is a folder");
}
