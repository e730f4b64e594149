#pragma once
// File and path services in place of the Win32 file calls. Paths are byte strings in the
// locale's 8-bit encoding; '/' is the only separator (a ':' is an ordinary character).
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace platform {

// Folder of the running executable, with a trailing '/'.
std::string ProgramFolder();

// Where the program's companions are found. Installed layout: the program is in a folder named
// "bin" without a profile file "command" beside it (PREFIX/bin/vidmorph); the profile file is in
// PREFIX/share/vidmorph/. Anything else is the portable layout (the build folder's app/): the
// profile file lies beside the executable. Each function has a form that takes the program
// folder, so the rules can be checked on any folder.
bool IsPortableLayout(const std::string& programFolder);
// Folder of the profile file, with a trailing '/'.
std::string DataFolder();
std::string DataFolder(const std::string& programFolder);
// Folder for entries without an output folder, with a trailing '/': the program folder followed
// by "convert/" in the portable layout where that can be written; otherwise the user's videos
// folder followed by "Vidmorph/". The installed program never writes beside its binary, not even
// when run by root.
std::string GlobalOutputFolder();
std::string GlobalOutputFolder(const std::string& programFolder, const std::string& videosFolder);
// The converter: an executable "ffmpeg" beside the program, else the first executable "ffmpeg" in
// the folders of searchPath (PATH's syntax), else the name beside the program (which does not
// exist, so a start failure names where it was looked for).
std::string ConverterPath();
std::string ConverterPath(const std::string& programFolder, const std::string& searchPath);
// The first executable file `name` in the absolute folders of searchPath; empty when none.
std::string FindOnPath(const std::string& name, const std::string& searchPath);
// True for a regular file (or a link to one) that this process may execute.
bool IsExecutableFile(const std::string& path);

// True for a path written on Windows: a drive ("C:\\Videos\\a.avi", "D:/Out") or a network share
// ("\\\\server\\share"). Such a path names nothing on this machine.
bool IsWindowsPath(const std::string& path);

// The user's state folder for this program, with a trailing '/': $XDG_STATE_HOME/vidmorph/ when
// that variable holds an absolute path, else $HOME/.local/state/vidmorph/; empty without either.
std::string StateFolder();
std::string StateFolder(const std::string& xdgStateHome, const std::string& home);

// Which file a name stands for at one moment: the name may later be given to another file, and
// a freed inode number to a new file, which the birth time then tells apart.
struct TFileId {
    dev_t device = 0;
    ino_t inode = 0;
    int64_t birthNs = 0; // ns since the epoch; 0 where the file system keeps none
    bool operator==(const TFileId&) const = default;
};
// The identity of the regular file at path (a link is not followed); none when there is none.
std::optional<TFileId> RegularFileId(const std::string& path);
// Removes path only while it still names that very file; true when it was removed.
bool RemoveIfSameFile(const std::string& path, const TFileId& id);

// True only for a regular file (or a link to one); folders never count.
bool FileExists(const std::string& path);
// True for a pipe, socket or device (or a link to one): what is read from it is gone, so only
// the converter may read it.
bool IsReadOnce(const std::string& path);
bool DirectoryExists(const std::string& path);
// Size in bytes, or -1 when the file cannot be examined.
int64_t FileSize(const std::string& path);

// The part after the last '/' (the whole path when there is none).
std::string ExtractFileName(const std::string& path);
// Everything up to and including the last '/' (empty when there is none).
std::string ExtractFilePath(const std::string& path);
// From the last '.' after the last '/' to the end, dot included; empty when there is none.
std::string ExtractFileExt(const std::string& path);
// Replaces the extension (ExtractFileExt's rule) by ext, or appends ext when there is none.
std::string ChangeFileExt(const std::string& path, const std::string& ext);
// Folder and name with exactly the folder's own trailing '/', or one added; an empty folder
// yields the name unchanged.
std::string JoinPath(const std::string& folder, const std::string& name);

// Creates a folder and any missing parents. On failure returns false and fills error.
bool ForceDirectories(const std::string& path, std::string* error);
// A whole file's bytes (read without zero-filling or extra copies).
struct TFileBuffer {
    std::unique_ptr<char[]> data;
    size_t size = 0;
    std::string_view View() const { return { data.get(), size }; }
};
// Reads a whole file. On failure returns false and fills error with the reason.
bool ReadWholeFile(const std::string& path, TFileBuffer& buffer, std::string* error);
// Replaces a file's content so that it is either the old content or exactly `bytes`, never a mix:
// the bytes go into a new file in the same folder, which is moved over the target only when
// completely written. A link is followed to the file it names; an existing file keeps its
// permissions and one that may not be written is refused. On failure the target is untouched,
// no temporary file remains, and error holds the reason. Where the folder refuses new files but
// the existing target may be written, the target is rewritten in place instead (not atomic; a
// failed rewrite puts the previous bytes back when it can).
bool ReplaceFileAtomically(const std::string& path, std::string_view bytes, std::string* error);
// The system's message for an errno value.
std::string SystemErrorText(int errorNumber);

// File names between their bytes (UTF-8) and QString. The round trip is lossless for any bytes:
// a byte that is not part of valid UTF-8 (a Latin-1 name, say) is held as the lone surrogate
// U+DC80..U+DCFF and written back as that byte, so no file name is ever changed on its way
// through the list.
QString FromAnsi(const std::string& bytes);
std::string ToAnsi(const QString& text);

} // namespace platform
