#include "formats/SimpleXml.h"
#include "hostileNames.h"
#include "testFiles.h"
#include "unprivilegedUser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

namespace {

std::string ParseError(std::string_view text)
{
    TSimpleXML doc;
    try {
        doc.LoadFromBytes(text);
    } catch (const ESimpleXMLError& e) {
        return e.what();
    }
    return "(no error)";
}

std::string RoundTrip(std::string_view text)
{
    TSimpleXML doc;
    doc.LoadFromBytes(text);
    return doc.SaveToBytes();
}

TSimpleXMLElem* Child(TSimpleXMLElem& e, long long i)
{
    return e.Children().ElementAt(i);
}

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.push_back(e->d_name);
        closedir(d);
    }
    return names;
}

} // namespace

TEST(SimpleXmlWriter, ListFileTextFormIsExact)
{
    TSimpleXML doc;
    doc.Prolog().DeclareEncoding("UTF-8");
    doc.RootElement().SetName("list");
    auto add = [&](const std::string& file, const std::string& format, const std::string& path) {
        TSimpleXMLElemClassic* item = doc.RootElement().Children().AppendElement("item");
        item->Children().AppendElement("filename")->SetValue(file);
        item->Children().AppendElement("format")->SetValue(format);
        item->Children().AppendElement("path")->SetValue(path);
    };
    add("/home/ann/Videos/holiday.avi", "0", "");
    add("/home/ann/Videos/caf\xC3\xA9 at night.mpg", "1", "/media/ann/Converted/");
    EXPECT_EQ(doc.SaveToBytes(), ReadFileBytes(VIDMORPH_TEST_DATA "/xml/two-entries.zfl"));

    TSimpleXML empty;
    empty.RootElement().SetName("list");
    EXPECT_EQ(empty.SaveToBytes(), "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n<list/>\r\n");
}

TEST(SimpleXmlWriter, NodeKindsDeclarationsAndIndentation)
{
    TSimpleXML doc;
    auto* header
        = static_cast<TSimpleXMLElemHeader*>(doc.Prolog().Append(std::make_unique<TSimpleXMLElemHeader>()));
    header->SetEncoding("");
    EXPECT_EQ(doc.SaveToBytes(), "<?xml version=\"1.0\"?>\r\n"); // unnamed, empty root writes nothing
    header->SetEncoding("UTF-8");
    header->SetStandAlone(true);
    doc.Prolog().DeclareEncoding("UTF-8"); // finds the existing declaration
    EXPECT_EQ(doc.Prolog().Count(), 1u);

    TSimpleXMLElemClassic& root = doc.RootElement();
    root.SetName("r");
    root.Properties().Add("a", "x\"y", "ns");
    auto* e = root.Children().AppendElement("e");
    e->Children().AppendElement("f")->SetValue("<v>");
    root.Children().Append(std::make_unique<TSimpleXMLElemComment>())->SetValue(" c ");
    root.Children().Append(std::make_unique<TSimpleXMLElemCData>())->SetValue("<raw&>");
    root.Children().Append(std::make_unique<TSimpleXMLElemText>())->SetValue("t&t");
    root.Children().Append(std::make_unique<TSimpleXMLElemText>()); // empty run: nothing
    EXPECT_EQ(doc.SaveToBytes(),
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
        "<r ns:a=\"x&quot;y\">\r\n"
        "  <e>\r\n"
        "    <f>&lt;v&gt;</f>\r\n"
        "  </e>\r\n"
        "  <!-- c -->\r\n"
        "  <![CDATA[<raw&>]]>\r\n"
        "  t&amp;t\r\n"
        "</r>\r\n");

    // A root without a name has no tags; its children are indented one level.
    TSimpleXML unnamed;
    unnamed.RootElement().Children().AppendElement("a");
    EXPECT_EQ(unnamed.SaveToBytes(), "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n  <a/>\r\n");
}

