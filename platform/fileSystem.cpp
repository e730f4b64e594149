#include "platform/fileSystem.h"

#include "platform/convert.h"

#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
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

bool IsPortableLayout(const std::string& programFolder)
{
    const std::string folder = JoinPath(programFolder, "");
    const bool inBin = folder.size() >= 4 && folder.compare(folder.size() - 4, 4, "bin/") == 0
        && (folder.size() == 4 || folder[folder.size() - 5] == '/');
    return !inBin || FileExists(folder + "command");
}

std::string DataFolder()
{
    return DataFolder(ProgramFolder());
}

std::string DataFolder(const std::string& programFolder)
{
    const std::string folder = JoinPath(programFolder, "");
    if (IsPortableLayout(folder))
        return folder;
    // PREFIX/bin/ -> PREFIX/share/vidmorph/
    return ExtractFilePath(folder.substr(0, folder.size() - 1)) + "share/vidmorph/";
}

// A folder this process may create files in, or (when missing) one its nearest existing parent
// would let it make.
static bool CanWriteFolder(const std::string& folder)
{
    std::string f = folder;
    while (!f.empty() && f != "/") {
        struct stat st { };
        if (stat(f.c_str(), &st) == 0)
            return S_ISDIR(st.st_mode) && access(f.c_str(), W_OK | X_OK) == 0;
        if (errno != ENOENT)
            return false;
        f = ExtractFilePath(f.back() == '/' ? f.substr(0, f.size() - 1) : f);
    }
    return access("/", W_OK | X_OK) == 0;
}

std::string GlobalOutputFolder()
{
    return GlobalOutputFolder(
        ProgramFolder(), ToAnsi(QStandardPaths::writableLocation(QStandardPaths::MoviesLocation)));
}

std::string GlobalOutputFolder(const std::string& programFolder, const std::string& videosFolder)
{
    const std::string portable = JoinPath(programFolder, "convert/");
    if (IsPortableLayout(programFolder) && CanWriteFolder(portable))
        return portable;
    if (videosFolder.empty()) // no home folder at all: the portable folder's error is the clearest
        return portable;
    return JoinPath(videosFolder, "Vidmorph/");
}

std::string StateFolder()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    const char* home = std::getenv("HOME");
    return StateFolder(state ? state : "", home ? home : "");
}

std::string StateFolder(const std::string& xdgStateHome, const std::string& home)
{
    if (!xdgStateHome.empty() && xdgStateHome[0] == '/') // a relative value is to be ignored
        return JoinPath(xdgStateHome, "vidmorph/");
    if (home.empty())
        return {};
    return JoinPath(home, ".local/state/vidmorph/");
}

std::optional<TFileId> RegularFileId(const std::string& path)
{
    struct statx info { };
    if (statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_TYPE | STATX_INO | STATX_BTIME, &info) != 0
        || !S_ISREG(info.stx_mode))
        return std::nullopt;
    const int64_t birth = (info.stx_mask & STATX_BTIME)
        ? int64_t(info.stx_btime.tv_sec) * 1000000000 + info.stx_btime.tv_nsec
        : 0;
    return TFileId { makedev(info.stx_dev_major, info.stx_dev_minor), info.stx_ino, birth };
}

bool RemoveIfSameFile(const std::string& path, const TFileId& id)
{
    return RegularFileId(path) == id && unlink(path.c_str()) == 0;
}

bool IsExecutableFile(const std::string& path)
{
    return FileExists(path) && access(path.c_str(), X_OK) == 0;
}

std::string ConverterPath()
{
    const char* path = std::getenv("PATH");
    return ConverterPath(ProgramFolder(), path ? path : "");
}

std::string ConverterPath(const std::string& programFolder, const std::string& searchPath)
{
    const std::string beside = JoinPath(programFolder, "ffmpeg");
    if (IsExecutableFile(beside))
        return beside;
    const std::string found = FindOnPath("ffmpeg", searchPath);
    return found.empty() ? beside : found;
}

std::string FindOnPath(const std::string& name, const std::string& searchPath)
{
    size_t start = 0;
    while (start <= searchPath.size()) {
        const size_t colon = std::min(searchPath.find(':', start), searchPath.size());
        const std::string folder = searchPath.substr(start, colon - start);
        // An empty or relative entry would depend on the working folder: skipped.
        if (!folder.empty() && folder.front() == '/' && IsExecutableFile(JoinPath(folder, name)))
            return JoinPath(folder, name);
        start = colon + 1;
    }
    return {};
}

bool IsWindowsPath(const std::string& path)
{
    const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    if (path.size() >= 3 && letter(path[0]) && path[1] == ':' && (path[2] == '\\' || path[2] == '/'))
        return true;
    return path.rfind("\\\\", 0) == 0;
}

