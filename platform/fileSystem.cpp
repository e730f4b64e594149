#include "platform/fileSystem.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::string ProgramFolder()
{
    std::string buffer(4096, '\0');
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0)
        return "./";
    buffer.resize(static_cast<size_t>(n));
    return ExtractFilePath(buffer);
}

bool FileExists(const std::string& path)
{
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path)
{
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int64_t FileSize(const std::string& path)
{
    struct stat st {};
    if (path.empty() || stat(path.c_str(), &st) != 0)
        return -1;
    return static_cast<int64_t>(st.st_size);
}

std::string ExtractFileName(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ExtractFilePath(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

static size_t ExtPos(const std::string& path)
{
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos)
        return std::string::npos;
    const size_t slash = path.rfind('/');
    return (slash != std::string::npos && slash > dot) ? std::string::npos : dot;
}

std::string ExtractFileExt(const std::string& path)
{
    const size_t dot = ExtPos(path);
    return dot == std::string::npos ? std::string() : path.substr(dot);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext)
{
    const size_t dot = ExtPos(path);
    return (dot == std::string::npos ? path : path.substr(0, dot)) + ext;
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty() || folder.back() == '/')
        return folder + name;
    return folder + '/' + name;
}

bool ForceDirectories(const std::string& path, std::string* error)
{
    if (path.empty()) {
        if (error)
            *error = "empty folder name";
        return false;
    }
    std::string current;
    size_t pos = 0;
    while (pos <= path.size()) {
        const size_t slash = path.find('/', pos);
        current = path.substr(0, slash == std::string::npos ? path.size() : slash);
        pos = slash == std::string::npos ? path.size() + 1 : slash + 1;
        if (current.empty() || DirectoryExists(current))
            continue;
        if (mkdir(current.c_str(), 0777) != 0 && errno != EEXIST) {
            if (error)
                *error = SystemErrorText(errno);
            return false;
        }
    }
    if (!DirectoryExists(path)) {
        if (error)
            *error = SystemErrorText(ENOTDIR);
        return false;
    }
    return true;
}

std::string SystemErrorText(int errorNumber)
{
    return std::strerror(errorNumber);
}

QString FromAnsi(const std::string& bytes)
{
    return QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::string ToAnsi(const QString& text)
{
    return QFile::encodeName(text).toStdString();
}

} // namespace platform
