// Reading a source ahead of its plan: what was read is handed over once, and only while it still
// describes the file.
#include "testFiles.h"

#include "engine/sourcePrefetch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <sys/stat.h>
#include <thread>

TEST(SourcePrefetch, HandsOverWhatItReadOnlyForTheSameUnchangedFile)
{
    TempDir dir;
    const std::string probe = ProbePath("/usr/bin/ffmpeg"), clip = dir.file("clip.mp4"), other = dir.file("other.mp4");
    ASSERT_FALSE(probe.empty());
    ASSERT_EQ(std::system(("ffmpeg -nostdin -v error -f lavfi -i testsrc=d=1:s=64x48 '" + clip + "'").c_str()), 0);
    ASSERT_EQ(std::system(("cp '" + clip + "' '" + other + "'").c_str()), 0);

    TSourcePrefetch prefetch;
    prefetch.Start(probe, clip);
    EXPECT_FALSE(prefetch.Take(other)) << "another file";
    std::optional<TSourceInfo> read = prefetch.Take(clip);
    ASSERT_TRUE(read && read->read);
    EXPECT_EQ(read->MainVideo()->width, 64);
    EXPECT_FALSE(prefetch.Take(clip)) << "handed over once";

    // Written again after its reading (a new size and time): read again by the plan.
    prefetch.Start(probe, clip);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_EQ(std::system(("cat '" + other + "' >>'" + clip + "'").c_str()), 0);
    EXPECT_FALSE(prefetch.Take(clip));

    // Cancelled: of no use, whatever it got to read.
    prefetch.Start(probe, other);
    prefetch.Cancel();
    EXPECT_FALSE(prefetch.Take(other));

    // A pipe is never read ahead.
    const std::string pipe = dir.file("pipe");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    prefetch.Start(probe, pipe);
    EXPECT_FALSE(prefetch.Take(pipe));
}
