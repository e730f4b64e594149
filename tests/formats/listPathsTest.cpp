// List files shared between machines: relative entries mean the files beside the list, whatever
// the current folder; Windows paths and URLs are kept as written for the job runner to refuse.
#include "engine/fileList.h"
#include "platform/fileSystem.h"
#include "testFiles.h"

#include <gtest/gtest.h>

#include <QDir>

TEST(ListPaths, RelativeEntriesResolveAgainstTheListFolderAndExportWritesThemAbsolute)
{
    TempDir dir;
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(dir.file("lists"))));
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(dir.file("elsewhere"))));
    const auto entry = [](const std::string& file, const std::string& path) {
        return "<item><filename>" + file + "</filename><format>0</format><path>" + path + "</path></item>";
    };
    WriteFileBytes(dir.file("lists/l.zfl"),
        "<list>" + entry("videos/a.mp4", "out/") + entry("../up.mp4", "") + entry("/abs/x.mp4", "./o")
            + entry("C:\\Videos\\a.avi", "D:\\Converted\\")
            + entry("http://host/x.mp4", "\\\\server\\share\\") + entry("concat:a.mp4|b.mp4", "")
            + "</list>");
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(dir.file("elsewhere"))));
    TFileList list;
    ImportList(list, "../lists/l.zfl");
    QDir::setCurrent(previous);

    std::vector<std::pair<std::string, std::string>> rows;
    for (PVirtualNode n = list.GetFirst(); n; n = list.GetNext(n)) {
        const TItemData& item = TFileList::GetNodeData(n)->ItemData;
        rows.emplace_back(platform::ToAnsi(item.FileName), platform::ToAnsi(item.OutputFolder));
    }
    const std::vector<std::pair<std::string, std::string>> expected {
        { dir.file("lists/videos/a.mp4"), dir.file("lists/out/") },
        { dir.file("up.mp4"), "" },
        { "/abs/x.mp4", dir.file("lists/o") },
        { "C:\\Videos\\a.avi", "D:\\Converted\\" },
        { "http://host/x.mp4", "\\\\server\\share\\" },
        { "concat:a.mp4|b.mp4", "" },
    };
    EXPECT_EQ(rows, expected);

    ExportList(list, dir.file("back.zfl"));
    EXPECT_NE(ReadFileBytes(dir.file("back.zfl"))
                  .find("<filename>" + dir.file("lists/videos/a.mp4") + "</filename>"),
        std::string::npos);

    for (const char* windows : { "C:\\x.avi", "c:/x", "\\\\server\\share" })
        EXPECT_TRUE(platform::IsWindowsPath(windows)) << windows;
    for (const char* local : { "C:", "/C:\\x", "colon:name.avi", "CD:\\x", "" })
        EXPECT_FALSE(platform::IsWindowsPath(local)) << local;
}
