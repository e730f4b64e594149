#include "engine/fileList.h"
#include "platform/convert.h"
#include "platform/fileSystem.h"
#include "testFiles.h"

#include <gtest/gtest.h>

namespace {

struct Row {
    std::string file;
    int profile;
    std::string folder;
    bool operator==(const Row&) const = default;
};

std::vector<Row> Rows(TFileList& list)
{
    std::vector<Row> rows;
    for (PVirtualNode n = list.GetFirst(); n; n = list.GetNext(n)) {
        const TItemNodeData* d = TFileList::GetNodeData(n);
        EXPECT_EQ(d->Status, isWaiting);
        rows.push_back({ platform::ToAnsi(d->ItemData.FileName), d->ItemData.ProfileIndex,
            platform::ToAnsi(d->ItemData.OutputFolder) });
    }
    return rows;
}

std::string ImportError(TListFile& files, TFileList& list, const std::string& path)
{
    try {
        ImportList(files, list, path);
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no error)";
}

class Recorder : public TNodeStoreObserver {
public:
    std::vector<std::string> calls;
    void RowsAboutToBeInserted(int f, int l) override
    {
        calls.push_back("+" + std::to_string(f) + ":" + std::to_string(l));
    }
    void RowsAboutToBeRemoved(int f, int l) override
    {
        calls.push_back("-" + std::to_string(f) + ":" + std::to_string(l));
    }
    void UpdateEnded() override { calls.push_back("end"); }
    void RowRepaint(int r) override { calls.push_back("paint" + std::to_string(r)); }
    void FocusRequested() override { calls.push_back("focus"); }
};

} // namespace

TEST(ListFiles, ExportWritesTheExactTextAndImportAppends)
{
    TempDir dir;
    TFileList list;
    TListFile files;
    AppendFileRow(list, "/home/ann/Videos/holiday.avi", 0, "");
    // Characters are written as references to their code points, as list files from Windows hold them.
    AppendFileRow(
        list, QString::fromUtf8("/home/ann/Videos/caf\xC3\xA9 at night.mpg"), 1, "/media/ann/Converted/");
    const std::string path = dir.file("list.zfl");
    ExportList(files, list, path);
    const std::string expected = ReadFileBytes(VIDMORPH_TEST_DATA "/xml/two-entries.zfl");
    EXPECT_EQ(ReadFileBytes(path), expected);

    // A name in another 8-bit encoding (byte 0xE9) is written as that byte carried and read back unchanged.
    TFileList latin;
    TListFile latinFiles;
    AppendFileRow(latin, "/home/ann/Videos/holiday.avi", 0, "");
    AppendFileRow(
        latin, platform::FromAnsi("/home/ann/Videos/caf\xE9 at night.mpg"), 1, "/media/ann/Converted/");
    ExportList(latinFiles, latin, dir.file("latin.zfl"));
    std::string carried = expected;
    carried.replace(carried.find("&#xE9;"), 6, "&#x10FEE9;");
    EXPECT_EQ(ReadFileBytes(dir.file("latin.zfl")), carried);
    ImportList(latinFiles, latin, dir.file("latin.zfl"));
    EXPECT_EQ(Rows(latin)[3].file, "/home/ann/Videos/caf\xE9 at night.mpg");

    // Import appends: the same file twice doubles every entry.
    ImportList(files, list, path);
    const std::vector<Row> rows = Rows(list);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[2], rows[0]);
    EXPECT_EQ(rows[3], rows[1]);
    EXPECT_EQ(rows[3].file, "/home/ann/Videos/caf\xC3\xA9 at night.mpg");

    // Names with markup characters survive the trip.
    TFileList other;
    TListFile otherFiles;
    AppendFileRow(other, "/v/Anne & Bob's <best> \"day\".avi", -1, "/out/it's & more/");
    ExportList(otherFiles, other, dir.file("marks.zfl"));
    EXPECT_NE(ReadFileBytes(dir.file("marks.zfl")).find("Anne &amp; Bob&apos;s &lt;best&gt; &quot;day&quot;"),
        std::string::npos);
    TFileList back;
    TListFile backFiles;
    ImportList(backFiles, back, dir.file("marks.zfl"));
    EXPECT_EQ(Rows(back), Rows(other));
}

