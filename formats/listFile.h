#pragma once
// Saves the file list to a list file (".zfl") and appends the entries of list files to it.
#include "formats/SimpleXml.h"
#include "engine/fileList.h"

#include <stdexcept>
#include <string>

// A list-file entry that lacks one of its elements, or is no element at all.
class EListFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// True for a path written on Windows: a drive ("C:\\Videos\\a.avi", "D:/Out") or a network share
// ("\\\\server\\share"). Such a path names nothing on this machine.
bool IsWindowsPath(const std::string& path);

class TListFile {
public:
    explicit TListFile(TFileList& list);

    // Writes every row, first to last, under the declaration and root of the last imported file
    // (the root keeps its namespace declarations). The previous file of that name is replaced only
    // once the new one is complete; on failure it stays as it was.
    void ExportList(const std::string& fileName);
    // Appends the file's entries to the list. Relative source paths and output folders are taken
    // against the list file's folder, as playlists do, so a list means the same files from any
    // current folder; Windows paths and names whose first part holds a ':' (URLs) are kept as
    // written. Export writes the rows as they are held: absolute paths. A missing file does nothing. A file
    // that cannot be read or parsed changes nothing; an entry that cannot be read stops the import with an
    // error, the entries before it staying in the list.
    void ImportList(const std::string& fileName);

private:
    TFileList& list_;
    TSimpleXML document_;
};
