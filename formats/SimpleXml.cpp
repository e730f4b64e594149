// The XML model with its reader and writer, kept in one unit on purpose (about 1,300 lines): the
// reader builds nodes straight into the node classes' private storage (the per-document arena and
// value buffers, a friendship SimpleXml.h declares), and both walk trees of any depth with the same
// explicit stacks. The file is in sections: byte helpers and escaping, the arena, the reader, the
// writer, the nodes, the document.
#include "formats/SimpleXml.h"

#include "platform/convert.h"
#include "platform/fileSystem.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <unistd.h>

// ---------------------------------------------------------------------------------------------
// Byte helpers

namespace {

constexpr char kCrLf[] = "\r\n";

inline char UpperAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string UpperKey(std::string_view s)
{
    std::string key(s);
    for (char& c : key)
        c = UpperAscii(c);
    return key;
}

bool SameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (UpperAscii(a[i]) != UpperAscii(b[i]))
            return false;
    return true;
}

inline bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

inline bool IsNameByte(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

// Bytes skipped before the first markup: blanks, NUL and the bytes of UTF-8/UTF-16 byte-order marks.
inline bool IsPrologFiller(unsigned char c)
{
    return c == 0 || c == '\t' || c == '\n' || c == '\r' || c == ' ' || c == 0xBB || c == 0xBF || c == 0xEF
        || c == 0xFE || c == 0xFF;
}

std::string Quoted(const char* format, std::string_view a, std::string_view b = {})
{
    std::string out;
    for (const char* p = format; *p; ++p) {
        if (p[0] == '%' && (p[1] == '0' || p[1] == '1') && p[2] == ':' && p[3] == 's') {
            out += p[1] == '0' ? a : b;
            p += 3;
        } else {
            out += *p;
        }
    }
    return out;
}

// Bytes the writer does not copy as they are. Element content keeps TAB and LF; attribute values
// would have them turned into spaces by any reader, so there they are references too.
struct EscapeTable {
    std::array<bool, 256> content {};
    std::array<bool, 256> attribute {};
    EscapeTable()
    {
        for (int c = 0; c < 0x20; ++c)
            content[c] = attribute[c] = true;
        content['\t'] = content['\n'] = false;
        for (int c = 0x80; c < 0x100; ++c)
            content[c] = attribute[c] = true;
        for (unsigned char c : std::string_view("\"&'<>"))
            content[c] = attribute[c] = true;
    }
};
const EscapeTable kEscape;

inline bool IsByteCarrier(char32_t code)
{
    return (code & ~char32_t(0xFF)) == kSimpleXmlByteCarrier;
}

// "&#x", the code point in upper-case hex without leading zeros, ";".
void AppendReference(std::string& out, char32_t code)
{
    static const char hex[] = "0123456789ABCDEF";
    char digits[8];
    int n = 0;
    do {
        digits[n++] = hex[code & 15];
        code >>= 4;
    } while (code != 0);
    out += "&#x";
    while (n > 0)
        out += digits[--n];
    out += ';';
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Code point of a numeric reference body ("233" or "xE9"), or -1 when it is empty, not a number,
// 0, a surrogate or above U+10FFFF (such a reference names no character and stays as written).
long NumericReference(std::string_view body)
{
    int base = 10;
    if (!body.empty() && (body[0] == 'x' || body[0] == 'X')) {
        base = 16;
        body.remove_prefix(1);
    }
    if (body.empty())
        return -1;
    long value = 0;
    for (char c : body) {
        const int d = base == 16 ? HexDigit(c) : ((c >= '0' && c <= '9') ? c - '0' : -1);
        if (d < 0)
            return -1;
        value = value * base + d;
        if (value > 0x10FFFF)
            return -1;
    }
    if (value == 0 || (value >= 0xD800 && value <= 0xDFFF))
        return -1;
    return value;
}

struct NamedEntity {
    std::string_view text;
    char byte;
};
constexpr NamedEntity kEntities[] = {
    { "&amp;", '&' },
    { "&lt;", '<' },
    { "&gt;", '>' },
    { "&apos;", '\'' },
    { "&quot;", '"' },
};

} // namespace

void SimpleXmlEscape(std::string_view value, std::string& out, bool attribute)
{
    const std::array<bool, 256>& special = attribute ? kEscape.attribute : kEscape.content;
    const auto* bytes = reinterpret_cast<const unsigned char*>(value.data());
    size_t plain = 0;
    for (size_t i = 0; i < value.size();) {
        const unsigned char c = bytes[i];
        if (!special[c]) {
            ++i;
            continue;
        }
        out.append(value.data() + plain, i - plain);
        size_t length = 1;
        switch (c) {
        case '"':
            out += "&quot;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '\'':
            out += "&apos;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '\t':
        case '\n':
        case '\r':
            AppendReference(out, c);
            break;
        default: {
            char32_t code = 0;
            const int n = c < 0x80 ? 0 : platform::DecodeUtf8(bytes + i, value.size() - i, code);
            // A character XML can carry is written as itself; any other byte (a control byte,
            // bytes that are not UTF-8, a character that would read back as carried bytes) is
            // carried, so our own reader gives back exactly these bytes.
            if (n > 0 && !IsByteCarrier(code) && code != 0xFFFE && code != 0xFFFF) {
                AppendReference(out, code);
                length = static_cast<size_t>(n);
            } else {
                AppendReference(out, kSimpleXmlByteCarrier + c);
            }
        }
        }
        i += length;
        plain = i;
    }
    out.append(value.data() + plain, value.size() - plain);
}

std::string SimpleXmlEscape(std::string_view value)
{
    std::string out;
    out.reserve(value.size());
    SimpleXmlEscape(value, out);
    return out;
}

size_t SimpleXmlUnescapeInto(std::string_view v, char* out)
{
    char* o = out;
    auto append = [&o](std::string_view s) {
        std::memcpy(o, s.data(), s.size());
        o += s.size();
    };
    size_t i = 0;
    size_t amp = v.find('&');
    while (amp != std::string_view::npos) {
        append(v.substr(i, amp - i));
        if (amp + 1 < v.size() && v[amp + 1] == '#') {
            const size_t semi = v.find(';', amp + 2);
            if (semi == std::string_view::npos) { // no end: stays as written
                i = amp;
                break;
            }
            const long code = NumericReference(v.substr(amp + 2, semi - amp - 2));
            if (code > 0 && IsByteCarrier(static_cast<char32_t>(code)))
                *o++ = static_cast<char>(code & 0xFF);
            else if (code > 0)
                o += platform::EncodeUtf8(static_cast<char32_t>(code), o);
            else
                append(v.substr(amp, semi + 1 - amp));
            i = semi + 1;
        } else {
            i = amp + 1;
            char byte = '&';
            const char first = amp + 1 < v.size() ? static_cast<char>(UpperAscii(v[amp + 1])) : '\0';
            for (const NamedEntity& e : kEntities) {
                if (UpperAscii(e.text[1]) == first && SameText(v.substr(amp, e.text.size()), e.text)) {
                    byte = e.byte;
                    i = amp + e.text.size();
                    break;
                }
            }
            *o++ = byte;
        }
        amp = v.find('&', i);
    }
    append(v.substr(std::min(i, v.size())));
    return static_cast<size_t>(o - out);
}

std::string SimpleXmlUnescape(std::string_view v)
{
    std::string out(v.size(), '\0');
    out.resize(SimpleXmlUnescapeInto(v, out.data()));
    return out;
}

// ---------------------------------------------------------------------------------------------
// Node storage

void* TSimpleXmlArena::Allocate(size_t size)
{
    size = (size + 15) & ~size_t(15);
    used_ = (used_ + 15) & ~size_t(15); // text bytes may have left the offset unaligned
    if (used_ + size > capacity_)
        NewBlock(size);
    void* p = current_ + used_;
    used_ += size;
    ++live_;
    return p;
}

// Blocks stay below the allocator's mmap threshold, so freed blocks are reused without page faults.
void TSimpleXmlArena::NewBlock(size_t atLeast)
{
    const size_t block = std::max<size_t>(atLeast, 65536);
    blocks_.emplace_back(new char[block]);
    current_ = blocks_.back().get();
    used_ = 0;
    capacity_ = block;
}

char* TSimpleXmlArena::AllocateBytes(size_t size)
{
    if (used_ + size > capacity_)
        NewBlock(size);
    char* p = current_ + used_;
    used_ += size;
    return p;
}

void TSimpleXmlArena::Release() noexcept
{
    if (--live_ == 0) {
        blocks_.clear();
        current_ = nullptr;
        used_ = capacity_ = 0;
    }
}

template <class T, class... A> TSimpleXMLElemPtr NewSimpleXmlNode(TSimpleXmlArena* arena, A&&... args)
{
    T* node = arena ? new (arena->Allocate(sizeof(T))) T(std::forward<A>(args)...)
                    : new T(std::forward<A>(args)...);
    node->arena_ = arena;
    node->inArena_ = arena != nullptr;
    return TSimpleXMLElemPtr(node);
}

void TSimpleXMLElemDeleter::operator()(TSimpleXMLElem* node) const noexcept
{
    if (!node->inArena_) {
        delete node;
        return;
    }
    TSimpleXmlArena* arena = node->arena_;
    node->~TSimpleXMLElem();
    arena->Release();
}

// ---------------------------------------------------------------------------------------------
// Parser

class TSimpleXmlParser {
public:
    explicit TSimpleXmlParser(std::string_view data)
        : d_(data)
    {
    }

    bool AtEnd() const { return pos_ >= d_.size(); }
    char Peek(size_t ahead = 0) const { return pos_ + ahead < d_.size() ? d_[pos_ + ahead] : '\0'; }
    bool StartsWith(std::string_view s) const { return d_.substr(pos_, s.size()) == s; }
    size_t Pos() const { return pos_; }

    // Raises the error with the line and column the reader stopped at.
    [[noreturn]] void Fail(const std::string& message) const;

    // Consumes the literal byte by byte; a wrong byte fails with "<kind>: expected ... but found ...".
    void Expect(std::string_view literal, const char* kind)
    {
        for (char c : literal) {
            if (AtEnd())
                Fail(std::string(kind) + ": Unexpected end of data");
            if (d_[pos_] != c)
                Fail(std::string(kind)
                    + Quoted(": expected \"%0:s\" but found \"%1:s\"", std::string_view(&c, 1),
                        d_.substr(pos_, 1)));
            ++pos_;
        }
    }

    // Bytes up to (not including) the terminator; pos_ ends after the terminator.
    std::string_view Until(std::string_view terminator, const char* endMessage)
    {
        const size_t end = d_.find(terminator, pos_);
        if (end == std::string_view::npos)
            Fail(endMessage);
        const std::string_view text = d_.substr(pos_, end - pos_);
        pos_ = end + terminator.size();
        return text;
    }

    void SkipBlanks()
    {
        while (!AtEnd() && IsBlank(d_[pos_]))
            ++pos_;
    }

    // endMessage: the error when the data ends inside the attributes.
    void ParseProperties(TSimpleXMLProps& props, const char* endMessage);
    // Returns true when the root element starts at the current position.
    bool ParseProlog(TSimpleXMLElemsProlog& prolog);
    void ParseElement(TSimpleXMLElem& element);
    void ParseComment(TSimpleXMLElem& node);
    void ParseCData(TSimpleXMLElem& node);
    void ParseHeader(TSimpleXMLElemHeader& node);
    void ParseDocType(TSimpleXMLElem& node);
    void ParseSheet(TSimpleXMLElem& node);
    void ParseText(TSimpleXMLElem& node);

private:
    TSimpleXMLElemPtr ParseContent(TSimpleXMLElem& element);
    bool ParseStartTag(TSimpleXMLElem& element);
    void FinishElement(TSimpleXMLElem& element, std::string_view endName);
    bool ParseSimpleContent(TSimpleXMLElem& element);
    void CheckEndTag(const TSimpleXMLElem& element, std::string_view endName);
    std::string_view ParseEndTag();
    void ParseTagName(TSimpleXMLElem& element);
    void SkipUnknownInstruction();
    TSimpleXMLElemPtr PrologNode(std::string_view collected);

    std::string_view d_;
    size_t pos_ = 0;
    size_t runStart_ = 0; // where a text run starts: right after the previous node
};

static const char* kElementEnd = "Invalid XML Element: Unexpected end of data";

void TSimpleXmlParser::Fail(const std::string& message) const
{
    const std::string_view read = d_.substr(0, std::min(pos_, d_.size()));
    const size_t lineStart = read.rfind('\n') + 1; // 0 when there is no line end (npos + 1)
    const size_t line = static_cast<size_t>(std::count(read.begin(), read.end(), '\n')) + 1;
    // UTF-8 continuation bytes do not start a character.
    const size_t column = static_cast<size_t>(std::count_if(read.begin() + lineStart, read.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    })) + 1;
    throw ESimpleXMLError(message, line, column);
}

