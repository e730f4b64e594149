#include "engine/sourceProbe.h"

#include "engine/localPath.h"
#include "platform/process.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

bool TSourceInfo::Interlaced() const
{
    for (const TSourceStream& stream : streams)
        if (stream.type == "video" && !stream.attachedPicture)
            return stream.fieldOrder == "tt" || stream.fieldOrder == "bb" || stream.fieldOrder == "tb"
                || stream.fieldOrder == "bt";
    return false;
}

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
        stream.fieldOrder = s["field_order"].toString().toStdString();
        stream.attachedPicture = s["disposition"].toObject()["attached_pic"].toInt() == 1;
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
    if (run.exitCode != 0)
        return {};
    const size_t json = run.output.find('{'); // after any line ffprobe wrote on its error stream
    return json == std::string::npos ? TSourceInfo {} : ParseProbeJson(run.output.substr(json));
}
