#include "engine/argumentList.h"

#include "platform/process.h"

#include <algorithm>
#include <cctype>
#include <cstring>

std::string JoinArguments(const TArguments& arguments)
{
    const auto plainChar = [](unsigned char c) { return std::isalnum(c) || std::strchr("-_.:/=+,?", c); };
    std::string text;
    for (const std::string& argument : arguments) {
        const bool plain = !argument.empty() && std::all_of(argument.begin(), argument.end(), plainChar);
        text += (text.empty() ? "" : " ") + (plain ? argument : platform::QuoteArgument(argument));
    }
    return text;
}