void TSimpleXmlParser::ParseProperties(TSimpleXMLProps& props, const char* endMessage)
{
    for (;;) {
        SkipBlanks();
        if (AtEnd())
            Fail(endMessage);
        char c = d_[pos_];
        if (c == '/' || c == '>' || c == '?')
            return;
        std::string name, prefix;
        while (!AtEnd() && (IsNameByte(d_[pos_]) || d_[pos_] == ':')) {
            if (d_[pos_] == ':') { // the prefix is everything before the last colon
                if (!prefix.empty())
                    prefix += ':';
                prefix += name;
                name.clear();
            } else {
                name += d_[pos_];
            }
            ++pos_;
        }
        SkipBlanks();
        if (AtEnd())
            Fail(endMessage);
        if (name.empty() || d_[pos_] != '=')
            Fail(Quoted("Invalid XML Element: Unexpected character in property declaration (\"%0:s\" found)",
                d_.substr(pos_, 1)));
        ++pos_;
        SkipBlanks();
        if (AtEnd())
            Fail(endMessage);
        const char quote = d_[pos_];
        if (quote != '"' && quote != '\'')
            Fail(
                Quoted("Invalid XML Element: Unexpected character in property declaration. Expecting \" or ' "
                       "but \"%0:s\"  found",
                    d_.substr(pos_, 1)));
        ++pos_;
        const std::string_view raw = Until(std::string_view(&quote, 1), endMessage);
        props.Add(std::move(name), SimpleXmlUnescape(raw), std::move(prefix));
    }
}

