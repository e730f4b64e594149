#include "cli/inputList.h"

#include "engine/videoFormats.h"
#include "platform/fileSystem.h"

#include <QCryptographicHash>
#include <QFile>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>

namespace {

// The extensions a folder given as input contributes, compared without letter case: the supported
// formats and newer containers the converter reads as well.
const std::set<std::string> kVideoExtensions = [] {
    std::set<std::string> extensions(kSupportedVideoExtensions.begin(), kSupportedVideoExtensions.end());
    extensions.insert({ ".mkv", ".webm", ".m4v", ".ts", ".mts", ".m2ts", ".3gp", ".ogv" });
    return extensions;
}();

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool IsVideoFile(const std::filesystem::directory_entry& entry)
{
    std::error_code error;
    return entry.is_regular_file(error)
        && kVideoExtensions.count(Lower(platform::ExtractFileExt(entry.path().string()))) > 0;
}

// Appends the video files the iterator walks to; stops at the first error.
template <class Iterator>
void CollectVideos(Iterator it, std::error_code& error, std::vector<std::string>& files)
{
    for (const Iterator end; !error && it != end; it.increment(error))
        if (IsVideoFile(*it))
            files.push_back(it->path().string());
}

// The video files in a folder (and its subfolders when recursive), sorted by path.
std::vector<std::string> VideosIn(const std::string& folder, bool recursive)
{
    namespace fs = std::filesystem;
    std::vector<std::string> files;
    std::error_code error;
    const auto options = fs::directory_options::skip_permission_denied;
    if (recursive)
        CollectVideos(fs::recursive_directory_iterator(folder, options, error), error, files);
    else
        CollectVideos(fs::directory_iterator(folder, options, error), error, files);
    std::sort(files.begin(), files.end());
    return files;
}

// The SHA-256 of the file's bytes in lower-case hex; empty when it cannot be read.
std::string FileSha256(const std::string& path)
{
    QFile file(platform::FromAnsi(path));
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return {};
    return hash.result().toHex().toStdString();
}

} // namespace

TInputList::TInputList(
    const TBatchOptions& options, const TProfileList& profiles, std::FILE* err, TMissingEvent onMissing)
    : options_(options)
    , profiles_(profiles)
    , err_(err)
    , onMissing_(std::move(onMissing))
{
}

TInputsRead TInputList::Read()
{
    const bool listed = Fill();
    if (!listed && missing_ > 0 && list_.TotalCount() == 0 && options_.listFile.empty())
        return TInputsRead::AllMissing;
    if (!listed || !CheckProfiles())
        return TInputsRead::Unusable;
    return TInputsRead::Listed;
}

bool TInputList::Fill()
{
    if (!options_.listFile.empty())
        return ReadListFile(options_.listFile);
    if (!profiles_.IsProfile(options_.profile))
        return BatchFail(
            err_, "there is no profile " + std::to_string(options_.profile) + " (see --profiles)");
    return AddInputs();
}

bool TInputList::ReadListFile(const std::string& file)
{
    if (!platform::FileExists(file))
        return BatchFail(err_, "no such list file: " + file);
    const std::string sha256 = FileSha256(file);
    if (!CheckChecksum(file, sha256))
        return false;
    try {
        ImportList(list_, file);
    } catch (const std::exception& e) {
        list_.Clear();
        return BatchFail(err_, "cannot read the list file " + file + ": " + e.what());
    }
    if (list_.TotalCount() == 0)
        return BatchFail(err_, "the list file " + file + " has no entries");
    // Tasks sharing a list by --shard must all slice the bytes they report.
    if (FileSha256(file) != sha256) {
        list_.Clear();
        return BatchFail(
            err_, "the list file " + file + " changed while it was read; run again once it is complete");
    }
    listSha256_ = sha256;
    return true;
}

// The checksum --expect-sha256 asked for, if any; false after saying why not.
bool TInputList::CheckChecksum(const std::string& file, const std::string& sha256)
{
    if (sha256.empty())
        return BatchFail(err_, "cannot read the list file " + file);
    if (options_.expectSha256.empty() || sha256 == options_.expectSha256)
        return true;
    return BatchFail(err_,
        "the list file " + file + " has SHA-256 " + sha256 + ", not the expected " + options_.expectSha256
            + ": it changed since the checksum was taken; nothing converted");
}

bool TInputList::AddInputs()
{
    for (const std::string& input : options_.inputs)
        AddInput(input);
    if (list_.TotalCount() == 0)
        return BatchFail(err_, "nothing to convert");
    return true;
}

// A file becomes an entry, a folder its video files; a missing or empty file is reported and
// skipped (the batch goes on and ends with status 1).
void TInputList::AddInput(const std::string& input)
{
    if (platform::DirectoryExists(input)) {
        AddFolder(input);
        return;
    }
    if (!platform::FileExists(input)) {
        BatchFail(err_, "no such file: " + input + " (skipped)");
    } else if (platform::FileSize(input) == 0) {
        BatchFail(err_, input + " is empty (0 bytes); skipped: give the complete file");
    } else {
        AppendFileRow(
            list_, platform::FromAnsi(input), options_.profile, platform::FromAnsi(options_.outputFolder));
        return;
    }
    ++missing_;
    onMissing_(input);
}

void TInputList::AddFolder(const std::string& folder)
{
    const std::vector<std::string> files = VideosIn(folder, options_.recursive);
    if (files.empty())
        BatchFail(err_,
            "no video files in the folder " + folder
                + (options_.recursive ? "" : " (-r includes its subfolders)"));
    const QString outputFolder = platform::FromAnsi(options_.outputFolder);
    for (const std::string& file : files)
        AppendFileRow(list_, platform::FromAnsi(file), options_.profile, outputFolder);
}

bool TInputList::CheckProfiles()
{
    for (PVirtualNode n = list_.GetFirst(); n; n = list_.GetNext(n)) {
        rows_.push_back(n);
        const TItemData& item = TFileList::GetNodeData(n)->ItemData;
        if (!profiles_.IsProfile(item.ProfileIndex))
            return BatchFail(err_,
                "entry " + std::to_string(TFileList::AbsoluteIndex(n) + 1) + " ("
                    + platform::ToAnsi(item.FileName) + ") names profile " + std::to_string(item.ProfileIndex)
                    + ", which does not exist (see --profiles)");
    }
    return true;
}
