#include "engine/lineCutter.h"

#include <algorithm>
#include <utility>

namespace {

bool EndsNothing(char c)
{
    return c != '\r' && c != '\n' && c != '\0';
}

// Where the next line end, NUL or the limit comes.
const char* ScanLine(const char* from, const char* limit)
{
    return std::find_if(from, limit, [](char c) { return !EndsNothing(c); });
}

} // namespace

TLineCutter::TLineCutter(size_t maxLength)
    : maxLength_(std::max<size_t>(maxLength, 1))
{
}

void TLineCutter::CutPiece(std::vector<TLinePiece>& pieces, std::string& line, TPieceEnd end)
{
    pieces.push_back({ std::move(line), end });
    line.clear();
}

std::vector<TLinePiece> TLineCutter::Feed(std::string_view read)
{
    std::vector<TLinePiece> pieces;
    if (read.empty())
        return pieces;
    const char* const bytes = read.data();
    const size_t count = read.size();
    const size_t cap = maxLength_;
    std::string line = std::move(pending_);
    bool lastWasCR = false;
    size_t i = lastFeedEndedCR_ && bytes[0] == '\n' ? 1 : 0;
    while (i < count) {
        if (line.size() >= cap && EndsNothing(bytes[i]))
            CutPiece(pieces, line, TPieceEnd::Complete); // full, and the line goes on
        const size_t room = line.size() < cap ? cap - line.size() : 0; // echoes may exceed it
        const size_t limit = std::min(count, i + room);
        const size_t end = static_cast<size_t>(ScanLine(bytes + i, bytes + limit) - bytes);
        line.append(bytes + i, end - i);
        lastWasCR = false;
        i = end;
        if (end == count || EndsNothing(bytes[end]))
            continue; // all read, or the line is full: the next pass cuts it
        const char c = bytes[end];
        i = end + 1;
        lastWasCR = c == '\r';
        if (c == '\0')
            continue;
        if (c == '\r' && i < count && bytes[i] == '\n') {
            ++i;
            lastWasCR = false;
            CutPiece(pieces, line, TPieceEnd::CrLf);
        } else {
            CutPiece(pieces, line, TPieceEnd::Lf);
        }
    }
    lastFeedEndedCR_ = lastWasCR;
    pending_ = std::move(line);
    if (!pending_.empty())
        pieces.push_back({ pending_, TPieceEnd::Open });
    return pieces;
}

TLinePiece TLineCutter::Echo(const std::string& text, bool continuesLine)
{
    const size_t crlf = text.find("\r\n");
    const size_t lf = text.find('\n');
    const bool endsLine = (crlf != std::string::npos && crlf + 2 == text.size())
        || (lf != std::string::npos && lf + 1 == text.size());
    pending_ = continuesLine ? pending_ + text : text;
    if (!endsLine)
        return { pending_, TPieceEnd::Open };
    return { std::exchange(pending_, {}), TPieceEnd::Complete };
}

std::vector<TLinePiece> TLineCutter::Finish()
{
    std::vector<TLinePiece> pieces;
    if (!pending_.empty())
        pieces.push_back({ std::exchange(pending_, {}), TPieceEnd::Open });
    lastFeedEndedCR_ = false;
    return pieces;
}