void TSimpleXmlParser::ParseHeader(TSimpleXMLElemHeader& node)
{
    static const char* kind = "Invalid Header";
    Expect("<?xml", kind);
    TSimpleXMLProps props;
    ParseProperties(props, "Invalid Header: Unexpected end of data");
    Expect("?>", kind);
    const TSimpleXMLProp* version = props.Find("version");
    const TSimpleXMLProp* encoding = props.Find("encoding");
    const TSimpleXMLProp* standAlone = props.Find("standalone");
    node.SetVersion(version ? version->Value : std::string());
    node.SetEncoding(encoding ? encoding->Value : std::string());
    node.SetStandAlone(standAlone && standAlone->Value == "yes");
}

void TSimpleXmlParser::ParseComment(TSimpleXMLElem& node)
{
    Expect("<!--", "Invalid Comment");
    const size_t start = pos_;
    for (;;) {
        const size_t dash = d_.find("--", pos_);
        if (dash == std::string_view::npos || dash + 2 >= d_.size())
            Fail("Invalid Comment: Unexpected end of data");
        if (d_[dash + 2] != '>')
            Fail("Invalid Comment: \"--\" not allowed inside comments");
        node.SetValue(d_.substr(start, dash - start));
        pos_ = dash + 3;
        return;
    }
}

void TSimpleXmlParser::ParseCData(TSimpleXMLElem& node)
{
    Expect("<![CDATA[", "Invalid CDATA");
    node.SetValue(Until("]]>", "Invalid CDATA: Unexpected end of data"));
}

