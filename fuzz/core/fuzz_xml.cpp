// Loads arbitrary bytes as an XML document. Checks:
// - a load either succeeds or raises ESimpleXMLError, and the document can be saved either way;
// - the saved text always loads again;
// - from then on a save and load keeps the tree: node kinds, names, prefixes, values and
//   attributes (text runs that stand beside other nodes compared without their surrounding
//   blanks, which the writer's indentation adds to);
// - a tree without such text runs saves to exactly the same bytes again.
// (The first save may still change the tree: it adds a declaration, drops unknown processing
// instructions and extra declarations, and an element without a name is written as its
// children alone.)
#include "formats/SimpleXml.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <typeinfo>
#include <utility>
#include <vector>

namespace {

std::string_view Trimmed(std::string_view s)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool SameNode(TSimpleXMLElem& a, TSimpleXMLElem& b, bool& textRuns)
{
    if (typeid(a) != typeid(b) || a.Name() != b.Name() || a.NameSpace() != b.NameSpace())
        return false;
    if (dynamic_cast<TSimpleXMLElemText*>(&a)) {
        textRuns = true;
        if (Trimmed(a.Value()) != Trimmed(b.Value()))
            return false;
    } else if (a.Value() != b.Value()) {
        return false;
    }
    if (a.HasProperties() != b.HasProperties())
        return false;
    if (a.HasProperties()) {
        const TSimpleXMLProps& pa = a.Properties();
        const TSimpleXMLProps& pb = b.Properties();
        if (pa.Count() != pb.Count())
            return false;
        for (size_t i = 0; i < pa.Count(); ++i)
            if (pa[i].Name != pb[i].Name || pa[i].Value != pb[i].Value || pa[i].NameSpace != pb[i].NameSpace)
                return false;
    }
    if (auto* ha = dynamic_cast<TSimpleXMLElemHeader*>(&a)) {
        auto* hb = static_cast<TSimpleXMLElemHeader*>(&b);
        return ha->Version() == hb->Version() && ha->Encoding() == hb->Encoding()
            && ha->StandAlone() == hb->StandAlone();
    }
    return true;
}

// Compares two documents node by node, from an explicit stack (the trees may be very deep).
bool SameDocument(TSimpleXML& a, TSimpleXML& b, bool& textRuns)
{
    if (a.Prolog().Count() != b.Prolog().Count())
        return false;
    for (size_t i = 0; i < a.Prolog().Count(); ++i)
        if (!SameNode(*a.Prolog().Item(i), *b.Prolog().Item(i), textRuns))
            return false;
    std::vector<std::pair<TSimpleXMLElem*, TSimpleXMLElem*>> pending { { &a.RootElement(),
        &b.RootElement() } };
    while (!pending.empty()) {
        auto [x, y] = pending.back();
        pending.pop_back();
        if (!SameNode(*x, *y, textRuns) || x->HasChildren() != y->HasChildren())
            return false;
        if (!x->HasChildren())
            continue;
        TSimpleXMLElems& cx = x->Children();
        TSimpleXMLElems& cy = y->Children();
        if (cx.Count() != cy.Count())
            return false;
        for (size_t i = 0; i < cx.Count(); ++i)
            pending.emplace_back(
                cx.ElementAt(static_cast<long long>(i)), cy.ElementAt(static_cast<long long>(i)));
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TSimpleXML first;
    first.RootElement().SetName("list"); // as every user of the model does; a load keeps it for "<>"
    try {
        first.LoadFromBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const ESimpleXMLError&) {
    }
    first.RootElement().Children().FindElement("item");
    const std::string saved = first.SaveToBytes();
    TSimpleXML second, third;
    try {
        second.LoadFromBytes(saved);
        third.LoadFromBytes(second.SaveToBytes());
    } catch (const ESimpleXMLError&) {
        std::abort(); // the writer produced text its own reader refuses
    }
    bool textRuns = false;
    if (!SameDocument(second, third, textRuns))
        std::abort();
    if (!textRuns && third.SaveToBytes() != second.SaveToBytes())
        std::abort();
    return 0;
}