TEST(ListFiles, ReaderIsLenientAboutNamesOrderAndCase)
{
    TempDir dir;
    TFileList list;
    TListFile files;
    WriteFileBytes(dir.file("a.zfl"),
        "<files><entry><PATH>/o/</PATH><Format>-1</Format><FileName>/v/a.avi</FileName>"
        "</entry><x><filename>/v/b</filename><format>1</format><format>99</format>"
        "<path/></x></files>");
    ImportList(files, list, dir.file("a.zfl"));
    EXPECT_EQ(Rows(list), (std::vector<Row> { { "/v/a.avi", -1, "/o/" }, { "/v/b", 99, "" } }));

    ImportList(files, list, dir.file("none.zfl")); // missing: nothing happens
    WriteFileBytes(dir.file("empty.zfl"), "<?xml version=\"1.0\"?><list/>");
    ImportList(files, list, dir.file("empty.zfl"));
    EXPECT_EQ(list.TotalCount(), 2u);
}

TEST(ListFiles, BadFilesReportTheirProblem)
{
    TempDir dir;
    TFileList list;
    TListFile files;
    WriteFileBytes(dir.file("broken.zfl"),
        "<list><item><filename>/v/a</filename><format>0</format><path/></item><item>");
    EXPECT_EQ(ImportError(files, list, dir.file("broken.zfl")),
        "Invalid XML Element: Erroneous end of tag, expecting </item> but </> found");
    EXPECT_EQ(list.TotalCount(), 0u); // nothing appended before the whole file parsed

    const std::string good = "<item><filename>/v/a</filename><format>0</format><path/></item>";
    WriteFileBytes(dir.file("format.zfl"),
        "<list>" + good
            + "<item><filename>/v/b</filename><format>x1</format>"
              "<path/></item>"
            + good + "</list>");
    EXPECT_EQ(ImportError(files, list, dir.file("format.zfl")), "'x1' is not a valid integer value");
    EXPECT_EQ(list.TotalCount(), 1u); // the entries before the bad one stay

    WriteFileBytes(dir.file("nopath.zfl"),
        "<list>" + good + "<item><filename>/v/b</filename><format>1</format></item></list>");
    EXPECT_EQ(
        ImportError(files, list, dir.file("nopath.zfl")), "Entry 2 of the list file has no \"path\" element.");
    WriteFileBytes(dir.file("comment.zfl"), "<list><!-- note -->" + good + "</list>");
    EXPECT_EQ(
        ImportError(files, list, dir.file("comment.zfl")), "Entry 1 of the list file has no \"filename\" element.");
    EXPECT_EQ(list.TotalCount(), 2u);
}

TEST(ListFiles, ExtraElementsOfAnEntryAreKeptForTheirReaderAndPassedOverByOthers)
{
    TempDir dir;
    const std::string path = dir.file("extras.zfl");
    const TItemData a { "/v/a.avi", 2, "/out/" }, b { "/v/b.avi", 0, "" };
    TListFile writer;
    writer.Write(path, { &a, &b }, [](size_t i, TSimpleXMLElem& entry) {
        TSimpleXMLElem* extra = entry.Children().AppendElement("status");
        extra->SetValue(i == 0 ? "converted" : "waiting");
        extra->Properties().Add("n", std::to_string(i));
    });
    TFileList list;
    ImportList(list, path);
    EXPECT_EQ(Rows(list), (std::vector<Row> { { "/v/a.avi", 2, "/out/" }, { "/v/b.avi", 0, "" } }));
    std::vector<std::string> extras;
    TListFile reader;
    reader.ReadEntries(path, [&extras](const TItemData& data, TSimpleXMLElem& entry) {
        TSimpleXMLElem* extra = entry.Children().FindElement("status");
        extras.push_back(platform::ToAnsi(data.FileName) + "=" + (extra ? extra->ValueString() : "?")
            + (extra && extra->HasProperties() ? extra->Properties().Find("n")->Value : ""));
    });
    EXPECT_EQ(extras, (std::vector<std::string> { "/v/a.avi=converted0", "/v/b.avi=waiting1" }));
}

