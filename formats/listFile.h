#pragma once
// List files (".zfl"): the entries of a list, one per source, written and read as XML.
#include "formats/SimpleXml.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

// What the user chose for one source: a list file's entry, and a list row's choices.
struct TItemData {
    QString FileName; // full path of the source file; never changed after creation
    int32_t ProfileIndex = 0;
    QString OutputFolder; // empty: the global output folder
};

// A list-file entry that lacks one of its elements, or is no element at all.
class EListFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TListFile {
public:
    // Fills in elements of an entry after its own three ("filename", "format", "path"); readers
    // that do not know them pass over them, so such a file still reads as a plain list.
    using TEntryExtras = std::function<void(size_t index, TSimpleXMLElem& entry)>;
    // Takes one entry with its element, whose extra elements the caller reads.
    using TEntryReader = std::function<void(const TItemData& data, TSimpleXMLElem& entry)>;

    // An empty document: a UTF-8 declaration and the root "list".
    TListFile();

    // Writes the entries, first to last, under the declaration and root of the last file read
    // (the root keeps its namespace declarations). The previous file of that name is replaced only
    // once the new one is complete; on failure it stays as it was.
    void Write(const std::string& fileName, const std::vector<const TItemData*>& entries,
        const TEntryExtras& extras = {});
    // Hands the file's entries to add, first to last. Relative source paths and output folders
    // are taken against the list file's folder, as playlists do, so a list means the same files
    // from any current folder; Windows paths and names whose first part holds a ':' (URLs) are
    // kept as written. A missing file hands nothing. A file that cannot be read or parsed hands
    // nothing and raises; an entry that cannot be read raises, the entries before it handed over.
    void Read(const std::string& fileName, const std::function<void(const TItemData&)>& add);
    // The same, handing each entry's element too.
    void ReadEntries(const std::string& fileName, const TEntryReader& add);

private:
    TSimpleXML document_;
};
