#include "engine/sourceProbe.h"

#include "engine/localPath.h"
#include "platform/fileSystem.h"
#include "platform/process.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <cmath>
#include <cstdlib>
#include <limits.h>
#include <utility>

namespace {

// A side-data value ("34000/50000", or a number) in units of 1/unit, rounded; nothing when it is
// missing, not a number, or outside 0..limit.
std::optional<long long> InUnits(const QJsonValue& value, double unit, long long limit)
{
    double number = value.toDouble(-1);
    if (value.isString()) {
        const QStringList parts = value.toString().split('/');
        bool numerator = false, denominator = true;
        number = parts[0].toDouble(&numerator) / (parts.size() == 2 ? parts[1].toDouble(&denominator) : 1.0);
        if (!numerator || !denominator || parts.size() > 2)
            return std::nullopt;
    }
    const double scaled = std::round(number * unit);
    if (!(scaled >= 0 && scaled <= static_cast<double>(limit))) // also refuses NaN and infinities
        return std::nullopt;
    return static_cast<long long>(scaled);
}

std::optional<TMasteringDisplay> MasteringDisplay(const QJsonObject& data)
{
    constexpr std::pair<const char*, long long TMasteringDisplay::*> kChromaticities[] = { { "green_x", &TMasteringDisplay::greenX },
        { "green_y", &TMasteringDisplay::greenY }, { "blue_x", &TMasteringDisplay::blueX },
        { "blue_y", &TMasteringDisplay::blueY }, { "red_x", &TMasteringDisplay::redX },
        { "red_y", &TMasteringDisplay::redY }, { "white_point_x", &TMasteringDisplay::whiteX },
        { "white_point_y", &TMasteringDisplay::whiteY } };
    TMasteringDisplay display;
    for (const auto& [key, member] : kChromaticities) {
        const std::optional<long long> value = InUnits(data[key], 50000, 50000);
        if (!value)
            return std::nullopt; // x265 takes all of it or nothing
        display.*member = *value;
    }
    const std::optional<long long> max = InUnits(data["max_luminance"], 10000, 10000LL * 10000);
    const std::optional<long long> min = InUnits(data["min_luminance"], 10000, 10000LL * 10000);
    if (!max || !min || *max <= *min)
        return std::nullopt;
    display.maxLuminance = *max;
    display.minLuminance = *min;
    return display;
}

std::optional<TContentLight> ContentLight(const QJsonObject& data)
{
    const std::optional<long long> maxCll = InUnits(data["max_content"], 1, 65535);
    const std::optional<long long> maxFall = InUnits(data["max_average"], 1, 65535);
    if (!maxCll || !maxFall)
        return std::nullopt;
    return TContentLight { *maxCll, *maxFall };
}

// HDR10 metadata from a side-data list, where the colour does not hold it yet.
void ReadSideData(const QJsonArray& list, TSourceColour& colour)
{
    for (const QJsonValue value : list) {
        const QJsonObject data = value.toObject();
        const QString type = data["side_data_type"].toString();
        if (type == "Mastering display metadata" && !colour.masteringDisplay)
            colour.masteringDisplay = MasteringDisplay(data);
        else if (type == "Content light level metadata" && !colour.contentLight)
            colour.contentLight = ContentLight(data);
    }
}

TSourceColour StreamColour(const QJsonObject& stream)
{
    TSourceColour colour;
    colour.primaries = stream["color_primaries"].toString().toStdString();
    colour.transfer = stream["color_transfer"].toString().toStdString();
    colour.space = stream["color_space"].toString().toStdString();
    ReadSideData(stream["side_data_list"].toArray(), colour);
    return colour;
}

} // namespace

const TSourceStream* TSourceInfo::MainVideo() const
{
    for (const TSourceStream& stream : streams)
        if (stream.type == "video" && !stream.attachedPicture)
            return &stream;
    return nullptr;
}

bool TSourceInfo::Interlaced() const
{
    const TSourceStream* video = MainVideo();
    return video
        && (video->fieldOrder == "tt" || video->fieldOrder == "bb" || video->fieldOrder == "tb"
            || video->fieldOrder == "bt");
}

namespace {

// The display matrix's rotation (side data, as ffprobe 5 reports it) or the older "rotate" tag,
// in whole degrees 0..359.
int Rotation(const QJsonObject& stream)
{
    double degrees = stream["tags"].toObject()["rotate"].toString().toDouble();
    for (const QJsonValue data : stream["side_data_list"].toArray())
        if (data.toObject().contains("rotation"))
            degrees = data.toObject()["rotation"].toDouble();
    return ((static_cast<int>(std::lround(degrees)) % 360) + 360) % 360;
}

} // namespace