void TSimpleXmlParser::ParseDocType(TSimpleXMLElem& node)
{
    Expect("<!DOCTYPE", "Invalid Document Type");
    const size_t start = pos_;
    bool inBrackets = false;
    for (; pos_ < d_.size(); ++pos_) {
        const char c = d_[pos_];
        if (c == '[')
            inBrackets = true;
        else if (c == ']')
            inBrackets = false;
        else if (c == '>' && !inBrackets)
            break;
    }
    if (AtEnd())
        Fail("Invalid Document Type: Unexpected end of data");
    std::string_view text = d_.substr(start, pos_ - start);
    ++pos_;
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 0x20)
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 0x20)
        text.remove_suffix(1);
    node.SetValue(text);
}

void TSimpleXmlParser::ParseSheet(TSimpleXMLElem& node)
{
    static const char* kind = "Invalid Stylesheet";
    Expect("<?xml-stylesheet", kind);
    ParseProperties(node.Properties(), "Invalid Stylesheet: Unexpected end of data");
    Expect("?>", kind);
}

void TSimpleXmlParser::ParseText(TSimpleXMLElem& node)
{
    const size_t lt = d_.find('<', pos_);
    pos_ = lt == std::string_view::npos ? d_.size() : lt;
    node.SetValueUnescaped(d_.substr(runStart_, pos_ - runStart_));
}

// Processing instructions other than the declaration and the stylesheet carry nothing this
// program uses; they are passed over.
void TSimpleXmlParser::SkipUnknownInstruction()
{
    Until("?>", "Invalid Document: Unexpected end of data in processing instruction");
}

TSimpleXMLElemPtr TSimpleXmlParser::PrologNode(std::string_view collected)
{
    if (collected == "<!--")
        return NewSimpleXmlNode<TSimpleXMLElemComment>(nullptr);
    if (collected == "<?xml-stylesheet")
        return NewSimpleXmlNode<TSimpleXMLElemSheet>(nullptr);
    if (collected == "<?xml ")
        return NewSimpleXmlNode<TSimpleXMLElemHeader>(nullptr);
    if (collected == "<!DOCTYPE")
        return NewSimpleXmlNode<TSimpleXMLElemDocType>(nullptr);
    return nullptr;
}

bool TSimpleXmlParser::ParseProlog(TSimpleXMLElemsProlog& prolog)
{
    static constexpr std::string_view patterns[]
        = { "<![CDATA[", "<!--", "<?xml-stylesheet", "<?xml ", "<!DOCTYPE" };
    while (!AtEnd()) {
        const unsigned char c = static_cast<unsigned char>(d_[pos_]);
        if (IsPrologFiller(c)) {
            ++pos_;
            continue;
        }
        if (c != '<')
            Fail("Invalid Document: Unexpected text in file prolog");
        for (size_t n = 1;; ++n) {
            if (pos_ + n > d_.size())
                return false; // the prolog runs to the end of the data
            const std::string_view collected = d_.substr(pos_, n);
            if (collected == patterns[0])
                return true;
            if (auto node = PrologNode(collected)) {
                node->Parse(*this);
                prolog.Append(std::move(node));
                break;
            }
            if (n == 2 && collected[1] != '!' && collected[1] != '?')
                return true;
            const bool prefixOfAny = std::any_of(std::begin(patterns), std::end(patterns),
                [&](std::string_view p) { return p.substr(0, n) == collected; });
            if (!prefixOfAny) {
                if (collected[1] != '?')
                    Fail(Quoted("Invalid Document: Unexpected markup \"%0:s\" in file prolog", collected));
                SkipUnknownInstruction();
                break;
            }
        }
    }
    return false;
}

void TSimpleXmlParser::ParseTagName(TSimpleXMLElem& element)
{
    const size_t start = pos_;
    size_t nameStart = pos_;
    std::string prefix;
    while (!AtEnd()) {
        const char c = d_[pos_];
        if (IsBlank(c) || c == '/' || c == '>')
            break;
        // What came before the colon is the prefix ("a:b:c" has the prefix "a:b", as the end
        // tag is compared whole); a leading colon has nothing before it and stays in the name.
        if (c == ':' && pos_ > start) {
            prefix.assign(d_.substr(start, pos_ - start));
            nameStart = pos_ + 1;
        }
        ++pos_;
    }
    if (AtEnd())
        Fail(kElementEnd);
    if (pos_ == start && IsBlank(d_[pos_]))
        Fail("Invalid XML Element: malformed tag found (no valid name)");
    element.SetName(d_.substr(nameStart, pos_ - nameStart));
    if (!prefix.empty() || !element.NameSpace().empty())
        element.SetNameSpace(std::move(prefix));
}

std::string_view TSimpleXmlParser::ParseEndTag()
{
    pos_ += 2; // "</"
    const size_t gt = d_.find('>', pos_);
    if (gt == std::string_view::npos) {
        pos_ = d_.size();
        return {};
    }
    const std::string_view name = d_.substr(pos_, gt - pos_);
    pos_ = gt + 1;
    return name;
}

bool TSimpleXmlParser::ParseSimpleContent(TSimpleXMLElem& element)
{
    // Content that is one text run (or nothing) before the end tag: the run would become the
    // element's value, so it is taken as the value directly, without a child node.
    const size_t lt = d_.find('<', pos_);
    if (lt == std::string_view::npos || lt + 1 >= d_.size() || d_[lt + 1] != '/')
        return false;
    element.SetValueUnescaped(d_.substr(pos_, lt - pos_));
    pos_ = lt;
    CheckEndTag(element, ParseEndTag());
    return true;
}

