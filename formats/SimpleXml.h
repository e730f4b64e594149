#pragma once
// The XML document model shared by the profile file, the item settings store and list files:
// an in-memory node tree, a lenient parser and a writer with one fixed text form.
//
// All text is byte strings in the locale's encoding (UTF-8). Writing escapes markup bytes in
// values and writes every character from U+0080 up as a character reference to its code point
// ("é" as "&#xE9;"), so values are saved 7-bit clean and well-formed (names, comments and CDATA
// sections are written as held); reading turns references back into UTF-8. Bytes that are not UTF-8, and control bytes XML cannot hold, are written as references
// to U+10FE00 + the byte (see kSimpleXmlByteCarrier), which our reader turns back into the byte.
// Nothing nests on the call stack: documents of any depth are parsed, written and destroyed
// with explicit stacks. Errors are exceptions: ESimpleXMLError for malformed input, EFileError
// for files that cannot be opened or created.
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Malformed input. Line and column (1-based; the column counts characters) are where the reader
// stopped, 0 when the error does not come from reading text.
class ESimpleXMLError : public std::runtime_error {
public:
    explicit ESimpleXMLError(const std::string& message, size_t line = 0, size_t column = 0)
        : std::runtime_error(message)
        , line_(line)
        , column_(column)
    {
    }
    size_t Line() const { return line_; }
    size_t Column() const { return column_; }

private:
    size_t line_;
    size_t column_;
};

// A file that cannot be read or written; the message names the file and the system's reason.
class EFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TSimpleXML;
class TSimpleXMLElem;
class TSimpleXMLElems;
class TSimpleXmlParser;
class TSimpleXmlWriter;

// Node storage of one document. Parsing a large list file makes hundreds of thousands of small
// nodes; taking them from large blocks instead of one heap allocation each makes loading several
// times faster. The blocks are given back when the last node in them is destroyed, so clearing a
// document (a new load, an export) does not let memory grow.
class TSimpleXmlArena {
public:
    explicit TSimpleXmlArena(TSimpleXML* document)
        : document_(document)
    {
    }
    TSimpleXmlArena(const TSimpleXmlArena&) = delete;
    TSimpleXmlArena& operator=(const TSimpleXmlArena&) = delete;
    TSimpleXML* Document() const { return document_; }
    // Memory for one object; every object is matched by one Release().
    void* Allocate(size_t size);
    // Bytes owned by some object already counted (its text).
    char* AllocateBytes(size_t size);
    void Release() noexcept;

private:
    void NewBlock(size_t atLeast);

    TSimpleXML* document_;
    std::vector<std::unique_ptr<char[]>> blocks_;
    char* current_ = nullptr;
    size_t used_ = 0, capacity_ = 0, live_ = 0;
};

// Destroys a node wherever it was allocated (arena or heap).
struct TSimpleXMLElemDeleter {
    void operator()(TSimpleXMLElem* node) const noexcept;
};
using TSimpleXMLElemPtr = std::unique_ptr<TSimpleXMLElem, TSimpleXMLElemDeleter>;

// One attribute: name, value and namespace prefix.
struct TSimpleXMLProp {
    std::string Name;
    std::string Value;
    std::string NameSpace;
};

// The attributes of an element, a declaration or a stylesheet, in document order.
class TSimpleXMLProps {
public:
    size_t Count() const { return props_.size(); }
    const TSimpleXMLProp& operator[](size_t i) const { return props_[i]; }
    TSimpleXMLProp& Add(std::string name, std::string value, std::string nameSpace = {});
    // Last attribute of that name, compared without regard to case; nullptr when none.
    const TSimpleXMLProp* Find(std::string_view name) const;
    void Clear() { props_.clear(); }

private:
    std::vector<TSimpleXMLProp> props_;
};

// Base of every node kind.
class TSimpleXMLElem {
public:
    explicit TSimpleXMLElem(std::string_view name = {})
        : name_(name)
    {
    }
    virtual ~TSimpleXMLElem();
    TSimpleXMLElem(const TSimpleXMLElem&) = delete;
    TSimpleXMLElem& operator=(const TSimpleXMLElem&) = delete;

    const std::string& Name() const { return name_; }
    // Ignored when the new name is empty or equal to the old one; the parent's index follows.
    void SetName(std::string_view name);
    const std::string& NameSpace() const;
    void SetNameSpace(std::string prefix);
    // The value's bytes stay valid until the value is set again or the node is destroyed.
    std::string_view Value() const { return { valueData_, valueSize_ }; }
    std::string ValueString() const { return std::string(Value()); }
    void SetValue(std::string_view value);