TEST(SimpleXmlEscaping, TableAndOnePassUnescaping)
{
    EXPECT_EQ(SimpleXmlEscape("a&b"), "a&amp;b");
    EXPECT_EQ(SimpleXmlEscape("&lt;"), "&amp;lt;");
    EXPECT_EQ(SimpleXmlEscape("\"'<>"), "&quot;&apos;&lt;&gt;");
    // Characters as references to their code points; bytes that are no character XML can hold
    // (not UTF-8, control bytes, U+FFFF, the carrier range itself) as carried bytes.
    EXPECT_EQ(SimpleXmlEscape("caf\xC3\xA9 \xE6\x97\xA5 \xF0\x9F\x8E\xAC \xC2\x80"),
        "caf&#xE9; &#x65E5; &#x1F3AC; &#x80;");
    EXPECT_EQ(SimpleXmlEscape("\xE9\x80\xFF\xC3"), "&#x10FEE9;&#x10FE80;&#x10FEFF;&#x10FEC3;");
    EXPECT_EQ(SimpleXmlEscape("\xEF\xBF\xBF\xF4\x8F\xB9\x81"),
        "&#x10FEEF;&#x10FEBF;&#x10FEBF;&#x10FEF4;&#x10FE8F;&#x10FEB9;&#x10FE81;");
    EXPECT_EQ(SimpleXmlEscape(std::string("\t\r\n\x01\x7F\0", 6)), "\t&#xD;\n&#x10FE01;\x7F&#x10FE00;");
    std::string attribute;
    SimpleXmlEscape("\t\r\n", attribute, true);
    EXPECT_EQ(attribute, "&#x9;&#xD;&#xA;");

    EXPECT_EQ(SimpleXmlUnescape("a&amp;b"), "a&b");
    EXPECT_EQ(SimpleXmlUnescape("&amp;lt;"), "&lt;"); // one level only
    EXPECT_EQ(SimpleXmlUnescape("&#xE9;&#xe9;&#XE9;&#233;"), "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9");
    EXPECT_EQ(SimpleXmlUnescape("&#x65E5;&#26085;&#x1F3AC;&#x10FFFF;"),
        "\xE6\x97\xA5\xE6\x97\xA5\xF0\x9F\x8E\xAC\xF4\x8F\xBF\xBF");
    EXPECT_EQ(SimpleXmlUnescape("&#x10FEE9;&#x10FE00;&#x10FE41;"), std::string("\xE9\0A", 3));
    EXPECT_EQ(SimpleXmlUnescape("&AMP;&Lt;&gT;&APOS;&quot;"), "&<>'\"");
    EXPECT_EQ(SimpleXmlUnescape("&#65;&#x42;"), "AB");
    // References that name no character stay as written, byte for byte.
    EXPECT_EQ(SimpleXmlUnescape("&#0;&#;&#x;&#-5;&#12a;&#x1G;"), "&#0;&#;&#x;&#-5;&#12a;&#x1G;");
    EXPECT_EQ(SimpleXmlUnescape("&#xD800;&#57343;&#x110000;&#99999999999;"),
        "&#xD800;&#57343;&#x110000;&#99999999999;");

    // Any bytes come back unchanged through escaping, in content and in attribute values.
    for (const std::string& bytes : HostileNames()) {
        EXPECT_EQ(SimpleXmlUnescape(SimpleXmlEscape(bytes)), bytes);
        std::string quoted;
        SimpleXmlEscape(bytes, quoted, true);
        EXPECT_EQ(SimpleXmlUnescape(quoted), bytes);
    }
    EXPECT_EQ(SimpleXmlUnescape("tail &#65"), "tail &#65");
    EXPECT_EQ(SimpleXmlUnescape("& &x; &am; &amp"), "& &x; &am; &amp");
    EXPECT_EQ(SimpleXmlUnescape("&#38;amp;"), "&amp;"); // the produced '&' is not read again
}