TSourceInfo ParseProbeJson(const std::string& json)
{
    TSourceInfo info;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(json));
    if (!document.isObject())
        return info;
    const QJsonObject root = document.object();
    int film = -1; // the film's stream index
    for (const QJsonValue value : root["streams"].toArray()) {
        const QJsonObject s = value.toObject();
        TSourceStream stream;
        stream.type = s["codec_type"].toString().toStdString();
        stream.codec = s["codec_name"].toString().toStdString();
        stream.channels = s["channels"].toInt();
        stream.channelLayout = s["channel_layout"].toString().toStdString();
        stream.width = s["width"].toInt();
        stream.height = s["height"].toInt();
        stream.fieldOrder = s["field_order"].toString().toStdString();
        stream.attachedPicture = s["disposition"].toObject()["attached_pic"].toInt() == 1;
        stream.rotation = Rotation(s);
        stream.language = s["tags"].toObject()["language"].toString().toStdString();
        stream.bitRate = s["bit_rate"].toString(s["tags"].toObject()["BPS"].toString()).toLongLong();
        if (film < 0 && stream.type == "video" && !stream.attachedPicture) {
            film = s["index"].toInt(static_cast<int>(info.streams.size()));
            info.colour = StreamColour(s);
        }
        info.streams.push_back(stream);
    }
    for (const QJsonValue value : root["frames"].toArray()) {
        const QJsonObject frame = value.toObject();
        if (frame["media_type"] == "video" && frame["stream_index"].toInt(-1) == film) {
            ReadSideData(frame["side_data_list"].toArray(), info.colour);
            break;
        }
    }
    bool isNumber = false;
    const double seconds = root["format"].toObject()["duration"].toString().toDouble(&isNumber);
    if (isNumber && seconds >= 0)
        info.seconds = seconds;
    info.read = true;
    return info;
}

// The first key frame's side data (HDR10 metadata that only the bitstream holds), in the same run:
// key frames alone are decoded, within the first 64 packets of all streams (the film may start
// behind a second of sound).
constexpr const char* kFirstKeyFrames = " -skip_frame nokey -read_intervals %+#64 -show_frames"
                                        " -show_entries frame=stream_index,media_type:frame_side_data";

// Why ffprobe could not read the file: its own words from the JSON (-show_error), else what it
// wrote, else its exit code.
std::string ProbeError(const std::string& json, const platform::TCapturedRun& run)
{
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(json));
    const std::string words = document.object()["error"].toObject()["string"].toString().toStdString();
    if (!words.empty())
        return words;
    const std::string firstLine = run.output.substr(0, run.output.find('\n'));
    return firstLine.empty() ? "ffprobe ended with exit code " + std::to_string(run.exitCode) : firstLine;
}

TSourceInfo ProbeSource(
    const std::string& probe, const std::string& file, int timeoutMs, const std::atomic<bool>* cancel)
{
    if (probe.empty() || platform::IsReadOnce(file)) // a probe would take the converter's input
        return {};
    // Quiet, with errors in the JSON: a decoder's complaint written mid-way cannot break it.
    const platform::TCapturedRun run = platform::RunCaptured(platform::QuoteArgument(probe)
            + " -v quiet -show_error -protocol_whitelist file -show_format -show_streams" + kFirstKeyFrames
            + " -of json " + platform::QuoteArgument(LocalFileArgument(AbsolutePath(file))),
        timeoutMs, 4 << 20, cancel);
    const size_t start = run.output.find('{');
    const std::string json = start == std::string::npos ? std::string() : run.output.substr(start);
    TSourceInfo info = run.exitCode == 0 ? ParseProbeJson(json) : TSourceInfo {};
    info.ran = run.exitCode >= 0 && run.exitCode != platform::kStillActive;
    if (info.ran && !info.read)
        info.error = ProbeError(json, run);
    return info;
}

std::string ProbePath(const std::string& converter)
{
    const std::string beside = platform::JoinPath(platform::ExtractFilePath(converter), "ffprobe");
    if (platform::IsExecutableFile(beside))
        return beside;
    if (char* target = realpath(converter.c_str(), nullptr)) { // build/app/ffmpeg links to the system's
        const std::string besideTarget = platform::JoinPath(platform::ExtractFilePath(target), "ffprobe");
        std::free(target);
        if (platform::IsExecutableFile(besideTarget))
            return besideTarget;
    }
    const char* path = std::getenv("PATH");
    return platform::FindOnPath("ffprobe", path ? path : "");
}

