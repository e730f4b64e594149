#pragma once
// Cuts a child's output, read by read, into lines: no threads, no processes. CR LF, LF and a lone
// CR each end a line, also when a CR LF pair is split across two reads; NUL bytes are dropped; a
// line that has not ended yet is handed out whole again after every read, and a line longer than
// the cap comes out in complete pieces of the cap's length. Bytes are passed through as they are
// (no encoding is assumed).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// How a piece of output ends.
enum class TPieceEnd : uint8_t {
    CrLf, // a complete line that the output ended with CR LF
    Lf, // a complete line that the output ended with LF or a lone CR
    Complete, // complete without a line end of the output: cut at the cap, or echoed input
    Open, // the text so far of a line whose end has not arrived
};

struct TLinePiece {
    std::string text; // without the output's line end (echoed input keeps its own)
    TPieceEnd end;
    bool operator==(const TLinePiece&) const = default;
};

class TLineCutter {
public:
    // maxLength: bytes a piece may hold before the line goes on in the next one (at least 1).
    explicit TLineCutter(size_t maxLength);

    // The pieces one read makes, in order. An open line comes last, with all its text so far; it
    // stays pending, so the next read hands it out whole again. An empty read makes nothing and
    // changes nothing.
    std::vector<TLinePiece> Feed(std::string_view read);
    // Text written to the child's input, handed out as output: it joins the pending line when
    // continuesLine (the last piece handed on was that line's beginning), else starts a line of
    // its own. Its line end stays in the text: the line is complete when the text's first CR LF
    // or its first LF ends the text, else it stays open.
    TLinePiece Echo(const std::string& text, bool continuesLine);
    // At the end of the output: the pending line once more (nothing when there is none). The
    // cutter then starts afresh.
    std::vector<TLinePiece> Finish();
    // Forgets the pending line: its last pieces were never handed on.
    void DropPending() { pending_.clear(); }

private:
    void CutPiece(std::vector<TLinePiece>& pieces, std::string& line, TPieceEnd end);

    size_t maxLength_;
    std::string pending_; // the line not ended yet
    bool lastFeedEndedCR_ = false; // an LF that opens the next read completes that CR LF
};