void TSimpleXmlParser::CheckEndTag(const TSimpleXMLElem& element, std::string_view endName)
{
    const std::string& name = element.Name();
    const std::string& prefix = element.NameSpace();
    const bool same = prefix.empty()
        ? (endName == name || SameText(endName, name))
        : (endName.size() == prefix.size() + 1 + name.size()
            && SameText(endName.substr(0, prefix.size()), prefix) && endName[prefix.size()] == ':'
            && SameText(endName.substr(prefix.size() + 1), name));
    if (!same) {
        const std::string fullName = prefix.empty() ? name : prefix + ":" + name;
        Fail(Quoted("Invalid XML Element: Erroneous end of tag, expecting </%0:s> but </%1:s> found",
            fullName, endName));
    }
}

// Reads the content of the innermost open element up to its end tag, or up to the start tag of
// a child element that has content of its own; that child is returned, to be opened next.
TSimpleXMLElemPtr TSimpleXmlParser::ParseContent(TSimpleXMLElem& element)
{
    TSimpleXMLElems& children = element.Children();
    TSimpleXmlArena* arena = element.ChildArena();
    bool blanks = false;
    runStart_ = pos_;
    for (;;) {
        if (AtEnd()) {
            FinishElement(element, {}); // end tag missing: its name counts as empty
            return nullptr;
        }
        const char c = d_[pos_];
        if (IsBlank(c)) {
            ++pos_;
            blanks = true;
            continue;
        }
        TSimpleXMLElemPtr node;
        if (c != '<') {
            node = NewSimpleXmlNode<TSimpleXMLElemText>(arena);
            node->Parse(*this);
        } else if (Peek(1) == '/') {
            if (blanks && children.Count() == 0) {
                auto run = NewSimpleXmlNode<TSimpleXMLElemText>(arena);
                run->SetValue(d_.substr(runStart_, pos_ - runStart_));
                children.Append(std::move(run));
            }
            FinishElement(element, ParseEndTag());
            return nullptr;
        } else if (Peek(1) == '!' && Peek(2) == '-') {
            node = NewSimpleXmlNode<TSimpleXMLElemComment>(arena);
            node->Parse(*this);
        } else if (Peek(1) == '!' && Peek(2) == '[') {
            node = NewSimpleXmlNode<TSimpleXMLElemCData>(arena);
            node->Parse(*this);
        } else {
            node = NewSimpleXmlNode<TSimpleXMLElemClassic>(arena);
            if (ParseStartTag(*node))
                return node;
        }
        children.Append(std::move(node));
        runStart_ = pos_;
        blanks = false;
    }
}

void TSimpleXmlParser::FinishElement(TSimpleXMLElem& element, std::string_view endName)
{
    CheckEndTag(element, endName);
    TSimpleXMLElems& children = element.Children();
    TSimpleXMLElem* only = children.Count() == 1 ? children.ElementAt(0) : nullptr;
    if (only && dynamic_cast<TSimpleXMLElemText*>(only)) {
        element.SetValue(only->Value());
        children.Delete(0);
    } else {
        element.SetValue({});
    }
}

// The start tag; true when content with child nodes follows (an empty-element tag, or content
// that is only a value, is complete on return).
bool TSimpleXmlParser::ParseStartTag(TSimpleXMLElem& element)
{
    if (AtEnd())
        Fail(kElementEnd);
    if (d_[pos_] != '<')
        Fail(Quoted("Invalid XML Element: Expected beginning of tag but \"%0:s\" found", d_.substr(pos_, 1)));
    ++pos_;
    ParseTagName(element);
    if (IsBlank(d_[pos_]))
        ParseProperties(element.Properties(), kElementEnd);
    const char c = d_[pos_];
    if (c == '/') {
        ++pos_;
        if (AtEnd())
            Fail(kElementEnd);
        if (d_[pos_] != '>')
            Fail(Quoted("Invalid XML Element: Expected end of tag but \"%0:s\" found", d_.substr(pos_, 1)));
        ++pos_;
        element.SetValue({});
        return false;
    }
    if (c != '>')
        Fail(Quoted("Invalid XML Element: Expected end of tag but \"%0:s\" found", d_.substr(pos_, 1)));
    ++pos_;
    return !ParseSimpleContent(element);
}

// Elements are opened and closed on an explicit stack, so the input's depth never reaches the
// call stack. Each open element below `element` is owned by its entry until it is complete and
// appended to its parent; on an error the incomplete ones are destroyed, the complete ones stay.
void TSimpleXmlParser::ParseElement(TSimpleXMLElem& element)
{
    if (!ParseStartTag(element))
        return;
    struct Open {
        TSimpleXMLElem* node;
        TSimpleXMLElemPtr owned; // empty for `element` itself
    };
    std::vector<Open> open;
    open.push_back({ &element, nullptr });
    while (!open.empty()) {
        if (TSimpleXMLElemPtr child = ParseContent(*open.back().node)) {
            TSimpleXMLElem* raw = child.get();
            open.push_back({ raw, std::move(child) });
            continue;
        }
        TSimpleXMLElemPtr done = std::move(open.back().owned);
        open.pop_back();
        if (done)
            open.back().node->Children().Append(std::move(done));
    }
}

// ---------------------------------------------------------------------------------------------
// Writer

class TSimpleXmlWriter {
public:
    explicit TSimpleXmlWriter(std::string_view indentUnit)
        : unit(indentUnit)
    {
    }
    std::string out;
    std::string_view unit;

