#include "engine/sourceProbe.h"

#include "engine/localPath.h"
#include "platform/fileSystem.h"
#include "platform/process.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <cstdlib>
#include <limits.h>

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
        info.streams.push_back(stream);
    }
    bool isNumber = false;
    const double seconds = root["format"].toObject()["duration"].toString().toDouble(&isNumber);
    if (isNumber && seconds >= 0)
        info.seconds = seconds;
    info.read = true;
    return info;
}

TSourceInfo ProbeSource(const std::string& probe, const std::string& file, int timeoutMs)
{
    if (probe.empty())
        return {};
    const platform::TCapturedRun run = platform::RunCaptured(platform::QuoteArgument(probe)
            + " -v error -protocol_whitelist file -show_format -show_streams -of json "
            + platform::QuoteArgument(LocalFileArgument(AbsolutePath(file))),
        timeoutMs, 4 << 20);
    const size_t json = run.output.find('{'); // after any line ffprobe wrote on its error stream
    TSourceInfo info = run.exitCode == 0 && json != std::string::npos ? ParseProbeJson(run.output.substr(json))
                                                                      : TSourceInfo {};
    info.ran = run.exitCode >= 0 && run.exitCode != platform::kStillActive;
    if (info.ran && !info.read)
        info.error = run.output.substr(0, run.output.find('\n'));
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

