#pragma once
// The record kept for each row of the file list, and the list of such rows.
#include "platform/nodeStore.h"

#include <QString>
#include <cstdint>

enum TItemStatus : int32_t { isWaiting = 0, isConverting = 1, isConverted = 2, isFailed = 3 };

struct TItemRootData {
    QString Text; // not used; stays empty
};

struct TItemData {
    QString FileName;        // full path of the source file; never changed after creation
    int32_t ProfileIndex = 0;
    QString OutputFolder;    // empty: the global output folder
    bool Converting = false; // true while this entry is being converted
    int32_t AnimationOffset = 0; // 0..74: the moving block's distance from the bar's left edge
};

struct TItemNodeData {
    uint8_t Kind = 0; // 1 for a file row
    int32_t Status = isWaiting; // also the index of the row's status icon
    TItemRootData RootData;
    TItemData ItemData;
};

using TFileList = TNodeStore<TItemNodeData>;
using PVirtualNode = TFileList::Node*;

// Appends a file row as both the Add Files path and list-file import make it: kind 1, status 0,
// not converting, offset 0, inside its own update bracket, then repainted.
inline PVirtualNode AppendFileRow(TFileList& list, const QString& fileName, int32_t profileIndex,
    const QString& outputFolder)
{
    list.BeginUpdate();
    PVirtualNode node = list.AddChild();
    TItemNodeData* data = TFileList::GetNodeData(node);
    data->Kind = 1;
    data->Status = isWaiting;
    data->ItemData.FileName = fileName;
    data->ItemData.ProfileIndex = profileIndex;
    data->ItemData.OutputFolder = outputFolder;
    data->ItemData.Converting = false;
    data->ItemData.AnimationOffset = 0;
    list.EndUpdate();
    list.RepaintNode(node);
    return node;
}