    // Names are written as they are held: the reader never unescapes a name, so an escaped one
    // would come back changed, and XML allows no references in names anyway.
    void QualifiedName(const std::string& prefix, const std::string& name)
    {
        if (!prefix.empty()) {
            out += prefix;
            out += ':';
        }
        out += name;
    }

    void Properties(const TSimpleXMLElem& node)
    {
        if (!node.HasProperties())
            return;
        const TSimpleXMLProps& props = const_cast<TSimpleXMLElem&>(node).Properties();
        for (size_t i = 0; i < props.Count(); ++i) {
            out += ' ';
            QualifiedName(props[i].NameSpace, props[i].Name);
            out += "=\"";
            SimpleXmlEscape(props[i].Value, out, true);
            out += '"';
        }
    }

    void Element(const TSimpleXMLElemClassic& element, std::string_view indent);

private:
    // Indentation stops growing at this depth (as libxml2's does), so the text of a deep
    // document stays linear in its size.
    static constexpr size_t kMaxIndentLevels = 30;

    void Open(const TSimpleXMLElemClassic& element);
    void Close(const TSimpleXMLElem& element);

    struct OpenElement {
        const TSimpleXMLElem* element;
        size_t next; // the next child to write
        size_t padLength; // the element's own indentation
    };
    std::vector<OpenElement> open_;
    std::string pad_;
    bool walking_ = false;
};

// Writes an element and everything below it. Children are visited from an explicit stack: an
// element met inside the walk is only opened here and continued by the loop, never nested.
void TSimpleXmlWriter::Element(const TSimpleXMLElemClassic& element, std::string_view indent)
{
    if (walking_) {
        Open(element);
        return;
    }
    walking_ = true;
    pad_.assign(indent);
    Open(element);
    while (!open_.empty()) {
        OpenElement& top = open_.back();
        const TSimpleXMLElems& items = const_cast<TSimpleXMLElem*>(top.element)->Children();
        if (top.next < items.Count()) {
            items.ElementAt(static_cast<long long>(top.next++))->Write(*this, pad_);
            continue;
        }
        pad_.resize(top.padLength);
        const TSimpleXMLElem* done = top.element;
        open_.pop_back();
        Close(*done);
    }
    walking_ = false;
}

// The start tag, or the whole element when it has no children. An element with children is
// pushed, and the indentation grows for them.
void TSimpleXmlWriter::Open(const TSimpleXMLElemClassic& element)
{
    const bool named = !element.Name().empty();
    if (named) {
        out += pad_;
        out += '<';
        QualifiedName(element.NameSpace(), element.Name());
        Properties(element);
    }
    if (element.HasChildren()) {
        if (named)
            out += ">\r\n";
        open_.push_back({ &element, 0, pad_.size() });
        if (open_.size() <= kMaxIndentLevels)
            pad_ += unit;
    } else if (!named) {
        return;
    } else if (element.Value().empty()) {
        out += "/>\r\n";
    } else {
        out += '>';
        SimpleXmlEscape(element.Value(), out);
        Close(element);
    }
}

void TSimpleXmlWriter::Close(const TSimpleXMLElem& element)
{
    if (element.Name().empty())
        return;
    if (element.HasChildren())
        out += pad_;
    out += "</";
    QualifiedName(element.NameSpace(), element.Name());
    out += ">\r\n";
}

void TSimpleXMLElemClassic::Write(TSimpleXmlWriter& w, std::string_view indent) const
{
    w.Element(*this, indent);
}

void TSimpleXMLElemText::Write(TSimpleXmlWriter& w, std::string_view indent) const
{
    if (Value().empty())
        return;
    w.out += indent;
    SimpleXmlEscape(Value(), w.out);
    w.out += kCrLf;
}

void TSimpleXMLElemComment::Write(TSimpleXmlWriter& w, std::string_view indent) const
{
    w.out.append(indent).append("<!--").append(Value()).append("-->\r\n");
}

void TSimpleXMLElemCData::Write(TSimpleXmlWriter& w, std::string_view indent) const
{
    w.out.append(indent).append("<![CDATA[").append(Value()).append("]]>\r\n");
}

void TSimpleXMLElemHeader::Write(TSimpleXmlWriter& w, std::string_view) const
{
    w.out.append("<?xml version=\"");
    SimpleXmlEscape(version_, w.out, true);
    w.out += '"';
    if (!encoding_.empty()) {
        w.out.append(" encoding=\"");
        SimpleXmlEscape(encoding_, w.out, true);
        w.out += '"';
    }
    if (standAlone_)
        w.out.append(" standalone=\"yes\"");
    w.out.append("?>\r\n");
}

void TSimpleXMLElemDocType::Write(TSimpleXmlWriter& w, std::string_view) const
{
    w.out.append("<!DOCTYPE ").append(Value()).append(">\r\n");
}

void TSimpleXMLElemSheet::Write(TSimpleXmlWriter& w, std::string_view indent) const
{
    w.out.append(indent).append("<?xml-stylesheet");
    w.Properties(*this);
    w.out.append("?>\r\n");
}

