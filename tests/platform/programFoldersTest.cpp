#include "platform/fileSystem.h"
#include "testFiles.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace platform;

namespace {

void MakeExecutable(const std::string& path, bool executable = true)
{
    WriteFileBytes(path, "#!/bin/sh\n");
    chmod(path.c_str(), executable ? 0755 : 0644);
}

} // namespace

// The build folder's layout (profile file beside the binary) against PREFIX/bin + PREFIX/share.
TEST(ProgramFolders, PortableAndInstalledLayouts)
{
    TempDir dir;
    const std::string app = dir.file("app/");
    const std::string bin = dir.file("prefix/bin/");
    ASSERT_TRUE(ForceDirectories(app, nullptr) && ForceDirectories(bin, nullptr));
    WriteFileBytes(app + "command", "<profiles/>");
    const std::string videos = dir.file("home/Videos");

    EXPECT_TRUE(IsPortableLayout(app));
    EXPECT_EQ(DataFolder(app), app);
    EXPECT_EQ(DataFolder(dir.file("app")), app); // without the trailing '/'
    EXPECT_EQ(GlobalOutputFolder(app, videos), app + "convert/");

    EXPECT_FALSE(IsPortableLayout(bin));
    EXPECT_EQ(DataFolder(bin), dir.file("prefix/share/vidmorph/"));
    // Installed: never beside the binary, even where that could be written (root, a home prefix).
    EXPECT_EQ(GlobalOutputFolder(bin, videos), videos + "/Vidmorph/");
    EXPECT_EQ(GlobalOutputFolder(bin, videos + "/"), videos + "/Vidmorph/");

    // Not in a "bin" folder: portable, with or without a profile file; "bin" with one too.
    EXPECT_EQ(DataFolder(dir.file("elsewhere/")), dir.file("elsewhere/"));
    EXPECT_EQ(DataFolder(dir.file("prefix/cabin/")), dir.file("prefix/cabin/"));
    WriteFileBytes(bin + "command", "<profiles/>");
    EXPECT_EQ(DataFolder(bin), bin);
    EXPECT_EQ(GlobalOutputFolder(bin, videos), bin + "convert/");

    // A "convert" that is a file cannot take the output: the videos folder does.
    WriteFileBytes(app + "convert", "");
    EXPECT_EQ(GlobalOutputFolder(app, videos), videos + "/Vidmorph/");
    // No videos folder known at all (no home): the portable name, whose error names it.
    EXPECT_EQ(GlobalOutputFolder(app, ""), app + "convert/");
}

TEST(ProgramFolders, ConverterBesideTheProgramElseOnPath)
{
    TempDir dir;
    const std::string app = dir.file("app/");
    const std::string first = dir.file("first");
    const std::string second = dir.file("second");
    for (const std::string& f : { app, first, second })
        ASSERT_TRUE(ForceDirectories(f, nullptr));
    MakeExecutable(second + "/ffmpeg");
    const std::string path = "::relative:" + first + ":" + second + ":/nonexistent";

    // Nothing beside the program; "first" has none; empty and relative entries are skipped.
    EXPECT_EQ(ConverterPath(app, path), second + "/ffmpeg");
    // A file that may not be run, or a folder, is no converter.
    MakeExecutable(first + "/ffmpeg", false);
    ASSERT_TRUE(ForceDirectories(app + "ffmpeg", nullptr));
    EXPECT_EQ(ConverterPath(app, path), second + "/ffmpeg");
    // Nowhere: the name beside the program, so a start failure says where it was looked for.
    EXPECT_EQ(ConverterPath(app, first), app + "ffmpeg");
    EXPECT_EQ(ConverterPath(app, ""), app + "ffmpeg");
    // Beside the program wins over PATH.
    const std::string app2 = dir.file("app2/");
    ASSERT_TRUE(ForceDirectories(app2, nullptr));
    MakeExecutable(app2 + "ffmpeg");
    EXPECT_EQ(ConverterPath(app2, path), app2 + "ffmpeg");
}
