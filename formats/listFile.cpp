#include "formats/listFile.h"

#include "platform/convert.h"
#include "platform/fileSystem.h"

#include <QDir>
#include <QFileInfo>

#include <vector>

TListFile::TListFile()
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

void TListFile::Write(
    const std::string& fileName, const std::vector<const TItemData*>& entries, const TEntryExtras& extras)
{
    TSimpleXMLElemClassic& root = document_.RootElement();
    ClearKeepingNamespaces(root);
    for (size_t i = 0; i < entries.size(); ++i) {
        const TItemData& data = *entries[i];
        TSimpleXMLElemClassic* item = root.Children().AppendElement("item");
        item->Children().AppendElement("filename")->SetValue(platform::ToAnsi(data.FileName));
        item->Children().AppendElement("format")->SetValue(platform::IntToStr(data.ProfileIndex));
        item->Children().AppendElement("path")->SetValue(platform::ToAnsi(data.OutputFolder));
        if (extras)
            extras(i, *item);
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

// A list entry's path made absolute against the list file's folder; empty stays empty.
static std::string ResolveAgainst(const std::string& folder, const std::string& path)
{
    if (path.empty() || path[0] == '/' || platform::IsWindowsPath(path))
        return path;
    const size_t colon = path.find(':');
    if (colon != std::string::npos && colon < path.find('/'))
        return path; // "http://...", "concat:...": left for the job runner to refuse by name
    return platform::ToAnsi(
               QDir::cleanPath(QDir(platform::FromAnsi(folder)).absoluteFilePath(platform::FromAnsi(path))))
        + (path.back() == '/' ? "/" : "");
}

void TListFile::Read(const std::string& fileName, const std::function<void(const TItemData&)>& add)
{
    ReadEntries(fileName, [&add](const TItemData& data, TSimpleXMLElem&) { add(data); });
}

void TListFile::ReadEntries(const std::string& fileName, const TEntryReader& add)
{
    if (!platform::FileExists(fileName))
        return;
    document_.LoadDocument(fileName);
    const std::string folder = platform::ExtractFilePath(
        platform::ToAnsi(QFileInfo(platform::FromAnsi(fileName)).absoluteFilePath()));
    const TSimpleXMLElems& entries = document_.RootElement().Children();
    for (size_t i = 0; i < entries.Count(); ++i) {
        TSimpleXMLElem* entry = entries.ElementAt(static_cast<long long>(i));
        const std::string source = ResolveAgainst(folder, EntryField(entry, i, "filename").ValueString());
        const int profileIndex = platform::StrToInt(EntryField(entry, i, "format").ValueString());
        const std::string outputFolder = ResolveAgainst(folder, EntryField(entry, i, "path").ValueString());
        add({ platform::FromAnsi(source), profileIndex, platform::FromAnsi(outputFolder) }, *entry);
    }
}
