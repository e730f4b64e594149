#include "settings/commandManager.h"

#include "platform/fileSystem.h"

TCommandManager::TCommandManager() : TCommandManager(ProfileFilePath()) { }

TCommandManager::TCommandManager(const std::string& profileFile)
{
    document_.Prolog().DeclareEncoding("UTF-8");
    LoadProfiles(profileFile);
}

std::string TCommandManager::ProfileFilePath()
{
    return platform::DataFolder() + "command";
}

void TCommandManager::LoadProfiles(const std::string& fileName)
{
    if (!platform::FileExists(fileName))
        return;
    document_.LoadDocument(fileName);
    const TSimpleXMLElems& profiles = document_.RootElement().Children();
    formatNames_.reserve(profiles.Count());
    for (size_t i = 0; i < profiles.Count(); ++i) {
        TSimpleXMLElem* profile = profiles.ElementAt(static_cast<long long>(i));
        const TSimpleXMLElem* format = profile->HasChildren() ? profile->Children().FindElement("format") : nullptr;
        formatNames_.push_back(format ? format->ValueString() : std::string());
    }
}

std::string TCommandManager::ProfileValue(int index, const char* element) const
{
    if (!IsProfile(index))
        throw EProfileError("There is no conversion profile with index " + std::to_string(index) + " ("
            + std::to_string(ProfileCount()) + " profiles are defined).");
    TSimpleXMLElem* profile = const_cast<TSimpleXML&>(document_).RootElement().Children().ElementAt(index);
    const TSimpleXMLElem* found = profile->HasChildren() ? profile->Children().FindElement(element) : nullptr;
    if (!found)
        throw EProfileError("Conversion profile " + std::to_string(index) + " has no \"" + element + "\" element.");
    return found->ValueString();
}

std::string TCommandManager::GetParams(int index) const { return ProfileValue(index, "params"); }

std::string TCommandManager::GetExt(int index) const { return ProfileValue(index, "ext"); }
