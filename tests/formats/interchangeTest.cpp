// Files we write must be read by other programs: xmllint checks them, and Python's xml.etree reads
// the names back. Bytes carried as U+10FE00 + byte are turned back into bytes on the Python side.
#include "engine/fileList.h"
#include "hostileNames.h"
#include "platform/fileSystem.h"
#include "testFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr const char* kReadNames = R"(
import sys, xml.etree.ElementTree as ET
def raw(text):
    return b''.join(bytes([ord(c) - 0x10FE00]) if 0x10FE00 <= ord(c) <= 0x10FEFF else c.encode('utf-8')
                    for c in text or '')
for item in ET.parse(sys.argv[1]).getroot():
    print(raw(item.find('filename').text).hex(), raw(item.find('path').text).hex())
)";

bool HaveTool(const std::string& name)
{
    return std::system(("command -v " + name + " >/dev/null").c_str()) == 0;
}

// Empty when xmllint accepts the file, else its complaint.
std::string XmllintErrors(const std::string& file)
{
    std::string errors;
    if (FILE* p = popen(("xmllint --noout '" + file + "' 2>&1").c_str(), "r")) {
        char buffer[512];
        while (size_t n = fread(buffer, 1, sizeof buffer, p))
            errors.append(buffer, n);
        if (pclose(p) != 0 && errors.empty())
            errors = "xmllint failed";
    }
    return errors;
}

std::vector<std::string> PythonNames(const TempDir& dir, const std::string& file)
{
    WriteFileBytes(dir.file("read.py"), kReadNames);
    std::vector<std::string> names;
    FILE* p = popen(("python3 '" + dir.file("read.py") + "' '" + file + "'").c_str(), "r");
    char hex[2][8192];
    while (p && fscanf(p, "%8191s %8191s", hex[0], hex[1]) == 2)
        for (const char* h : hex)
            names.push_back(QByteArray::fromHex(h).toStdString());
    if (p)
        pclose(p);
    return names;
}

} // namespace

TEST(ListFileInterchange, StandardReadersAcceptOurFilesAndReadTheSameNames)
{
    if (!HaveTool("xmllint") || !HaveTool("python3"))
        GTEST_SKIP() << "xmllint or python3 missing (scripts/install-deps installs them)";
    TempDir dir;
    TFileList list;
    TListFile files;
    std::vector<std::string> expected;
    for (const std::string& name : HostileNames()) {
        AppendFileRow(list, platform::FromAnsi(name), 0, platform::FromAnsi(name + "/"));
        expected.push_back(name);
        expected.push_back(name + "/");
    }
    const std::string path = dir.file("hostile.zfl");
    ExportList(files, list, path);
    EXPECT_EQ(XmllintErrors(path), "");
    EXPECT_EQ(PythonNames(dir, path), expected);

    // Our own reader gives back the very same rows (a relative name, such as one that starts with
    // a blank, means the same name in the list file's folder).
    TFileList back;
    TListFile backFiles;
    ImportList(backFiles, back, path);
    ASSERT_EQ(back.TotalCount(), list.TotalCount());
    const auto asImported = [&](const QString& name) {
        return name.startsWith('/') ? name : platform::FromAnsi(dir.path() + "/") + name;
    };
    for (PVirtualNode a = list.GetFirst(), b = back.GetFirst(); a && b;
         a = list.GetNext(a), b = back.GetNext(b)) {
        EXPECT_EQ(TFileList::GetNodeData(b)->ItemData.FileName,
            asImported(TFileList::GetNodeData(a)->ItemData.FileName));
        EXPECT_EQ(TFileList::GetNodeData(b)->ItemData.OutputFolder,
            asImported(TFileList::GetNodeData(a)->ItemData.OutputFolder));
    }

    // A list file from Windows names "café" with a reference to its code point.
    WriteFileBytes(dir.file("windows.zfl"), ReadFileBytes(VIDMORPH_TEST_DATA "/xml/two-entries.zfl"));
    ImportList(backFiles, back, dir.file("windows.zfl"));
    EXPECT_EQ(TFileList::GetNodeData(back.NodeAt(static_cast<int>(back.TotalCount()) - 1))->ItemData.FileName,
        QString::fromUtf8("/home/ann/Videos/caf\xC3\xA9 at night.mpg"));
}

TEST(ListFileInterchange, LoadedPrologsAndPrefixedRootsStayWellFormed)
{
    if (!HaveTool("xmllint"))
        GTEST_SKIP() << "xmllint missing (scripts/install-deps installs it)";
    TempDir dir;
    TFileList list;
    TListFile files;
    AppendFileRow(list, "/v/a.avi", 1, "");
    const std::pair<const char*, const char*> imported[] = {
        // A comment before everything and no declaration: the declaration must still go first.
        { "comment-first.zfl", "<!-- saved by hand -->\r\n<list></list>" },
        // A prefixed root keeps the declaration that binds its prefix.
        { "prefixed.zfl",
            "<?xml version=\"1.0\"?><z:list xmlns:z=\"urn:example\" other=\"dropped\"></z:list>" },
        // A prefix that nothing binds (our reader is lenient) is dropped rather than written unbound.
        { "unbound.zfl", "<z:list></z:list>" },
        { "default-namespace.zfl", "<list xmlns=\"urn:example\"/>" },
    };
    for (const auto& [name, text] : imported) {
        WriteFileBytes(dir.file(name), text);
        ImportList(files, list, dir.file(name));
        const std::string out = dir.file(std::string("out-") + name);
        ExportList(files, list, out);
        EXPECT_EQ(XmllintErrors(out), "") << name << ":\n" << ReadFileBytes(out);
    }
    const std::string prefixed = ReadFileBytes(dir.file("out-prefixed.zfl"));
    EXPECT_NE(prefixed.find("<z:list xmlns:z=\"urn:example\">"), std::string::npos) << prefixed;
    EXPECT_NE(ReadFileBytes(dir.file("out-unbound.zfl")).find("<list>"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(dir.file("out-comment-first.zfl"))
                  .rfind("<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n", 0),
        0u);
}

TEST(ListFileInterchange, EveryCutOfAListFileLoadsOrFailsCleanlyAndCanBeSaved)
{
    const std::string whole = ReadFileBytes(VIDMORPH_TEST_DATA "/xml/two-entries.zfl");
    TSimpleXML doc;
    size_t loaded = 0;
    for (size_t length = 0; length <= whole.size(); ++length) {
        try {
            doc.LoadFromBytes(std::string_view(whole).substr(0, length));
            ++loaded;
        } catch (const ESimpleXMLError&) {
        }
        const std::string saved = doc.SaveToBytes();
        TSimpleXML again;
        EXPECT_NO_THROW(again.LoadFromBytes(saved)) << length;
        EXPECT_EQ(again.SaveToBytes(), saved) << length;
    }
    EXPECT_GT(loaded, 0u);
    EXPECT_EQ(doc.SaveToBytes(), whole);
}
