#include "platform/convert.h"

#include <charconv>
#include <climits>

namespace platform {

int StrToInt(const std::string& text)
{
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+' && (last - first) > 1 && first[1] != '-')
        ++first;
    long long value = 0;
    const auto [end, ec] = std::from_chars(first, last, value);
    if (text.empty() || ec != std::errc() || end != last || value < INT_MIN || value > INT_MAX)
        throw EConvertError("'" + text + "' is not a valid integer value");
    return static_cast<int>(value);
}

std::string IntToStr(long long value)
{
    return std::to_string(value);
}

} // namespace platform
