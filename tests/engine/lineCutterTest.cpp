#include "engine/lineCutter.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

using namespace std::string_view_literals;

void PrintTo(const TLinePiece& piece, std::ostream* out)
{
    static const char* const ends[] = { "CrLf", "Lf", "Complete", "Open" };
    *out << '{' << testing::PrintToString(piece.text) << ", " << ends[static_cast<int>(piece.end)] << '}';
}

namespace {

using Pieces = std::vector<TLinePiece>;
constexpr TPieceEnd kCrLf = TPieceEnd::CrLf, kLf = TPieceEnd::Lf, kComplete = TPieceEnd::Complete,
                    kOpen = TPieceEnd::Open;

// The pieces of the reads, in order, as one cutter makes them.
Pieces Cut(const std::vector<std::string_view>& reads, size_t cap = 16384)
{
    TLineCutter cutter(cap);
    Pieces all;
    for (std::string_view read : reads)
        for (TLinePiece& piece : cutter.Feed(read))
            all.push_back(std::move(piece));
    return all;
}

} // namespace

TEST(LineCutter, CrLfLfAndALoneCrEachEndALine)
{
    EXPECT_EQ(Cut({ "abc\r\ndef\r\n" }), (Pieces { { "abc", kCrLf }, { "def", kCrLf } }));
    EXPECT_EQ(Cut({ "50%\r60%\r" }), (Pieces { { "50%", kLf }, { "60%", kLf } }));
    // Two line ends in a row make an empty line; NUL bytes vanish.
    EXPECT_EQ(Cut({ "a\n\nb\0c\0\n\0"sv }), (Pieces { { "a", kLf }, { "", kLf }, { "bc", kLf } }));
}

TEST(LineCutter, LineEndsSplitAcrossReads)
{
    // The LF that opens a read completes the CR that ended the one before: no empty line.
    EXPECT_EQ(Cut({ "abc\r", "\ndef\n" }), (Pieces { { "abc", kLf }, { "def", kLf } }));
    // Only right after that CR: a later LF, or a second one, ends a line of its own.
    EXPECT_EQ(Cut({ "abc\r", "\n", "\n" }), (Pieces { { "abc", kLf }, { "", kLf } }));
    EXPECT_EQ(Cut({ "abc\r", "x", "\n" }), (Pieces { { "abc", kLf }, { "x", kOpen }, { "x", kLf } }));
    EXPECT_EQ(Cut({ "a\r", "\r\n" }), (Pieces { { "a", kLf }, { "", kCrLf } }));
    // A growing line is handed out whole after every read; a NUL-only read hands it out again.
    EXPECT_EQ(Cut({ "abc", "def\n", "gh", "\0"sv, "i\n" }),
        (Pieces { { "abc", kOpen }, { "abcdef", kLf }, { "gh", kOpen }, { "gh", kOpen }, { "ghi", kLf } }));
}

TEST(LineCutter, AnEmptyReadChangesNothing)
{
    TLineCutter cutter(16384);
    EXPECT_EQ(cutter.Feed("abc\r"), (Pieces { { "abc", kLf } }));
    EXPECT_EQ(cutter.Feed(""), Pieces {});
    EXPECT_EQ(cutter.Feed("de"), (Pieces { { "de", kOpen } }));
    EXPECT_EQ(cutter.Feed(""), Pieces {});
    EXPECT_EQ(cutter.Feed("f\n"), (Pieces { { "def", kLf } }));
    EXPECT_EQ(cutter.Feed("x\r"), (Pieces { { "x", kLf } }));
    EXPECT_EQ(cutter.Feed(""), Pieces {});
    EXPECT_EQ(cutter.Feed("\ny\n"), (Pieces { { "y", kLf } }));
}

