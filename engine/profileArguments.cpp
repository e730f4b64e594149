#include "engine/profileArguments.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <exception>

bool IsOneOf(const std::string& argument, TOptionNames names)
{
    return std::find(names.begin(), names.end(), argument) != names.end();
}

bool HasArgument(const TArguments& arguments, std::string_view argument)
{
    return std::find(arguments.begin(), arguments.end(), argument) != arguments.end();
}

std::optional<size_t> LastValueAt(const TArguments& arguments, TOptionNames options)
{
    std::optional<size_t> found;
    for (size_t i = 0; i + 1 < arguments.size(); ++i)
        if (IsOneOf(arguments[i], options))
            found = i + 1;
    return found;
}

std::string LastValue(const TArguments& arguments, TOptionNames options)
{
    const std::optional<size_t> at = LastValueAt(arguments, options);
    return at ? arguments[*at] : std::string();
}

void SetOption(TArguments& arguments, const std::string& option, const std::string& value)
{
    if (const std::optional<size_t> at = LastValueAt(arguments, { option }))
        arguments[*at] = value;
    else
        arguments.insert(arguments.end(), { option, value });
}

TArguments Without(const TArguments& arguments, TOptionNames options)
{
    TArguments result;
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (IsOneOf(arguments[i], options) && i + 1 < arguments.size()) {
            ++i;
            continue;
        }
        result.push_back(arguments[i]);
    }
    return result;
}

bool SetsEveryCodec(const std::string& option)
{
    return IsOneOf(option, { "-c", "-codec" });
}

bool SetsVideoCodec(const std::string& option)
{
    return IsOneOf(option, { "-c:v", "-codec:v", "-vcodec", "-c:V" });
}

bool SetsAudioCodec(const std::string& option)
{
    return IsOneOf(option, { "-c:a", "-codec:a", "-acodec" });
}

namespace {

// The value of the last option that `sets` accepts, or empty.
template <typename TSets>
std::string LastCodec(const TArguments& arguments, TSets sets)
{
    std::string codec;
    for (size_t i = 0; i + 1 < arguments.size(); ++i)
        if (SetsEveryCodec(arguments[i]) || sets(arguments[i]))
            codec = arguments[i + 1];
    return codec;
}

} // namespace

std::string VideoEncoder(const TArguments& arguments)
{
    return LastCodec(arguments, SetsVideoCodec);
}

std::string AudioEncoder(const TArguments& arguments)
{
    return LastCodec(arguments, SetsAudioCodec);
}

namespace {

// The "key=value" pairs of an encoder's parameters, split at ':' that no backslash escapes.
std::vector<std::string> ParameterPairs(const std::string& written)
{
    std::vector<std::string> pairs;
    std::string pair;
    for (size_t i = 0; i < written.size(); ++i) {
        if (written[i] == '\\' && i + 1 < written.size()) {
            pair += written.substr(i++, 2);
        } else if (written[i] == ':') {
            if (!pair.empty())
                pairs.push_back(pair);
            pair.clear();
        } else {
            pair += written[i];
        }
    }
    if (!pair.empty())
        pairs.push_back(pair);
    return pairs;
}

} // namespace

void MergeParameters(TArguments& arguments, const std::string& option, const TParameterValues& values)
{
    if (values.empty())
        return;
    std::vector<std::string> pairs = ParameterPairs(LastValue(arguments, { option }));
    for (const auto& [key, value] : values) {
        const std::string& name = key; // a lambda may not capture a structured binding (C++20 with clang 14)
        const auto same = std::find_if(pairs.begin(), pairs.end(),
            [&name](const std::string& pair) { return pair == name || pair.rfind(name + "=", 0) == 0; });
        if (same != pairs.end())
            *same = key + "=" + value;
        else
            pairs.push_back(key + "=" + value);
    }
    std::string merged;
    for (const std::string& pair : pairs)
        merged += (merged.empty() ? "" : ":") + pair;
    SetOption(arguments, option, merged);
}

std::string EscapedParameter(const std::string& value)
{
    std::string escaped;
    for (const char c : value) {
        if (c == ':' || c == '=' || c == '\\')
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

bool IsTextSubtitle(const std::string& codec)
{
    return IsOneOf(codec, { "subrip", "srt", "ass", "ssa", "mov_text", "webvtt", "text", "microdvd" });
}

bool IsBitmapSubtitle(const std::string& codec)
{
    return IsOneOf(codec, { "hdmv_pgs_subtitle", "dvd_subtitle", "dvb_subtitle", "xsub" });
}

std::optional<int64_t> ParseBitrate(const std::string& text)
{
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0])))
        return std::nullopt;
    size_t used = 0;
    double value = 0;
    try {
        value = std::stod(text, &used);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    const std::string suffix = text.substr(used);
    double factor = 1;
    if (suffix == "k" || suffix == "K")
        factor = 1e3;
    else if (suffix == "m" || suffix == "M")
        factor = 1e6;
    else if (!suffix.empty())
        return std::nullopt;
    const double bits = value * factor;
    if (!std::isfinite(bits) || bits < 1 || bits > 1e12)
        return std::nullopt;
    return static_cast<int64_t>(std::llround(bits));
}
