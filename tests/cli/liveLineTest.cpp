// The live line's account of one file, from the converter's own lines.
#include "cli/liveLine.h"

#include <gtest/gtest.h>

TEST(FileProgress, PercentCountsTheStretchWrittenAndEachPassAsHalf)
{
    TFileProgress progress;
    EXPECT_FALSE(progress.Read("  Duration: 00:00:10.00, start: 0.000000, bitrate: 512 kb/s"));
    EXPECT_EQ(progress.Describe(), "") << "nothing before the first statistics line";
    EXPECT_TRUE(progress.Read(
        "frame=  50 fps=0.0 q=28.0 size=  1kB time=00:00:02.00 bitrate=1.0kbits/s speed=2.00x"));
    EXPECT_EQ(progress.Describe(), "20% at 2.00x, 00:00:04 left");

    // Seconds 4 to 8 of the 10: two seconds written are half of it.
    progress.Covers(4, 8, 0);
    EXPECT_EQ(progress.Describe(), "50% at 2.00x, 00:00:01 left");
    // An end past the source's counts to the source's end.
    progress.Covers(4, 30, 0);
    EXPECT_EQ(progress.Describe(), "33% at 2.00x, 00:00:02 left");

    // Two passes over the whole: the first is the first half, the second starts at 50 %.
    progress.Covers(0, -1, 1);
    EXPECT_EQ(progress.Describe(), "") << "a new pass starts without a position";
    progress.Read("frame=  50 fps=0.0 q=28.0 size=N/A time=00:00:05.00 bitrate=N/A speed=5.00x");
    EXPECT_EQ(progress.Describe(), "25% (pass 1 of 2) at 5.00x, 00:00:01 left in this pass");
    progress.Covers(0, -1, 2);
    progress.Read("frame=  50 fps=0.0 q=28.0 size=  1kB time=00:00:10.00 bitrate=1.0kbits/s speed=1.00x");
    EXPECT_EQ(progress.Describe(), "100% (pass 2 of 2) at 1.00x");
}
