#include "engine/localPath.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <unistd.h>

namespace {

// Every protocol the converter knows for input or output, and a few its other builds add.
constexpr std::array<std::string_view, 51> kProtocols { "amqp", "android_content", "async", "bluray", "cache",
    "concat", "concatf", "crypto", "data", "fd", "ffrtmpcrypt", "ffrtmphttp", "file", "ftp", "gopher",
    "gophers", "hls", "http", "httpproxy", "https", "icecast", "ipfs", "ipns", "librist", "libsmbclient",
    "libsrt", "libssh", "md5", "mmsh", "mmst", "pipe", "prompeg", "rist", "rtmp", "rtmpe", "rtmps", "rtmpt",
    "rtmpte", "rtmpts", "rtp", "sctp", "sftp", "smb", "srt", "srtp", "subfile", "tcp", "tee", "tls", "udp",
    "unix" };

bool IsSchemeChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
}

bool IsKnownProtocol(std::string_view scheme)
{
    // "hls+http" names its nested protocol after the '+'; either part counts.
    std::string lower;
    for (char c : scheme)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const size_t plus = lower.find('+');
    const auto known = [](std::string_view name) {
        return std::find(kProtocols.begin(), kProtocols.end(), name) != kProtocols.end();
    };
    return known(lower) || (plus != std::string::npos && known(std::string_view(lower).substr(0, plus)));
}

} // namespace

bool IsProtocolName(const std::string& name)
{
    if (name.empty() || !std::isalpha(static_cast<unsigned char>(name[0])))
        return false;
    size_t end = 1;
    while (end < name.size() && IsSchemeChar(name[end]))
        ++end;
    if (end == name.size() || (name[end] != ':' && name[end] != ','))
        return false;
    if (name.compare(end, 3, "://") == 0)
        return true;
    return IsKnownProtocol(std::string_view(name).substr(0, end));
}

std::string AbsolutePath(const std::string& path)
{
    if (!path.empty() && path.front() == '/')
        return path;
    std::string folder(4096, '\0');
    while (!::getcwd(folder.data(), folder.size())) {
        if (errno != ERANGE)
            return path; // no current folder: the converter sees the name as it stands
        folder.resize(folder.size() * 2);
    }
    folder.resize(std::strlen(folder.c_str()));
    if (folder.back() != '/')
        folder += '/';
    return folder + path;
}

std::string LocalFileArgument(const std::string& absolutePath)
{
    return "file:" + absolutePath;
}