void TSimpleXMLElemClassic::Parse(TSimpleXmlParser& p)
{
    p.ParseElement(*this);
}
void TSimpleXMLElemText::Parse(TSimpleXmlParser& p)
{
    p.ParseText(*this);
}
void TSimpleXMLElemComment::Parse(TSimpleXmlParser& p)
{
    p.ParseComment(*this);
}
void TSimpleXMLElemCData::Parse(TSimpleXmlParser& p)
{
    p.ParseCData(*this);
}
void TSimpleXMLElemHeader::Parse(TSimpleXmlParser& p)
{
    p.ParseHeader(*this);
}
void TSimpleXMLElemDocType::Parse(TSimpleXmlParser& p)
{
    p.ParseDocType(*this);
}
void TSimpleXMLElemSheet::Parse(TSimpleXmlParser& p)
{
    p.ParseSheet(*this);
}

// ---------------------------------------------------------------------------------------------
// Nodes and lists

TSimpleXMLProp& TSimpleXMLProps::Add(std::string name, std::string value, std::string nameSpace)
{
    props_.push_back({ std::move(name), std::move(value), std::move(nameSpace) });
    return props_.back();
}

const TSimpleXMLProp* TSimpleXMLProps::Find(std::string_view name) const
{
    for (auto it = props_.rbegin(); it != props_.rend(); ++it)
        if (SameText(it->Name, name))
            return &*it;
    return nullptr;
}

TSimpleXMLElem::~TSimpleXMLElem()
{
    FreeHeapValue();
    if (!items_)
        return;
    if (inArena_) {
        items_->~TSimpleXMLElems();
        arena_->Release();
    } else {
        delete items_;
    }
}

static const std::string kEmpty;

void TSimpleXMLElem::FreeHeapValue() noexcept
{
    if (!inArena_ && valueSize_ > 0)
        delete[] valueData_;
    valueData_ = "";
    valueSize_ = 0;
}

// Storage for a new value of `size` bytes (size > 0); the caller then sets valueData_/valueSize_.
char* TSimpleXMLElem::ValueBuffer(size_t size)
{
    if (size > UINT32_MAX)
        throw std::length_error("XML value too long");
    return inArena_ ? arena_->AllocateBytes(size) : new char[size];
}

void TSimpleXMLElem::SetValue(std::string_view value)
{
    if (value.empty()) {
        FreeHeapValue();
        return;
    }
    char* buffer = ValueBuffer(value.size());
    std::memcpy(buffer, value.data(), value.size()); // before the old value goes: value may lie in it
    FreeHeapValue();
    valueData_ = buffer;
    valueSize_ = static_cast<uint32_t>(value.size());
}

void TSimpleXMLElem::SetValueUnescaped(std::string_view raw)
{
    if (raw.find('&') == std::string_view::npos) {
        SetValue(raw);
        return;
    }
    char* buffer = ValueBuffer(raw.size());
    const size_t size = SimpleXmlUnescapeInto(raw, buffer);
    FreeHeapValue();
    valueData_ = buffer;
    valueSize_ = static_cast<uint32_t>(size);
}

const std::string& TSimpleXMLElem::NameSpace() const
{
    return nameSpace_ ? *nameSpace_ : kEmpty;
}

void TSimpleXMLElem::SetNameSpace(std::string prefix)
{
    if (prefix.empty())
        nameSpace_.reset();
    else
        nameSpace_ = std::make_unique<std::string>(std::move(prefix));
}

void TSimpleXMLElem::SetName(std::string_view name)
{
    if (name.empty() || name == name_)
        return;
    name_.assign(name);
    if (parent_ && parent_->items_)
        parent_->items_->NameChanged();
}

TSimpleXML* TSimpleXMLElem::Document() const
{
    const TSimpleXMLElem* node = this;
    while (node->parent_)
        node = node->parent_;
    return node->arena_ ? node->arena_->Document() : nullptr;
}

TSimpleXMLElems& TSimpleXMLElem::Children()
{
    if (!items_)
        items_ = inArena_ ? new (arena_->Allocate(sizeof(TSimpleXMLElems))) TSimpleXMLElems(this)
                          : new TSimpleXMLElems(this);
    return *items_;
}

bool TSimpleXMLElem::HasChildren() const
{
    return items_ && items_->Count() > 0;
}

TSimpleXMLProps& TSimpleXMLElem::Properties()
{
    if (!props_)
        props_ = std::make_unique<TSimpleXMLProps>();
    return *props_;
}

void TSimpleXMLElem::ClearContent()
{
    if (items_)
        items_->Clear();
    if (props_)
        props_->Clear();
}

TSimpleXMLElem* TSimpleXMLElems::ElementAt(long long index) const
{
    if (index < 0 || static_cast<size_t>(index) >= size_)
        return nullptr;
    return items_[index];
}

void TSimpleXMLElems::RebuildIndex() const
{
    if (!index_)
        index_ = std::make_unique<std::unordered_map<std::string, TSimpleXMLElem*>>();
    index_->clear();
    index_->reserve(size_);
    for (uint32_t i = 0; i < size_; ++i)
        (*index_)[UpperKey(items_[i]->Name())] = items_[i];
    indexValid_ = true;
}

TSimpleXMLElem* TSimpleXMLElems::FindElement(std::string_view name) const
{
    constexpr size_t kScanLimit = 8; // a short list is searched directly, without an index
    if (size_ <= kScanLimit) {
        for (uint32_t i = size_; i-- > 0;)
            if (SameText(items_[i]->Name(), name))
                return items_[i];
        return nullptr;
    }
    if (!indexValid_)
        RebuildIndex();
    const auto found = index_->find(UpperKey(name));
    return found == index_->end() ? nullptr : found->second;
}

