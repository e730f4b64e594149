#pragma once
// Text to number conversion with the program's error wording, and UTF-8 code points.
#include <cstddef>
#include <stdexcept>
#include <string>

class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

namespace platform {

// Decimal text with an optional sign to a 32-bit integer; anything else (blanks, other bytes,
// a value out of range, empty text) raises EConvertError "'<text>' is not a valid integer value".
int StrToInt(const std::string& text);
std::string IntToStr(long long value);

// Length (1..4) of the well-formed UTF-8 sequence at p, with its code point in code; 0 when the
// byte at p starts none (a stray or cut-off byte, an overlong form, a surrogate, a value above
// U+10FFFF). left > 0 is the number of bytes readable at p.
int DecodeUtf8(const unsigned char* p, size_t left, char32_t& code);
// Writes code (at most U+10FFFF, not a surrogate) as 1..4 UTF-8 bytes at out; returns the length.
size_t EncodeUtf8(char32_t code, char* out);
void AppendUtf8(std::string& out, char32_t code);

} // namespace platform