TEST(SimpleXmlParser, ValuesTextRunsAndNodeKinds)
{
    TSimpleXML doc;
    doc.RootElement().SetName("keep");
    doc.LoadFromBytes("<a x='1' y = \"&amp;2\"><e/><f></f><g>  </g><h>a&amp;b</h><i><![CDATA[<c>]]></i>"
                      "<j> t <!--c--></j><k>\xC3\xA9</k><n:m>v</N:M></a>trailing junk is ignored");
    TSimpleXMLElemClassic& root = doc.RootElement();
    EXPECT_EQ(root.Name(), "a");
    ASSERT_EQ(root.Properties().Count(), 2u);
    EXPECT_EQ(root.Properties().Find("Y")->Value, "&2");
    EXPECT_EQ(root.Children().FindElement("e")->Value(), "");
    EXPECT_EQ(root.Children().FindElement("f")->Value(), "");
    EXPECT_EQ(root.Children().FindElement("g")->Value(), "  ");
    EXPECT_EQ(root.Children().FindElement("h")->Value(), "a&b");
    TSimpleXMLElem* i = root.Children().FindElement("i");
    EXPECT_EQ(i->Value(), "");
    ASSERT_EQ(i->Children().Count(), 1u);
    EXPECT_NE(dynamic_cast<TSimpleXMLElemCData*>(Child(*i, 0)), nullptr);
    EXPECT_EQ(Child(*i, 0)->Value(), "<c>");
    TSimpleXMLElem* j = root.Children().FindElement("j");
    EXPECT_EQ(j->Value(), ""); // text beside a comment stays a child
    ASSERT_EQ(j->Children().Count(), 2u);
    EXPECT_EQ(Child(*j, 0)->Value(), " t ");
    EXPECT_EQ(root.Children().FindElement("k")->Value(), "\xC3\xA9"); // raw bytes taken over
    TSimpleXMLElem* m = root.Children().FindElement("m");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->NameSpace(), "n");
    EXPECT_EQ(m->Value(), "v");

    // Byte-order marks and blanks before the first markup are passed over.
    doc.LoadFromBytes(
        "\xEF\xBB\xBF\r\n <?xml version='1.0' encoding='UTF-8'?><!-- c --><!DOCTYPE list [ <!x> ]>"
        "<?xml-stylesheet href=\"s.css\"?><list/>");
    ASSERT_EQ(doc.Prolog().Count(), 4u);
    EXPECT_EQ(doc.Prolog().Header()->Encoding(), "UTF-8");
    EXPECT_EQ(doc.Prolog().Item(2)->Value(), "list [ <!x> ]");
    EXPECT_EQ(doc.SaveToBytes(),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<!-- c -->\r\n<!DOCTYPE list [ <!x> ]>\r\n"
        "<?xml-stylesheet href=\"s.css\"?>\r\n<list/>\r\n");

    // An empty file, or one whose prolog runs to the end, gives an empty root with its old name.
    doc.RootElement().SetName("old");
    doc.LoadFromBytes("");
    EXPECT_EQ(doc.RootElement().Name(), "old");
    EXPECT_EQ(doc.RootElement().Children().Count(), 0u);
    doc.LoadFromBytes("<?xml version=\"1.0\"?>\r\n<!-- only a comment -->\r\n");
    EXPECT_EQ(doc.RootElement().Name(), "old");
    EXPECT_EQ(doc.Prolog().Count(), 2u);
}