    TSimpleXMLElem* Parent() const { return parent_; }
    // The document, found by following parents up to the root; nullptr for detached nodes.
    TSimpleXML* Document() const;
    // The children; created empty on first access.
    TSimpleXMLElems& Children();
    bool HasChildren() const;
    TSimpleXMLProps& Properties();
    bool HasProperties() const { return props_ && props_->Count() > 0; }
    // Storage for new children of this node (nullptr: the heap).
    TSimpleXmlArena* ChildArena() const { return arena_; }

    // Destroys all children and all attributes; name and value stay.
    virtual void ClearContent();
    virtual void Parse(TSimpleXmlParser& parser) = 0;
    virtual void Write(TSimpleXmlWriter& writer, std::string_view indent) const = 0;

protected:
    friend class TSimpleXMLElems;
    friend class TSimpleXML;
    friend struct TSimpleXMLElemDeleter;
    template <class T, class... A>
    friend TSimpleXMLElemPtr NewSimpleXmlNode(TSimpleXmlArena* arena, A&&... args);

    friend class TSimpleXmlParser;
    // Sets the value to raw text with its references resolved.
    void SetValueUnescaped(std::string_view raw);
    char* ValueBuffer(size_t size);

    void FreeHeapValue() noexcept;

    std::string name_;
    const char* valueData_ = ""; // in the arena, or owned (new[]) when the node is not in one
    uint32_t valueSize_ = 0;
    bool inArena_ = false;
    std::unique_ptr<std::string> nameSpace_; // rarely present
    TSimpleXMLElem* parent_ = nullptr;
    TSimpleXmlArena* arena_ = nullptr; // where this node's children are made; nullptr: the heap
    TSimpleXMLElems* items_ = nullptr; // owned; in the arena when the node itself is
    std::unique_ptr<TSimpleXMLProps> props_;
};

class TSimpleXMLElemClassic : public TSimpleXMLElem {
public:
    using TSimpleXMLElem::TSimpleXMLElem;
    void Parse(TSimpleXmlParser& parser) override;
    void Write(TSimpleXmlWriter& writer, std::string_view indent) const override;
};

class TSimpleXMLElemText : public TSimpleXMLElem {
public:
    using TSimpleXMLElem::TSimpleXMLElem;
    void Parse(TSimpleXmlParser& parser) override;
    void Write(TSimpleXmlWriter& writer, std::string_view indent) const override;
};

class TSimpleXMLElemComment : public TSimpleXMLElem {
public:
    using TSimpleXMLElem::TSimpleXMLElem;
    void Parse(TSimpleXmlParser& parser) override;
    void Write(TSimpleXmlWriter& writer, std::string_view indent) const override;
};

class TSimpleXMLElemCData : public TSimpleXMLElem {
public:
    using TSimpleXMLElem::TSimpleXMLElem;
    void Parse(TSimpleXmlParser& parser) override;
    void Write(TSimpleXmlWriter& writer, std::string_view indent) const override;
};

// The XML declaration.
class TSimpleXMLElemHeader : public TSimpleXMLElem {
public:
    using TSimpleXMLElem::TSimpleXMLElem;
    const std::string& Version() const { return version_; }
    void SetVersion(std::string v) { version_ = std::move(v); }
    const std::string& Encoding() const { return encoding_; }
    void SetEncoding(std::string e) { encoding_ = std::move(e); }
    bool StandAlone() const { return standAlone_; }
    void SetStandAlone(bool s) { standAlone_ = s; }
    void Parse(TSimpleXmlParser& parser) override;
    void Write(TSimpleXmlWriter& writer, std::string_view indent) const override;

private:
    std::string version_ = "1.0";
    std::string encoding_ = "iso-8859-1";
    bool standAlone_ = false;
};

class TSimpleXMLElemDocType : public TSimpleXMLElem {
public:
    using TSimpleXMLElem::TSimpleXMLElem;
    void Parse(TSimpleXmlParser& parser) override;
    void Write(TSimpleXmlWriter& writer, std::string_view indent) const override;
};

class TSimpleXMLElemSheet : public TSimpleXMLElem {
public:
    using TSimpleXMLElem::TSimpleXMLElem;
    void Parse(TSimpleXmlParser& parser) override;
    void Write(TSimpleXmlWriter& writer, std::string_view indent) const override;
};

