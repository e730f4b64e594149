#pragma once
// The record kept for each row of the file list, and the list of such rows.
#include "engine/nodeStore.h"
#include "formats/listFile.h"
#include "platform/fileSystem.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum TItemStatus : int32_t { isWaiting = 0, isConverting = 1, isConverted = 2, isFailed = 3 };

// How one row's conversion ended.
enum class TEntryResult {
    Converted, // the converter exited with code 0 and its output is complete
    Failed, // the converter ran and failed (its exit code, its run broke down, or its output is incomplete)
    Stopped, // the converter was killed because the batch was stopped
    NotStarted, // nothing ran: no such profile, a URL, no output folder, or no converter to start
};

// What the job runner knows of a row's last conversion once it has ended.
struct TRowOutcome {
    TEntryResult Result = TEntryResult::NotStarted;
    uint32_t ExitCode = 0; // the converter's own; kStillActive (259) when it did not end by itself
    std::string Problem; // why it failed, in words; empty for converted and stopped rows
    std::string OutputPath; // the file the run wrote or was to write; empty when nothing ran
    std::string LastLine; // the converter's last output line
    std::vector<std::string> Notes; // what fitting the profile to the source changed (TEntryPlan::notes)
};

// The file a row's converter was seen holding open: its name, and which file had that name then.
struct TOwnOutput {
    std::string Path;
    platform::TFileId Id;
};

// One row's record: the one place everything about the row is kept. The user's choices come from
// the Add Files and properties dialogs and list files; status and outcome from the job runner.
struct TItemNodeData {
    int32_t Status = isWaiting; // also the index of the row's status icon
    TItemData ItemData;
    std::unique_ptr<TRowOutcome> Outcome; // null until a conversion of the row has ended
};

using TFileList = TNodeStore<TItemNodeData>;
using PVirtualNode = TFileList::Node*;

// Appends a waiting file row as both the Add Files path and list-file import make it, inside its
// own update bracket, then repainted.
inline PVirtualNode AppendFileRow(TFileList& list, const QString& fileName, int32_t profileIndex,
    const QString& outputFolder)
{
    list.BeginUpdate();
    PVirtualNode node = list.AddChild();
    TItemNodeData* data = TFileList::GetNodeData(node);
    data->Status = isWaiting;
    data->ItemData.FileName = fileName;
    data->ItemData.ProfileIndex = profileIndex;
    data->ItemData.OutputFolder = outputFolder;
    list.EndUpdate();
    list.RepaintNode(node);
    return node;
}

// Appends the list file's entries as rows (the entries before one that cannot be read stay).
inline void ImportList(TListFile& file, TFileList& list, const std::string& fileName)
{
    file.Read(fileName, [&list](const TItemData& entry) {
        AppendFileRow(list, entry.FileName, entry.ProfileIndex, entry.OutputFolder);
    });
}

// Writes every row, first to last, to the list file.
inline void ExportList(TListFile& file, const TFileList& list, const std::string& fileName)
{
    std::vector<const TItemData*> entries;
    entries.reserve(list.TotalCount());
    for (PVirtualNode node = list.GetFirst(); node; node = list.GetNext(node))
        entries.push_back(&TFileList::GetNodeData(node)->ItemData);
    file.Write(fileName, entries);
}

// The same with a list file of their own (its declaration and root: the standard ones).
inline void ImportList(TFileList& list, const std::string& fileName)
{
    TListFile file;
    ImportList(file, list, fileName);
}
inline void ExportList(const TFileList& list, const std::string& fileName)
{
    TListFile file;
    ExportList(file, list, fileName);
}