TEST(SimpleXmlParser, ErrorMessages)
{
    const std::pair<const char*, const char*> cases[] = {
        { "x<a/>", "Invalid Document: Unexpected text in file prolog" },
        { "<?xml version=\"1.0\"><a/>", "Invalid Header: expected \"?\" but found \">\"" },
        { "<?xml version=\"1.0\"?x<a/>", "Invalid Header: expected \">\" but found \"x\"" },
        { "<?xml version=\"1.0\"", "Invalid Header: Unexpected end of data" },
        { "<!-- a -- b --><a/>", "Invalid Comment: \"--\" not allowed inside comments" },
        { "<!-- a ", "Invalid Comment: Unexpected end of data" },
        { "<!DOCTYPE a [ > ", "Invalid Document Type: Unexpected end of data" },
        { "<?xml-stylesheet a=\"b\" ", "Invalid Stylesheet: Unexpected end of data" },
        { "<?xml-stylesheet a=\"b\"/>", "Invalid Stylesheet: expected \"?\" but found \"/\"" },
        { "<!ELEMENT a ANY><a/>", "Invalid Document: Unexpected markup \"<!E\" in file prolog" },
        { "<a><![CDATX[x]]></a>", "Invalid CDATA: expected \"A\" but found \"X\"" },
        { "<a><![CDATA[x</a>", "Invalid CDATA: Unexpected end of data" },
        { "<a><!-x--></a>", "Invalid Comment: expected \"-\" but found \"x\"" },
        { "< a/>", "Invalid XML Element: malformed tag found (no valid name)" },
        { "<a/x>", "Invalid XML Element: Expected end of tag but \"x\" found" },
        { "<a></b>", "Invalid XML Element: Erroneous end of tag, expecting </a> but </b> found" },
        { "<a></a >", "Invalid XML Element: Erroneous end of tag, expecting </a> but </a > found" },
        { "<a><b>", "Invalid XML Element: Erroneous end of tag, expecting </b> but </> found" },
        { "<n:a></a>", "Invalid XML Element: Erroneous end of tag, expecting </n:a> but </a> found" },
        { "<a b></a>", "Invalid XML Element: Unexpected character in property declaration (\">\" found)" },
        { "<a %=\"1\"/>", "Invalid XML Element: Unexpected character in property declaration (\"%\" found)" },
        { "<a b=1/>",
            "Invalid XML Element: Unexpected character in property declaration. Expecting \" or ' but \"1\"  "
            "found" },
        { "<a b=\"1/>", "Invalid XML Element: Unexpected end of data" },
        { "<a", "Invalid XML Element: Unexpected end of data" },
    };
    for (const auto& [input, message] : cases)
        EXPECT_EQ(ParseError(input), message) << input;

    EXPECT_EQ(ParseError("<A></a>"), "(no error)"); // end tags match in any case
    EXPECT_EQ(ParseError("<?php echo 1; ?><a/>"), "(no error)"); // unknown instructions are passed over
    EXPECT_EQ(ParseError("<?php"), "Invalid Document: Unexpected end of data in processing instruction");
}

TEST(SimpleXmlParser, FailedLoadKeepsWhatWasComplete)
{
    TSimpleXML doc;
    EXPECT_THROW(doc.LoadFromBytes(
                     "<?xml version=\"1.0\"?><!--c--><list><item><a>1</a></item><item><a>2</a><b></list>"),
        ESimpleXMLError);
    EXPECT_EQ(doc.Prolog().Count(), 2u);
    EXPECT_EQ(doc.RootElement().Name(), "list");
    ASSERT_EQ(doc.RootElement().Children().Count(), 1u); // the second item was never completed
    EXPECT_EQ(Child(doc.RootElement(), 0)->Children().FindElement("a")->Value(), "1");

    // The next load starts from a clean document.
    doc.LoadFromBytes("<other/>");
    EXPECT_EQ(doc.Prolog().Count(), 0u);
    EXPECT_EQ(doc.RootElement().Name(), "other");
    EXPECT_EQ(doc.RootElement().Children().Count(), 0u);
}

