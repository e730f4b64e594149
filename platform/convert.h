#pragma once
// Text to number conversion with the program's error wording.
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

} // namespace platform
