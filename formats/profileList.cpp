#include "formats/profileList.h"

#include "platform/fileSystem.h"

#include <cstdio>

namespace {

// The kind of a root child that is no element, or nullptr for an element.
const char* NonElementKind(const TSimpleXMLElem& node)
{
    if (dynamic_cast<const TSimpleXMLElemComment*>(&node))
        return "a comment";
    if (dynamic_cast<const TSimpleXMLElemCData*>(&node))
        return "a CDATA section";
    if (dynamic_cast<const TSimpleXMLElemText*>(&node))
        return "text";
    return nullptr;
}

const TSimpleXMLElem* FindChild(TSimpleXMLElem& node, const char* name)
{
    return node.HasChildren() ? node.Children().FindElement(name) : nullptr;
}

// Why root child `index` is not a usable profile; empty when it is one.
std::string ProfileProblem(TSimpleXMLElem& profile, size_t index)
{
    const std::string which = "profile " + std::to_string(index);
    if (const char* kind = NonElementKind(profile))
        return which + " is " + kind
            + ", not an element (every child of the root is a profile; put comments inside one)";
    for (const char* name : { "format", "params", "ext" })
        if (!FindChild(profile, name))
            return which + " <" + profile.Name() + "> has no \"" + name + "\" element";
    if (FindChild(profile, "ext")->Value().empty())
        return which + " has an empty \"ext\" element";
    return {};
}

std::string XmlErrorText(const ESimpleXMLError& e)
{
    if (e.Line() == 0)
        return e.what();
    return std::string(e.what()) + " (line " + std::to_string(e.Line()) + ", column "
        + std::to_string(e.Column()) + ")";
}

// Control bytes (a line end in a file name or in a quoted byte of garbage) written as \xNN, so
// the text stays one line on a terminal and in a message box.
std::string OneLine(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            out += c;
            continue;
        }
        char escaped[5];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
        out += escaped;
    }
    return out;
}

} // namespace

TProfileList::TProfileList() : TProfileList(ProfileFilePath()) { }

TProfileList::TProfileList(const std::string& profileFile)
{
    document_.Prolog().DeclareEncoding("UTF-8");
    LoadProfiles(profileFile);
}

std::string TProfileList::ProfileFilePath()
{
    return platform::DataFolder() + "command";
}

void TProfileList::LoadProfiles(const std::string& fileName)
{
    formatNames_.clear();
    loadError_.clear();
    std::string reason;
    try {
        reason = ReadProfiles(fileName);
    } catch (const std::exception& e) { // out of memory on a huge file
        reason = e.what();
    }
    if (reason.empty())
        return;
    formatNames_.clear(); // all or nothing: no index may name another profile than intended
    loadError_ = OneLine("The profile file \"" + fileName + "\" cannot be used: " + reason + ".");
}

std::string TProfileList::ReadProfiles(const std::string& fileName)
{
    if (!platform::FileExists(fileName))
        return platform::DirectoryExists(fileName) ? "it is a folder" : "there is no such file";
    platform::TFileBuffer data;
    std::string error;
    if (!platform::ReadWholeFile(fileName, data, &error))
        return "it cannot be read (" + error + ")";
    if (data.View().find_first_not_of(" \t\r\n") == std::string_view::npos)
        return "the file is empty";
    try {
        document_.LoadFromBytes(data.View());
    } catch (const ESimpleXMLError& e) {
        return XmlErrorText(e);
    }
    return TakeProfiles();
}

std::string TProfileList::TakeProfiles()
{
    TSimpleXMLElem& root = document_.RootElement();
    if (root.Name().empty())
        return "it holds no XML element";
    const size_t count = root.HasChildren() ? root.Children().Count() : 0;
    if (count == 0)
        return "its root element <" + root.Name() + "> holds no profiles";
    formatNames_.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        TSimpleXMLElem* profile = root.Children().ElementAt(static_cast<long long>(i));
        if (std::string problem = ProfileProblem(*profile, i); !problem.empty())
            return problem;
        formatNames_.push_back(FindChild(*profile, "format")->ValueString());
    }
    return {};
}

std::string TProfileList::ProfileValue(int index, const char* element) const
{
    if (!IsProfile(index))
        throw EProfileError("There is no conversion profile with index " + std::to_string(index) + " ("
            + std::to_string(ProfileCount()) + " profiles are defined)."
            + (loadError_.empty() ? "" : " " + loadError_));
    TSimpleXMLElem* profile = const_cast<TSimpleXML&>(document_).RootElement().Children().ElementAt(index);
    const TSimpleXMLElem* found = FindChild(*profile, element);
    if (!found) // never for a loaded profile: an error rather than a null dereference
        throw EProfileError("Conversion profile " + std::to_string(index) + " has no \"" + element + "\" element.");
    return found->ValueString();
}

std::string TProfileList::GetParams(int index) const { return ProfileValue(index, "params"); }

std::string TProfileList::GetExt(int index) const { return ProfileValue(index, "ext"); }