bool FileExists(const std::string& path)
{
    struct stat st { };
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsReadOnce(const std::string& path)
{
    struct stat st { };
    return !path.empty() && stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path)
{
    struct stat st { };
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int64_t FileSize(const std::string& path)
{
    struct stat st { };
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

static void SetError(std::string* error, int errorNumber)
{
    if (error)
        *error = SystemErrorText(errorNumber);
}

bool ReadWholeFile(const std::string& path, TFileBuffer& buffer, std::string* error)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        SetError(error, errno);
        return false;
    }
    struct stat st { };
    size_t capacity
        = (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) ? static_cast<size_t>(st.st_size) + 1 : 65536;
    buffer.data = std::make_unique_for_overwrite<char[]>(capacity);
    buffer.size = 0;
    for (;;) {
        if (buffer.size == capacity) { // the file grew, or its size was unknown
            auto larger = std::make_unique_for_overwrite<char[]>(capacity * 2);
            std::memcpy(larger.get(), buffer.data.get(), buffer.size);
            buffer.data = std::move(larger);
            capacity *= 2;
        }
        const ssize_t n = read(fd, buffer.data.get() + buffer.size, capacity - buffer.size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            SetError(error, errno);
            close(fd);
            return false;
        }
        if (n == 0)
            break;
        buffer.size += static_cast<size_t>(n);
    }
    close(fd);
    return true;
}

static bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// The file a path finally names (links followed); the path itself when it does not exist yet.
static std::string ResolveTarget(const std::string& path)
{
    char resolved[PATH_MAX];
    struct stat st { };
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && realpath(path.c_str(), resolved))
        return resolved;
    return path;
}

static mode_t NewFileMode()
{
    const mode_t mask = umask(022);
    umask(mask);
    return 0666 & ~mask;
}

// Rewrites an existing file through its own descriptor, for a folder where no new file may be
// made. Not atomic: when the rewrite fails part way, the previous bytes are put back as far as
// the system allows (they could not be read when the file is write-only).
static bool RewriteInPlace(const std::string& target, std::string_view bytes, int& failure)
{
    TFileBuffer previous;
    const bool havePrevious = ReadWholeFile(target, previous, nullptr);
    const int fd = open(target.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        failure = errno;
        return false;
    }
    bool ok = WriteAll(fd, bytes) && ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 && fsync(fd) == 0;
    failure = ok ? 0 : errno;
    if (!ok && havePrevious && lseek(fd, 0, SEEK_SET) == 0 && WriteAll(fd, previous.View()))
        (void)!ftruncate(fd, static_cast<off_t>(previous.size));
    if (close(fd) != 0 && ok) {
        ok = false;
        failure = errno;
    }
    return ok;
}

// The bytes go into a new file beside the target, renamed over it once complete. Only when the
// folder refuses the new file or the rename (a read-only folder, a sticky folder) and the target
// is a writable regular file is it rewritten in place.
bool ReplaceFileAtomically(const std::string& path, std::string_view bytes, std::string* error)
{
    const std::string target = ResolveTarget(path);
    struct stat st { };
    const bool exists = stat(target.c_str(), &st) == 0;
    const bool regular = exists && S_ISREG(st.st_mode);
    if (regular && access(target.c_str(), W_OK) != 0) {
        SetError(error, errno);
        return false;
    }
    auto refused = [regular](int e) { return regular && (e == EACCES || e == EPERM); };
    int failure = 0;
    const std::string folder = ExtractFilePath(target);
    std::string temp
        = (folder.empty() ? std::string("./") : folder) + "." + ExtractFileName(target) + ".XXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        failure = errno;
        const bool ok = refused(failure) && RewriteInPlace(target, bytes, failure);
        if (!ok)
            SetError(error, failure);
        return ok;
    }
    const mode_t mode = regular ? (st.st_mode & 07777) : NewFileMode();
    bool ok = fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && fsync(fd) == 0;
    failure = ok ? 0 : errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        failure = errno;
    }
    bool renamed = false;
    if (ok) {
        renamed = rename(temp.c_str(), target.c_str()) == 0;
        failure = renamed ? 0 : errno;
    }
    if (!renamed)
        unlink(temp.c_str());
    if (ok && !renamed)
        ok = refused(failure) && RewriteInPlace(target, bytes, failure);
    if (!ok)
        SetError(error, failure);
    return ok;
}

std::string SystemErrorText(int errorNumber)
{
    return std::strerror(errorNumber);
}

QString FromAnsi(const std::string& bytes)
{
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t i = 0;
    while (i < bytes.size()) {
        char32_t code = 0;
        const int length = DecodeUtf8(p + i, bytes.size() - i, code);
        if (length == 0) {
            text += QChar(static_cast<char16_t>(0xDC00 + p[i])); // kept for the way back
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            text += QChar(QChar::highSurrogate(code));
            text += QChar(QChar::lowSurrogate(code));
        } else {
            text += QChar(static_cast<char16_t>(code));
        }
        i += static_cast<size_t>(length);
    }
    return text;
}

std::string ToAnsi(const QString& text)
{
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size()
            && QChar::isLowSurrogate(text[i + 1].unicode())) {
            AppendUtf8(out, QChar::surrogateToUcs4(c, text[++i].unicode()));
        } else if (c >= 0xDC80 && c <= 0xDCFF) {
            out += static_cast<char>(c - 0xDC00); // a byte that was not UTF-8
        } else if (QChar::isSurrogate(c)) {
            AppendUtf8(out, 0xFFFD); // a lone surrogate from elsewhere has no byte form
        } else {
            AppendUtf8(out, c);
        }
    }
    return out;
}

} // namespace platform
