#include "desktop/itemManager.h"

#include "platform/convert.h"

#include <stdexcept>

TItemManager::TItemManager()
{
    document_.Prolog().DeclareEncoding("UTF-8");
    document_.RootElement().SetName("list");
}

void TItemManager::AddItem(const std::string& fileName, int profileIndex, const std::string& outputFolder)
{
    TSimpleXMLElemClassic* item = document_.RootElement().Children().AppendElement("item");
    item->Children().AppendElement("filename")->SetValue(fileName);
    item->Children().AppendElement("format")->SetValue(platform::IntToStr(profileIndex));
    item->Children().AppendElement("path")->SetValue(outputFolder);
}

const TSimpleXMLElem& TItemManager::Field(int position, const char* name) const
{
    TSimpleXMLElem* item = document_.RootElement().Children().ElementAt(position);
    TSimpleXMLElem* field = item ? item->Children().FindElement(name) : nullptr;
    if (!field)
        throw std::out_of_range("No added file at position " + std::to_string(position));
    return *field;
}

int TItemManager::GetProfileIndex(int position) const
{
    return platform::StrToInt(Field(position, "format").ValueString());
}

std::string TItemManager::GetOutputFolder(int position) const { return Field(position, "path").ValueString(); }

void TItemManager::ClearItems() { document_.RootElement().ClearContent(); }
