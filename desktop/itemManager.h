#pragma once
// Staging store for the files of one confirmed Add Files dialog: one record per file with its
// profile index and output folder, read back by position while the list rows are created.
// Held in memory only.
#include "formats/SimpleXml.h"

#include <string>

class TItemManager {
public:
    TItemManager();

    void AddItem(const std::string& fileName, int profileIndex, const std::string& outputFolder);
    int GetProfileIndex(int position) const;
    std::string GetOutputFolder(int position) const;
    void ClearItems();
    int Count() const { return static_cast<int>(document_.RootElement().Children().Count()); }

private:
    const TSimpleXMLElem& Field(int position, const char* name) const;

    mutable TSimpleXML document_;
};