TEST(SimpleXmlTree, NameIndexCaseAndRenames)
{
    TSimpleXML doc;
    TSimpleXMLElems& items = doc.RootElement().Children();
    for (int i = 0; i < 20; ++i) // more than a short scan covers, so the index is used
        items.AppendElement("n" + std::to_string(i))->SetValue(std::to_string(i));
    items.AppendElement("dup")->SetValue("first");
    items.AppendElement("DUP")->SetValue("second");
    EXPECT_EQ(items.FindElement("dup")->Value(), "second");
    EXPECT_EQ(items.FindElement("N7")->Value(), "7");
    EXPECT_EQ(items.FindElement("missing"), nullptr);
    EXPECT_EQ(items.Count(), 22u); // lookups never create

    items.FindElement("n3")->SetName("renamed");
    EXPECT_EQ(items.FindElement("n3"), nullptr);
    EXPECT_EQ(items.FindElement("RENAMED")->Value(), "3");
    items.FindElement("n4")->SetName(""); // ignored
    EXPECT_EQ(items.FindElement("n4")->Value(), "4");
    EXPECT_EQ(items.ElementAt(-1), nullptr);
    EXPECT_EQ(items.ElementAt(22), nullptr);
    EXPECT_EQ(items.ElementAt(21)->Value(), "second");
    EXPECT_EQ(items.ElementAt(0)->Document(), &doc);

    TSimpleXMLElem* first = items.ElementAt(0);
    first->Properties().Add("p", "v");
    first->Children().AppendElement("c");
    first->ClearContent();
    EXPECT_EQ(first->Children().Count(), 0u);
    EXPECT_EQ(first->Properties().Count(), 0u);
    EXPECT_EQ(first->Value(), "0");
    EXPECT_EQ(first->Name(), "n0");
}