TEST(LineCutter, LinesLongerThanTheCapComeInCompletePieces)
{
    EXPECT_EQ(
        Cut({ "abcdefghij\n" }, 4), (Pieces { { "abcd", kComplete }, { "efgh", kComplete }, { "ij", kLf } }));
    EXPECT_EQ(Cut({ "abcdefgh\r\n" }, 4), (Pieces { { "abcd", kComplete }, { "efgh", kCrLf } }));
    // A line of exactly the cap ends with its own line end, also when that comes in the next read.
    EXPECT_EQ(Cut({ "abcd\n" }, 4), (Pieces { { "abcd", kLf } }));
    EXPECT_EQ(Cut({ "abcd", "\n" }, 4), (Pieces { { "abcd", kOpen }, { "abcd", kLf } }));
    EXPECT_EQ(Cut({ "abcd", "e\n" }, 4), (Pieces { { "abcd", kOpen }, { "abcd", kComplete }, { "e", kLf } }));
    EXPECT_EQ(Cut({ "ab\n" }, 0), (Pieces { { "a", kComplete }, { "b", kLf } })); // a cap of 0 counts as 1
}

TEST(LineCutter, AnEndlessLineCostsItsLength)
{
    const size_t cap = 16384, read = 65536, reads = 48;
    const std::string chunk(read, 'x');
    TLineCutter cutter(cap);
    size_t complete = 0, handedOut = 0;
    std::string open;
    for (size_t i = 0; i < reads; ++i) {
        for (const TLinePiece& piece : cutter.Feed(chunk)) {
            ASSERT_LE(piece.text.size(), cap);
            handedOut += piece.text.size();
            if (piece.end == kComplete)
                complete += piece.text.size();
            else
                open = piece.text;
        }
    }
    EXPECT_EQ(complete + open.size(), read * reads);
    EXPECT_LE(handedOut, read * reads + reads * cap); // each read repeats at most one open piece
    EXPECT_EQ(cutter.Finish(), (Pieces { { open, kOpen } }));
}

TEST(LineCutter, TheLastLineWithoutALineEndComesOnceMoreAtTheEnd)
{
    TLineCutter cutter(16384);
    EXPECT_EQ(cutter.Feed("ok\nxyz"), (Pieces { { "ok", kLf }, { "xyz", kOpen } }));
    EXPECT_EQ(cutter.Finish(), (Pieces { { "xyz", kOpen } }));
    EXPECT_EQ(cutter.Finish(), Pieces {});

    // A line whose last pieces were never handed on does not come back.
    EXPECT_EQ(cutter.Feed("abc"), (Pieces { { "abc", kOpen } }));
    cutter.DropPending();
    EXPECT_EQ(cutter.Finish(), Pieces {});
}

TEST(LineCutter, BytesThatAreNotUtf8PassUnchanged)
{
    EXPECT_EQ(Cut({ "\xff\xfe\x80\x8d\x8a\n\xc3", "\xa9\n" }),
        (Pieces { { "\xff\xfe\x80\x8d\x8a", kLf }, { "\xc3", kOpen }, { "\xc3\xa9", kLf } }));
}

TEST(LineCutter, EchoedInputJoinsTheLineAndKeepsItsLineEnd)
{
    TLineCutter cutter(4);
    EXPECT_EQ(cutter.Echo("sec", false), (TLinePiece { "sec", kOpen }));
    EXPECT_EQ(cutter.Echo("ond\r\n", true), (TLinePiece { "second\r\n", kComplete }));
    EXPECT_EQ(cutter.Feed("ab"), (Pieces { { "ab", kOpen } }));
    // Not continuing: the pending line is left behind; the output then goes on after the echo.
    EXPECT_EQ(cutter.Echo("xy", false), (TLinePiece { "xy", kOpen }));
    EXPECT_EQ(cutter.Feed("z\n"), (Pieces { { "xyz", kLf } }));
    // Only a first CR LF or first LF at the very end ends the line.
    EXPECT_EQ(cutter.Echo("a\nb\r\n", false).end, kComplete);
    EXPECT_EQ(cutter.Echo("a\r\nb\n", false).end, kOpen);
    // An echo longer than the cap stays whole; the next output byte starts a new piece.
    EXPECT_EQ(cutter.Echo("abcdef", false), (TLinePiece { "abcdef", kOpen }));
    EXPECT_EQ(cutter.Feed("g\n"), (Pieces { { "abcdef", kComplete }, { "g", kLf } }));
}
