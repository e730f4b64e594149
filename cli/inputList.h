#pragma once
// The entries a batch converts, made from what the user gave: the entries of a list file, or files
// and the video files of folders (-r: with their subfolders), each with the command line's profile
// and output folder. A missing or empty file is said on err and skipped; the batch goes on.
#include "cli/options.h"
#include "engine/fileList.h"
#include "formats/profileList.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// What reading the inputs came to.
enum class TInputsRead {
    Listed, // entries to convert, each naming a profile that exists
    AllMissing, // every file given was missing or empty (each was said already)
    Unusable, // nothing to convert, or an entry that cannot be converted (said already)
};

class TInputList {
public:
    // Called for each missing or empty input, after its message.
    using TMissingEvent = std::function<void(const std::string& input)>;

    // options is read when Read runs; it must outlive this list.
    TInputList(
        const TBatchOptions& options, const TProfileList& profiles, std::FILE* err, TMissingEvent onMissing);

    TInputsRead Read();
    const TFileList& List() const { return list_; }
    // The list's rows by index, in list order; complete once Read gave Listed.
    const std::vector<PVirtualNode>& Rows() const { return rows_; }
    // Inputs that were missing or empty.
    int Missing() const { return missing_; }
    // The list file's SHA-256 (lower-case hex) once it was read; empty for files and folders.
    const std::string& ListSha256() const { return listSha256_; }

private:
    bool Fill();
    bool ReadListFile(const std::string& file);
    bool CheckChecksum(const std::string& file, const std::string& sha256);
    bool AddInputs();
    void AddInput(const std::string& input);
    void AddFolder(const std::string& folder);
    bool CheckProfiles();

    const TBatchOptions& options_;
    const TProfileList& profiles_;
    std::FILE* err_;
    TMissingEvent onMissing_;
    TFileList list_; // every entry, in list order
    std::vector<PVirtualNode> rows_;
    int missing_ = 0;
    std::string listSha256_;
};