TEST(SimpleXmlFiles, RoundTripsAndDeclarationRules)
{
    const std::string written = ReadFileBytes(VIDMORPH_TEST_DATA "/xml/two-entries.zfl");
    EXPECT_EQ(RoundTrip(written), written);
    TSimpleXML doc;
    doc.LoadFromBytes(written);
    EXPECT_EQ(Child(*Child(doc.RootElement(), 1), 0)->Value(), "/home/ann/Videos/caf\xC3\xA9 at night.mpg");

    // A file without a declaration is saved with one whose encoding is iso-8859-1, before the
    // prolog nodes that were there (a declaration after a comment would make the file malformed).
    EXPECT_EQ(RoundTrip("<!--x--><a>&#233;&AMP;</a>"),
        "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n<!--x-->\r\n<a>&#xE9;&amp;</a>\r\n");
    EXPECT_EQ(RoundTrip("<!--x--><?xml version=\"1.0\" encoding=\"UTF-8\"?><?xml version=\"2\"?><a/>"),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<!--x-->\r\n<a/>\r\n");
    TSimpleXML built;
    built.Prolog().Append(std::make_unique<TSimpleXMLElemComment>())->SetValue("c");
    built.Prolog().DeclareEncoding("UTF-8");
    built.RootElement().SetName("a");
    EXPECT_EQ(built.SaveToBytes(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<!--c-->\r\n<a/>\r\n");
    // Names are never unescaped when read, so they are written as held; declaration values are
    // escaped like any attribute value.
    EXPECT_EQ(RoundTrip("<?xml version='1\"0' encoding='UTF-8'?><a&b><c\xC3\xA9/></a&b>"),
        "<?xml version=\"1&quot;0\" encoding=\"UTF-8\"?>\r\n<a&b>\r\n  <c\xC3\xA9/>\r\n</a&b>\r\n");
    // A leading colon has no prefix before it; a name with two colons has its end tag compared whole.
    EXPECT_EQ(RoundTrip("<:?x><a:b:c d:e:f='1'>v</A:B:C></:?x>"),
        "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n<:?x>\r\n  <a:b:c "
        "d:e:f=\"1\">v</a:b:c>\r\n</:?x>\r\n");
    // Any character reference is a code point, written back in the one hexadecimal form.
    EXPECT_EQ(RoundTrip("<a>&#8364;&#x1f3ac;</a>"),
        "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n<a>&#x20AC;&#x1F3AC;</a>\r\n");
}

TEST(SimpleXmlFiles, LoadAndSaveErrorsNameTheFile)
{
    TempDir dir;
    TSimpleXML doc;
    const std::string missing = dir.file("missing.zfl");
    try {
        doc.LoadDocument(missing);
        FAIL() << "no error";
    } catch (const EFileError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + missing + "\". No such file or directory");
    }
    const std::string inMissingFolder = dir.file("no/such/folder.zfl");
    try {
        doc.SaveDocument(inMissingFolder);
        FAIL() << "no error";
    } catch (const EFileError& e) {
        EXPECT_EQ(std::string(e.what()),
            "Cannot create file \"" + inMissingFolder + "\". No such file or directory");
    }
    doc.RootElement().SetName("list");
    doc.SaveDocument(dir.file("ok.zfl"));
    EXPECT_EQ(ReadFileBytes(dir.file("ok.zfl")), doc.SaveToBytes());
    doc.LoadDocument(dir.file("ok.zfl"));
    EXPECT_EQ(doc.RootElement().Name(), "list");
}

TEST(SimpleXmlFiles, SaveReplacesTheFileOnlyWhenComplete)
{
    TempDir dir;
    const std::string target = dir.file("list.zfl");
    const std::string previous = "previous content\r\n";
    WriteFileBytes(target, previous);
    chmod(target.c_str(), 0640);

    TSimpleXML doc;
    doc.RootElement().SetName("list");
    for (int i = 0; i < 200; ++i)
        doc.RootElement().Children().AppendElement("item")->SetValue(std::string(100, 'x'));

    // A write that fails in the middle (the file-size limit stands in for a full disk).
    {
        FileSizeLimit limit(4096);
        std::string message;
        try {
            doc.SaveDocument(target);
        } catch (const EFileError& e) {
            message = e.what();
        }
        EXPECT_EQ(message, "Cannot open file \"" + target + "\". File too large");
    }
    EXPECT_EQ(ReadFileBytes(target), previous);
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string> { "list.zfl" }); // no temporary left

    // A folder standing where the file should go.
    mkdir(dir.file("folder.zfl").c_str(), 0755);
    EXPECT_THROW(doc.SaveDocument(dir.file("folder.zfl")), EFileError);

    // Success: exactly the text form, the old permissions kept, a link followed.
    doc.SaveDocument(target);
    EXPECT_EQ(ReadFileBytes(target), doc.SaveToBytes());
    struct stat st { };
    stat(target.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    symlink(target.c_str(), dir.file("link.zfl").c_str());
    doc.RootElement().Children().Clear();
    doc.SaveDocument(dir.file("link.zfl"));
    EXPECT_EQ(ReadFileBytes(target), doc.SaveToBytes());
    lstat(dir.file("link.zfl").c_str(), &st);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
}

namespace {

// Depth of the chain of first children below an element, and the innermost one's value.
std::pair<size_t, std::string> FirstChildChain(TSimpleXMLElem& top)
{
    size_t depth = 0;
    TSimpleXMLElem* e = &top;
    while (e->HasChildren()) {
        e = Child(*e, 0);
        ++depth;
    }
    return { depth, e->ValueString() };
}

} // namespace

TEST(SimpleXmlDepth, AMillionLevelsLoadSaveClearAndDestroyWithoutRecursion)
{
    constexpr size_t kDepth = 1000000;
    std::string text = "<?xml version=\"1.0\"?><list>";
    for (size_t i = 0; i < kDepth; ++i)
        text += "<a>";
    text += "deep";
    for (size_t i = 0; i < kDepth; ++i)
        text += "</a>";
    text += "</list>";

    auto doc = std::make_unique<TSimpleXML>();
    doc->LoadFromBytes(text);
    EXPECT_EQ(FirstChildChain(doc->RootElement()), std::make_pair(kDepth, std::string("deep")));
    const std::string saved = doc->SaveToBytes();
    // Indentation stops growing after 30 levels, so the text stays linear in the depth.
    EXPECT_LT(saved.size(), 140 * kDepth);
    EXPECT_NE(saved.find("\r\n" + std::string(60, ' ') + "<a>deep</a>\r\n"), std::string::npos);
    doc->RootElement().ClearContent();
    EXPECT_FALSE(doc->RootElement().HasChildren());
    doc->LoadFromBytes(saved);
    EXPECT_EQ(FirstChildChain(doc->RootElement()), std::make_pair(kDepth, std::string("deep")));
    doc.reset(); // the destructor with the whole chain in place

    // The same through the tree's own calls.
    auto built = std::make_unique<TSimpleXML>();
    built->RootElement().SetName("list");
    TSimpleXMLElem* e = &built->RootElement();
    for (size_t i = 0; i < kDepth; ++i)
        e = e->Children().AppendElement("b");
    e->SetValue("x");
    TSimpleXML again;
    again.LoadFromBytes(built->SaveToBytes());
    EXPECT_EQ(FirstChildChain(again.RootElement()), std::make_pair(kDepth, std::string("x")));
    built.reset();
    Child(again.RootElement(), 0)->Children().Delete(0); // one node with everything below it
    EXPECT_EQ(FirstChildChain(again.RootElement()), std::make_pair(size_t(1), std::string()));

    // Cut off before the end tags: the parse error, and a document that can still be saved.
    EXPECT_THROW(again.LoadFromBytes(std::string_view(text).substr(0, text.size() / 2)), ESimpleXMLError);
    EXPECT_EQ(again.RootElement().Children().Count(), 0u);
    EXPECT_EQ(again.SaveToBytes(), "<?xml version=\"1.0\"?>\r\n<list/>\r\n");
}

TEST(SimpleXmlFiles, ReadOnlyFolderRewritesAWritableFileInPlace)
{
    TempDir dir;
    chmod(dir.path().c_str(), 0755);
    const std::string ro = dir.file("ro");
    mkdir(ro.c_str(), 0755);
    WriteFileBytes(ro + "/list.zfl", "previous, longer than the new text .............................");
    chmod((ro + "/list.zfl").c_str(), 0666);
    WriteFileBytes(ro + "/locked.zfl", "locked");
    chmod((ro + "/locked.zfl").c_str(), 0444);
    chmod(ro.c_str(), 0555);

    TSimpleXML doc;
    doc.RootElement().SetName("list");
    doc.RootElement().Children().AppendElement("item")->SetValue("new");
    const std::string text = doc.SaveToBytes();
    std::string reason;
    const std::optional<int> result = AsUnprivilegedUser(
        ro,
        [&] {
            auto failsWith
                = [&](const std::string& file, const std::string& message, TSimpleXML* saved = nullptr) {
                      try {
                          (saved ? *saved : doc).SaveDocument(file);
                      } catch (const EFileError& e) {
                          return e.what() == message;
                      }
                      return false;
                  };
            try {
                doc.SaveDocument(ro + "/list.zfl"); // no temporary file possible: rewritten in place
            } catch (const EFileError&) {
                return 1;
            }
            if (!failsWith(ro + "/new.zfl", "Cannot create file \"" + ro + "/new.zfl\". Permission denied"))
                return 2;
            if (!failsWith(
                    ro + "/locked.zfl", "Cannot open file \"" + ro + "/locked.zfl\". Permission denied"))
                return 3;
            // A rewrite that fails part way (a full disk) puts the previous bytes back.
            TSimpleXML bigger;
            bigger.RootElement().SetName("list");
            bigger.RootElement().SetValue(std::string(4096, 'x'));
            FileSizeLimit limit(1024);
            if (!failsWith(
                    ro + "/list.zfl", "Cannot open file \"" + ro + "/list.zfl\". File too large", &bigger))
                return 4;
            return 0;
        },
        reason);
    chmod(ro.c_str(), 0755);
    if (!result)
        GTEST_SKIP() << "no unprivileged user: " << reason;
    EXPECT_EQ(*result, 0);
    EXPECT_EQ(ReadFileBytes(ro + "/list.zfl"), text);
    EXPECT_EQ(ReadFileBytes(ro + "/locked.zfl"), "locked");
    std::vector<std::string> left = FolderEntries(ro);
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string> { "list.zfl", "locked.zfl" })); // nothing else made
    struct stat st { };
    stat((ro + "/list.zfl").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0666u);
}
