#include "formats/listFile.h"

#include "platform/convert.h"
#include "platform/fileSystem.h"

#include <QDir>
#include <QFileInfo>

#include <vector>

TListFile::TListFile(TFileList& list)
    : list_(list)
{
    document_.Prolog().DeclareEncoding("UTF-8");
    document_.RootElement().SetName("list");
}

// Clears the root for a new export but keeps its namespace declarations: the root keeps the name
// of the last imported file, and a prefixed name without its declaration would make the file
// malformed. A prefix that no declaration binds (a lenient import) is dropped.
static void ClearKeepingNamespaces(TSimpleXMLElem& root)
{
    std::vector<TSimpleXMLProp> declarations;
    if (root.HasProperties()) {
        const TSimpleXMLProps& props = root.Properties();
        for (size_t i = 0; i < props.Count(); ++i)
            if (props[i].NameSpace == "xmlns" || (props[i].NameSpace.empty() && props[i].Name == "xmlns"))
                declarations.push_back(props[i]);
    }
    root.ClearContent();
    bool prefixBound = false;
    for (TSimpleXMLProp& d : declarations) {
        prefixBound = prefixBound || (d.NameSpace == "xmlns" && d.Name == root.NameSpace());
        root.Properties().Add(std::move(d.Name), std::move(d.Value), std::move(d.NameSpace));
    }
    if (!prefixBound)
        root.SetNameSpace({});
}

void TListFile::ExportList(const std::string& fileName)
{
    TSimpleXMLElemClassic& root = document_.RootElement();
    ClearKeepingNamespaces(root);
    for (PVirtualNode node = list_.GetFirst(); node; node = list_.GetNext(node)) {
        const TItemData& data = TFileList::GetNodeData(node)->ItemData;
        TSimpleXMLElemClassic* item = root.Children().AppendElement("item");
        item->Children().AppendElement("filename")->SetValue(platform::ToAnsi(data.FileName));
        item->Children().AppendElement("format")->SetValue(platform::IntToStr(data.ProfileIndex));
        item->Children().AppendElement("path")->SetValue(platform::ToAnsi(data.OutputFolder));
    }
    document_.SaveDocument(fileName);
}

static const TSimpleXMLElem& EntryField(TSimpleXMLElem* entry, size_t position, const char* name)
{
    const TSimpleXMLElem* field = entry->HasChildren() ? entry->Children().FindElement(name) : nullptr;
    if (!field)
        throw EListFileError(
            "Entry " + std::to_string(position + 1) + " of the list file has no \"" + name + "\" element.");
    return *field;
}

bool IsWindowsPath(const std::string& path)
{
    const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    if (path.size() >= 3 && letter(path[0]) && path[1] == ':' && (path[2] == '\\' || path[2] == '/'))
        return true;
    return path.rfind("\\\\", 0) == 0;
}

// A list entry's path made absolute against the list file's folder; empty stays empty.
static std::string ResolveAgainst(const std::string& folder, const std::string& path)
{
    if (path.empty() || path[0] == '/' || IsWindowsPath(path))
        return path;
    const size_t colon = path.find(':');
    if (colon != std::string::npos && colon < path.find('/'))
        return path; // "http://...", "concat:...": left for the job runner to refuse by name
    return platform::ToAnsi(
               QDir::cleanPath(QDir(platform::FromAnsi(folder)).absoluteFilePath(platform::FromAnsi(path))))
        + (path.back() == '/' ? "/" : "");
}

void TListFile::ImportList(const std::string& fileName)
{
    if (!platform::FileExists(fileName))
        return;
    document_.LoadDocument(fileName);
    const std::string folder = platform::ExtractFilePath(
        platform::ToAnsi(QFileInfo(platform::FromAnsi(fileName)).absoluteFilePath()));
    const TSimpleXMLElems& entries = document_.RootElement().Children();
    for (size_t i = 0; i < entries.Count(); ++i) {
        TSimpleXMLElem* entry = entries.ElementAt(static_cast<long long>(i));
        const std::string fileNameValue
            = ResolveAgainst(folder, EntryField(entry, i, "filename").ValueString());
        const int profileIndex = platform::StrToInt(EntryField(entry, i, "format").ValueString());
        const std::string outputFolder = ResolveAgainst(folder, EntryField(entry, i, "path").ValueString());
        AppendFileRow(
            list_, platform::FromAnsi(fileNameValue), profileIndex, platform::FromAnsi(outputFolder));
    }
}