// The children of one element, in document order, with a case-insensitive name index in which
// the last of several equal names wins. The index is rebuilt lazily after any change.
class TSimpleXMLElems {
public:
    explicit TSimpleXMLElems(TSimpleXMLElem* parent)
        : parent_(parent)
    {
    }
    ~TSimpleXMLElems() { Clear(); }
    TSimpleXMLElems(const TSimpleXMLElems&) = delete;
    TSimpleXMLElems& operator=(const TSimpleXMLElems&) = delete;
    size_t Count() const { return size_; }
    // Node at a 0-based position; nullptr outside 0..Count()-1.
    TSimpleXMLElem* ElementAt(long long index) const;
    // Child entered under that name; nullptr when none. Never creates a child.
    TSimpleXMLElem* FindElement(std::string_view name) const;
    // Appends a new element with that name and an empty value and returns it.
    TSimpleXMLElemClassic* AppendElement(const std::string& name);
    // Takes ownership of node and appends it. A node keeps the storage it was made in, so a node
    // must not move to another document.
    TSimpleXMLElem* Append(TSimpleXMLElemPtr node);
    template <class T> T* Append(std::unique_ptr<T> node)
    {
        return static_cast<T*>(Append(TSimpleXMLElemPtr(node.release())));
    }
    // Removes and destroys the node at a position.
    void Delete(size_t index);
    void Clear();
    void NameChanged() { indexValid_ = false; }

private:
    void RebuildIndex() const;

    void Grow();

    TSimpleXMLElem* parent_;
    // Owned nodes, destroyed through TSimpleXMLElemDeleter. Most elements have a few children,
    // which are kept inline without an allocation of their own.
    static constexpr uint32_t kInline = 4;
    TSimpleXMLElem** items_ = inline_;
    uint32_t size_ = 0;
    uint32_t capacity_ = kInline;
    TSimpleXMLElem* inline_[kInline] = {};
    std::unique_ptr<TSimpleXMLElem*[]> heapItems_;
    mutable std::unique_ptr<std::unordered_map<std::string, TSimpleXMLElem*>> index_; // built on demand
    mutable bool indexValid_ = false;
};

// The prolog: declaration, comments, document type and stylesheet nodes, in order.
class TSimpleXMLElemsProlog {
public:
    size_t Count() const { return items_.size(); }
    TSimpleXMLElem* Item(size_t i) const { return i < items_.size() ? items_[i].get() : nullptr; }
    TSimpleXMLElem* Append(TSimpleXMLElemPtr node);
    template <class T> T* Append(std::unique_ptr<T> node)
    {
        return static_cast<T*>(Append(TSimpleXMLElemPtr(node.release())));
    }
    void Clear() { items_.clear(); }
    // The first declaration, or nullptr.
    TSimpleXMLElemHeader* Header() const;
    // Finds the first declaration (creating "1.0"/"iso-8859-1" at the front of the prolog if there
    // is none) and sets its encoding.
    void DeclareEncoding(const std::string& encoding);

private:
    std::vector<TSimpleXMLElemPtr> items_;
};

class TSimpleXML {
public:
    TSimpleXML();
    ~TSimpleXML();
    TSimpleXML(const TSimpleXML&) = delete;
    TSimpleXML& operator=(const TSimpleXML&) = delete;

    TSimpleXMLElemClassic& RootElement() { return *root_; }
    const TSimpleXMLElemClassic& RootElement() const { return *root_; }
    TSimpleXMLElemsProlog& Prolog() { return prolog_; }
    const std::string& IndentUnit() const { return indentUnit_; }

    // Replaces the prolog and the root's content by the file's. On a parse error the nodes that
    // were complete before it stay.
    void LoadDocument(const std::string& fileName);
    // Writes the whole document. The target is replaced only when the new text is complete:
    // on failure the previous file is left as it was.
    void SaveDocument(const std::string& fileName);

    // The same, on bytes in memory.
    void LoadFromBytes(std::string_view data);
    std::string SaveToBytes();

private:
    TSimpleXmlArena arena_; // declared before root_: outlives every node
    std::unique_ptr<TSimpleXMLElemClassic> root_;
    TSimpleXMLElemsProlog prolog_;
    std::string indentUnit_ = "  ";
};

// A reference to U+10FE00 + b (a private-use code point) stands for the single byte b. The writer
// uses it for every byte that is not part of a character XML can hold; a real character of
// U+10FE00..U+10FEFF is written as its four carried bytes, so the form is unambiguous.
constexpr char32_t kSimpleXmlByteCarrier = 0x10FE00;

// Escaping of names and values for writing, and the one-pass unescaping of read values.
// attribute: the value goes between quotes, where TAB, LF and CR are written as references too.
void SimpleXmlEscape(std::string_view value, std::string& out, bool attribute = false);
std::string SimpleXmlEscape(std::string_view value);
std::string SimpleXmlUnescape(std::string_view value);
// Unescapes into out, which has room for value.size() bytes (the result is never longer);
// returns the result's length.
size_t SimpleXmlUnescapeInto(std::string_view value, char* out);