TEST(ListFiles, FailedExportLeavesThePreviousFile)
{
    TempDir dir;
    TFileList list;
    TListFile files;
    for (int i = 0; i < 100; ++i)
        AppendFileRow(list, QString("/videos/a long file name number %1.avi").arg(i), i, "/out/");
    const std::string path = dir.file("list.zfl");
    WriteFileBytes(path, "the previous list");

    {
        FileSizeLimit limit(1024); // the export needs far more: a disk that fills up half way
        EXPECT_THROW(ExportList(files, list, path), EFileError);
    }
    EXPECT_EQ(ReadFileBytes(path), "the previous list");

    ExportList(files, list, path);
    TFileList back;
    TListFile backFiles;
    ImportList(backFiles, back, path);
    EXPECT_EQ(Rows(back), Rows(list));
}

TEST(NodeStore, RowsSelectionDeletionAndNotifications)
{
    Recorder recorder;
    std::vector<std::string> freed;
    TFileList list;
    int changes = 0;
    const int changeListener = list.AddChangeListener([&changes] { ++changes; });
    list.SetObserver(&recorder);
    list.AddFreeListener(
        [&](PVirtualNode n) { freed.push_back(platform::ToAnsi(TFileList::GetNodeData(n)->ItemData.FileName)); });
    for (const char* name : { "a", "b", "c", "d" })
        AppendFileRow(list, name, 0, "");
    EXPECT_EQ(changes, 8) << "each row's insertion and its first paint";
    EXPECT_EQ(recorder.calls[0], "+0:0");
    EXPECT_EQ(recorder.calls[1], "end");
    EXPECT_EQ(recorder.calls[2], "paint0");

    PVirtualNode c = list.NodeAt(2);
    list.SelectOnly(list.NodeAt(1));
    list.SelectOnly(c); // single selection
    EXPECT_EQ(list.SelectedCount(), 1u);
    EXPECT_EQ(list.GetFirstSelected(), c);
    list.SetFocusedNode(c);
    recorder.calls.clear();
    list.DeleteSelectedNodes();
    EXPECT_EQ(recorder.calls, std::vector<std::string> { "-2:2" });
    EXPECT_EQ(freed, std::vector<std::string> { "c" });
    EXPECT_EQ(list.FocusedNode(), nullptr);
    EXPECT_EQ(list.TotalCount(), 3u);
    std::string order;
    for (PVirtualNode n = list.GetFirst(); n; n = list.GetNext(n))
        order += platform::ToAnsi(TFileList::GetNodeData(n)->ItemData.FileName)
            + std::to_string(TFileList::AbsoluteIndex(n));
    EXPECT_EQ(order, "a0b1d2");
    EXPECT_EQ(list.GetNext(list.NodeAt(2)), nullptr);

    list.SetFocus();
    list.Clear();
    EXPECT_EQ(list.GetFirst(), nullptr);
    EXPECT_EQ(freed.size(), 4u);
    EXPECT_EQ(recorder.calls.back(), "-0:2");
    EXPECT_EQ(changes, 10) << "a deletion, a clearing; selection and focus are no change";
    list.RemoveChangeListener(changeListener);
    // A fresh row's data starts empty.
    const TItemNodeData* fresh = TFileList::GetNodeData(list.AddChild());
    EXPECT_EQ(fresh->Status, isWaiting);
    EXPECT_TRUE(fresh->ItemData.FileName.isEmpty());
    EXPECT_EQ(fresh->Outcome, nullptr);
}
