#include "cli/encodingOptions.h"

#include "engine/profileArguments.h"
#include "platform/convert.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace {

bool ReadWhole(const std::string& text, int low, int high, std::optional<int>& value)
{
    try {
        const int number = platform::StrToInt(text);
        if (number < low || number > high)
            return false;
        value = number;
        return true;
    } catch (const EConvertError&) {
        return false;
    }
}

// A plain decimal number ("25", "2.5"); nullopt for anything else.
std::optional<double> ReadDecimal(const std::string& text)
{
    if (text.empty() || text.size() > 20
        || !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) || c == '.'; })
        || std::count(text.begin(), text.end(), '.') > 1 || text.front() == '.' || text.back() == '.')
        return std::nullopt;
    return std::stod(text);
}

// "eng,deu" as normalised codes; false for anything that is not three letters.
bool ReadLanguages(const std::string& text, std::vector<std::string>& languages)
{
    languages.clear();
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = std::min(text.find(',', start), text.size());
        const std::string code = text.substr(start, comma - start);
        if (code.size() != 3
            || !std::all_of(code.begin(), code.end(), [](unsigned char c) { return std::isalpha(c); }))
            return false;
        languages.push_back(NormalLanguage(code));
        start = comma + 1;
    }
    return true;
}

} // namespace

std::optional<double> ParseTimePoint(const std::string& text)
{
    double total = 0;
    size_t start = 0;
    for (int part = 0; part < 3; ++part) {
        const size_t colon = text.find(':', start);
        const std::string piece
            = text.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        const bool last = colon == std::string::npos;
        const std::optional<double> value = ReadDecimal(piece);
        // Only the last part may have a fraction; parts after the first stay below 60.
        if (!value || (!last && piece.find('.') != std::string::npos) || (part > 0 && *value >= 60))
            return std::nullopt;
        total = total * 60 + *value;
        if (last)
            return std::isfinite(total) ? std::optional<double>(total) : std::nullopt;
        start = colon + 1;
    }
    return std::nullopt;
}

bool IsEncodingOption(const QString& name, bool& takesValue)
{
    static const char* const withValue[] = { "--quality", "--video-bitrate", "--size", "--audio-lang",
        "--subtitle-lang", "--start", "--end", "--max-height", "--crop" };
    takesValue
        = std::any_of(std::begin(withValue), std::end(withValue), [&](const char* o) { return name == o; });
    return takesValue || name == "--burn-subtitles";
}

bool ReadEncodingOption(
    const QString& name, const std::string& value, TEncodingOverrides& o, std::string& error)
{
    const std::string option = name.toStdString();
    const auto fail = [&](const std::string& wanted) {
        error = option + " needs " + wanted + ", not \"" + value + "\"";
        return false;
    };
    if (name == "--burn-subtitles") {
        o.burnSubtitles = true;
    } else if (name == "--quality") {
        if (!ReadWhole(value, 0, 100, o.quality))
            return fail("a quality from 0 (smallest file) to 100 (best picture)");
    } else if (name == "--video-bitrate") {
        o.videoBitrate = ParseBitrate(value);
        if (!o.videoBitrate || *o.videoBitrate < 10000 || *o.videoBitrate > 1000000000)
            return fail("a bit rate from 10k to 1000M bit/s (as 2500k or 2.5M)");
    } else if (name == "--size") {
        o.sizeMiB = ReadDecimal(value);
        if (!o.sizeMiB || *o.sizeMiB <= 0 || *o.sizeMiB > 1000000)
            return fail("a size in MB above 0 (as 25 or 9.5)");
    } else if (name == "--audio-lang" || name == "--subtitle-lang") {
        if (!ReadLanguages(value, name == "--audio-lang" ? o.audioLanguages : o.subtitleLanguages))
            return fail("three-letter ISO 639-2 language codes separated by commas (as eng,deu)");
    } else if (name == "--start" || name == "--end") {
        const std::optional<double> at = ParseTimePoint(value);
        if (!at)
            return fail("a time in seconds or as hh:mm:ss[.ms] (as 90, 1:30 or 00:01:30.5)");
        (name == "--start" ? o.start : o.end) = at;
    } else if (name == "--max-height") {
        if (!ReadWhole(value, 16, 16384, o.maxHeight))
            return fail("a height in pixels from 16 to 16384");
    } else if (name == "--crop") {
        if (value != "auto")
            return fail("the word auto (black bars are found and cut off)");
        o.autoCrop = true;
    }
    return true;
}

std::string EncodingCombinationProblem(const TEncodingOverrides& o)
{
    if (int(o.quality.has_value()) + int(o.videoBitrate.has_value()) + int(o.sizeMiB.has_value()) > 1)
        return "--quality, --video-bitrate and --size each set how much the video may take; give one of them";
    if (o.start && o.end && *o.end <= *o.start)
        return "--end must come after --start";
    if (o.end && *o.end <= 0)
        return "--end must come after the start of the video";
    return {};
}