TSimpleXMLElem* TSimpleXMLElems::Append(TSimpleXMLElemPtr node)
{
    node->parent_ = parent_;
    if (size_ == capacity_)
        Grow();
    items_[size_++] = node.release();
    indexValid_ = false;
    return items_[size_ - 1];
}

TSimpleXMLElemClassic* TSimpleXMLElems::AppendElement(const std::string& name)
{
    TSimpleXMLElemPtr node = NewSimpleXmlNode<TSimpleXMLElemClassic>(parent_->arena_, name);
    auto* raw = static_cast<TSimpleXMLElemClassic*>(node.get());
    Append(std::move(node));
    return raw;
}

void TSimpleXMLElems::Delete(size_t index)
{
    if (index >= size_)
        return;
    TSimpleXMLElemPtr doomed(items_[index]);
    std::copy(items_ + index + 1, items_ + size_, items_ + index);
    --size_;
    indexValid_ = false;
}

void TSimpleXMLElems::Grow()
{
    const uint32_t capacity = capacity_ * 2;
    auto larger = std::make_unique<TSimpleXMLElem*[]>(capacity);
    std::copy(items_, items_ + size_, larger.get());
    heapItems_ = std::move(larger);
    items_ = heapItems_.get();
    capacity_ = capacity;
}

// Destroys the nodes without recursion: before a node is destroyed its children are taken out of
// its list onto a local stack, so no destructor ever has descendants left to destroy. Each node
// of this list goes with everything below it before the next, in document order.
void TSimpleXMLElems::Clear()
{
    // Last on top: the first node and what is below it go first.
    std::vector<TSimpleXMLElem*> pending(
        std::make_reverse_iterator(items_ + size_), std::make_reverse_iterator(items_));
    size_ = 0; // nodes being destroyed never see themselves in the list
    items_ = inline_;
    capacity_ = kInline;
    heapItems_.reset();
    index_.reset();
    indexValid_ = false;
    while (!pending.empty()) {
        TSimpleXMLElem* node = pending.back();
        pending.pop_back();
        if (TSimpleXMLElems* inner = node->items_; inner && inner->size_ > 0) {
            pending.insert(pending.end(), inner->items_, inner->items_ + inner->size_);
            inner->size_ = 0;
        }
        TSimpleXMLElemDeleter()(node);
    }
}

TSimpleXMLElem* TSimpleXMLElemsProlog::Append(TSimpleXMLElemPtr node)
{
    items_.push_back(std::move(node));
    return items_.back().get();
}

TSimpleXMLElemHeader* TSimpleXMLElemsProlog::Header() const
{
    for (const auto& item : items_)
        if (auto* header = dynamic_cast<TSimpleXMLElemHeader*>(item.get()))
            return header;
    return nullptr;
}

void TSimpleXMLElemsProlog::DeclareEncoding(const std::string& encoding)
{
    TSimpleXMLElemHeader* header = Header();
    if (!header) { // a declaration may only stand at the very start of a file
        TSimpleXMLElemPtr created = NewSimpleXmlNode<TSimpleXMLElemHeader>(nullptr, "xml");
        header = static_cast<TSimpleXMLElemHeader*>(created.get());
        items_.insert(items_.begin(), std::move(created));
    }
    header->SetEncoding(encoding);
}

// ---------------------------------------------------------------------------------------------
// Document

TSimpleXML::TSimpleXML()
    : arena_(this)
    , root_(std::make_unique<TSimpleXMLElemClassic>())
{
    root_->arena_ = &arena_; // the root itself lives on the heap; its descendants in the arena
}

TSimpleXML::~TSimpleXML() = default;

void TSimpleXML::LoadFromBytes(std::string_view data)
{
    root_->ClearContent();
    root_->SetValue({});
    prolog_.Clear();
    TSimpleXmlParser parser(data);
    if (parser.ParseProlog(prolog_))
        parser.ParseElement(*root_);
}

std::string TSimpleXML::SaveToBytes()
{
    if (!prolog_.Header())
        prolog_.DeclareEncoding("iso-8859-1");
    TSimpleXmlWriter writer(indentUnit_);
    // The first declaration goes first, whatever was loaded before it; a second one would make
    // the file malformed and is left out.
    TSimpleXMLElemHeader* header = prolog_.Header();
    header->Write(writer, {});
    for (size_t i = 0; i < prolog_.Count(); ++i)
        if (!dynamic_cast<TSimpleXMLElemHeader*>(prolog_.Item(i)))
            prolog_.Item(i)->Write(writer, {});
    root_->Write(writer, {});
    return std::move(writer.out);
}

static std::string FullPath(const std::string& fileName)
{
    if (!fileName.empty() && fileName[0] == '/')
        return fileName;
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd))
        return fileName;
    return platform::JoinPath(cwd, fileName);
}

void TSimpleXML::LoadDocument(const std::string& fileName)
{
    platform::TFileBuffer data;
    std::string error;
    if (!platform::ReadWholeFile(fileName, data, &error))
        throw EFileError(Quoted("Cannot open file \"%0:s\". %1:s", FullPath(fileName), error));
    LoadFromBytes(data.View());
}

void TSimpleXML::SaveDocument(const std::string& fileName)
{
    const std::string text = SaveToBytes();
    const bool existed = platform::FileExists(fileName);
    std::string error;
    if (!platform::ReplaceFileAtomically(fileName, text, &error))
        throw EFileError(
            Quoted(existed ? "Cannot open file \"%0:s\". %1:s" : "Cannot create file \"%0:s\". %1:s",
                FullPath(fileName), error));
}
