// The list's journal: what it keeps of the rows, how often it writes, who may restore it, and
// that a damaged one or an unusable folder costs the list nothing.
#include "testFiles.h"
#include "unprivilegedUser.h"

#include "engine/listJournal.h"
#include "engine/sourceProbe.h"
#include "platform/fileSystem.h"

#include <QDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <tuple>
#include <sys/stat.h>
#include <utime.h>

namespace {

QStringList Journals(const std::string& folder)
{
    return QDir(QString::fromStdString(folder)).entryList({ "list-*" }, QDir::Files | QDir::Hidden, QDir::Name);
}

std::vector<int32_t> Statuses(const TFileList& list)
{
    std::vector<int32_t> statuses;
    for (PVirtualNode node = list.GetFirst(); node; node = list.GetNext(node))
        statuses.push_back(TFileList::GetNodeData(node)->Status);
    return statuses;
}

// A failed run's outcome, with text that needs escaping.
TRowOutcome FailedRun()
{
    return { TEntryResult::Failed, 1, "disk full: No space <left> & \"gone\"", "Conversion failed!",
        "/out/c.avi", { "the subtitle was left out", "5.1 kept" } };
}

// Rows a, b, c: converted, converting (its converter holding `output`), failed as FailedRun says.
void FillList(TFileList& list, const std::string& folder)
{
    for (const char* name : { "a.avi", "b.avi", "c.avi" })
        AppendFileRow(list, QString::fromStdString(folder + "/" + name), 1, QString::fromStdString(folder + "/out/"));
    TFileList::GetNodeData(list.NodeAt(0))->Status = isConverted;
    TFileList::GetNodeData(list.NodeAt(1))->Status = isConverting;
    TFileList::GetNodeData(list.NodeAt(2))->Status = isFailed;
    TFileList::GetNodeData(list.NodeAt(2))->Outcome = std::make_unique<TRowOutcome>(FailedRun());
}

// A journal as a crashed session leaves it: written, and its file kept under another name.
std::string CrashedJournal(const std::string& folder, const std::string& name, const std::string& output)
{
    TFileList list;
    FillList(list, folder);
    std::string bytes;
    {
        TListJournal journal(list, folder);
        journal.ConvertingOutput = [&output]() -> std::optional<TOwnOutput> {
            const auto id = platform::RegularFileId(output);
            return id ? std::optional<TOwnOutput>(TOwnOutput { output, *id }) : std::nullopt;
        };
        journal.Changed();
        journal.Flush();
        bytes = ReadFileBytes(journal.Path());
    }
    WriteFileBytes(folder + "/" + name, bytes);
    return bytes;
}

void SetAge(const std::string& path, int secondsAgo)
{
    const utimbuf times { time(nullptr) - secondsAgo, time(nullptr) - secondsAgo };
    utime(path.c_str(), &times);
}

} // namespace

// Writes keep a gap of ten times the last write's duration: a 10,000-row write under a sanitizer
// on a busy machine takes over a second, so the waits are long (they end as soon as the write is).
constexpr int kWriteWaitMs = 60000;

TEST(ListJournal, FollowsTheListInOneWritePerBurstAndANormalEndRemovesIt)
{
    TempDir dir;
    const std::string folder = dir.file("state/vidmorph/");
    TFileList list;
    {
        TListJournal journal(list, folder);
        ASSERT_TRUE(journal.Active()) << journal.Problem();
        EXPECT_EQ(Journals(folder).size(), 2u) << "the journal and its lock, from the start";
        const int before = journal.Writes();
        for (int i = 0; i < 10000; ++i)
            AppendFileRow(list, QString("/videos/%1.avi").arg(i), i % 3, "/out/");
        ASSERT_TRUE(QTest::qWaitFor([&] { return journal.Writes() > before; }, kWriteWaitMs));
        QTest::qWait(2 * TListJournal::kMinGapMs);
        EXPECT_EQ(journal.Writes(), before + 1) << "an import of 10,000 rows is one write";

        TFileList read;
        ImportList(read, journal.Path()); // a journal reads as a plain list file
        ASSERT_EQ(read.TotalCount(), 10000u);
        EXPECT_EQ(TFileList::GetNodeData(read.NodeAt(9999))->ItemData.FileName, "/videos/9999.avi");
        EXPECT_EQ(TFileList::GetNodeData(read.NodeAt(9999))->ItemData.ProfileIndex, 9999 % 3);

        // A row's end is written, however soon after the last write it comes.
        TFileList::GetNodeData(list.NodeAt(5))->Status = isFailed;
        list.RepaintNode(list.NodeAt(5));
        ASSERT_TRUE(QTest::qWaitFor([&] { return journal.Writes() == before + 2; }, kWriteWaitMs));
        EXPECT_NE(ReadFileBytes(journal.Path()).find("<status>failed</status>"), std::string::npos);
        list.Clear();
        ASSERT_TRUE(QTest::qWaitFor([&] { return journal.Writes() == before + 3; }, kWriteWaitMs));
    }
    EXPECT_TRUE(Journals(folder).isEmpty()) << Journals(folder).join(' ').toStdString();
}

TEST(ListJournal, RestoreTakesTheNewestUnheldJournalAndRemovesOnlyTheConvertersOwnPartialFile)
{
    TempDir dir;
    const std::string folder = dir.path();
    const std::string partial = dir.file("partial.avi");
    WriteFileBytes(partial, "half a film");
    CrashedJournal(folder, "list-older.zfl", partial);
    SetAge(dir.file("list-older.zfl"), 60);
    CrashedJournal(folder, "list-newer.zfl", partial);
    SetAge(dir.file("list-newer.zfl"), 10);
    TFileList runningList;
    AppendFileRow(runningList, "/running.avi", 0, "");
    TListJournal running(runningList, folder); // the newest of all, but held by a running window

    TFileList list;
    TRestoredList restored = RestoreLastSession(list, folder);
    EXPECT_TRUE(restored.found);
    EXPECT_EQ(restored.error, "");
    EXPECT_EQ(restored.rows, 3);
    EXPECT_EQ(restored.converted, 1);
    EXPECT_EQ(Statuses(list), (std::vector<int32_t> { isConverted, isWaiting, isFailed }));
    const TRowOutcome* failed = TFileList::GetNodeData(list.NodeAt(2))->Outcome.get();
    ASSERT_TRUE(failed) << "a failed row keeps why";
    const TRowOutcome expected = FailedRun();
    EXPECT_EQ(std::tie(failed->Result, failed->ExitCode, failed->Problem, failed->LastLine, failed->OutputPath,
                  failed->Notes),
        std::tie(expected.Result, expected.ExitCode, expected.Problem, expected.LastLine, expected.OutputPath,
            expected.Notes));
    EXPECT_EQ(TFileList::GetNodeData(list.NodeAt(2))->ItemData.FileName, QString::fromStdString(folder + "/c.avi"));
    EXPECT_EQ(TFileList::GetNodeData(list.NodeAt(2))->ItemData.OutputFolder, QString::fromStdString(folder + "/out/"));
    EXPECT_FALSE(platform::FileExists(partial)) << "the crashed converter's own file";
    EXPECT_FALSE(platform::FileExists(dir.file("list-newer.zfl")));
    EXPECT_FALSE(platform::FileExists(dir.file("list-newer.lock")));

    // The older one: its output name now stands for another file, which stays.
    WriteFileBytes(partial, "someone else's film");
    list.Clear();
    restored = RestoreLastSession(list, folder);
    EXPECT_EQ(restored.rows, 3);
    EXPECT_EQ(ReadFileBytes(partial), "someone else's film");

    restored = RestoreLastSession(list, folder);
    EXPECT_FALSE(restored.found) << "the running window's journal is not taken";
    EXPECT_TRUE(platform::FileExists(running.Path()));
}

// The converter finished the row but the crash came before the journal heard of it: the whole
// output is kept and the row comes back converted; a shorter one is removed and the row waits.
TEST(ListJournal, AnOutputFinishedJustBeforeTheCrashIsKept)
{
    TempDir dir;
    const std::string folder = dir.path(), output = dir.file("out/b.avi"), probe = ProbePath("/usr/bin/ffmpeg");
    ASSERT_FALSE(probe.empty());
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(dir.file("out"))));
    for (const char* length : { "3", "1" }) {
        const std::string made = dir.file(std::string(length) + ".avi");
        ASSERT_EQ(std::system(("ffmpeg -nostdin -v error -f lavfi -i testsrc=d=" + std::string(length)
                                  + ":s=160x90 -c:v mpeg4 '" + made + "'")
                                  .c_str()),
            0);
    }
    for (const bool whole : { true, false }) {
        ASSERT_EQ(std::rename(dir.file("3.avi").c_str(), dir.file("b.avi").c_str()), 0); // the source
        std::rename(dir.file(whole ? "b.avi" : "1.avi").c_str(), output.c_str());
        if (whole) {
            ASSERT_EQ(std::system(("cp '" + output + "' '" + dir.file("b.avi") + "'").c_str()), 0);
        }
        CrashedJournal(folder, "list-crashed.zfl", output);
        TFileList list;
        const TRestoredList restored = RestoreLastSession(list, folder, probe);
        EXPECT_EQ(restored.converted, whole ? 2 : 1);
        EXPECT_EQ(Statuses(list), (std::vector<int32_t> { isConverted, whole ? isConverted : isWaiting, isFailed }));
        EXPECT_EQ(platform::FileExists(output), whole);
        std::rename(dir.file("b.avi").c_str(), dir.file("3.avi").c_str());
    }
}

TEST(ListJournal, AJournalCutOffAtEveryByteIsTakenWholeOrDroppedWithAReason)
{
    TempDir dir;
    const std::string bytes = CrashedJournal(dir.path(), "list-whole.zfl", dir.file("none.avi"));
    ASSERT_NE(bytes.find("<status>converted</status>"), std::string::npos);
    size_t whole = 0;
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        WriteFileBytes(dir.file("list-cut.zfl"), bytes.substr(0, cut));
        TFileList list;
        const TRestoredList restored = RestoreLastSession(list, dir.path());
        ASSERT_TRUE(restored.found) << cut;
        if (restored.error.empty()) {
            EXPECT_EQ(restored.rows, 3) << cut;
            EXPECT_EQ(bytes.find_first_not_of(" \r\n\t", cut), std::string::npos) << "read whole at " << cut;
            ++whole;
        } else {
            EXPECT_EQ(list.TotalCount(), 0u) << "no row of a damaged journal, at " << cut;
            EXPECT_NE(restored.error.find("list-cut.zfl"), std::string::npos) << restored.error;
        }
        ASSERT_FALSE(platform::FileExists(dir.file("list-cut.zfl"))) << cut;
    }
    EXPECT_LE(whole, 2u);
}

TEST(ListJournal, AFolderThatCannotTakeTheJournalLeavesItOffAndTheListWorking)
{
    TempDir dir;
    WriteFileBytes(dir.file("file"), "");
    TFileList list;
    {
        TListJournal journal(list, dir.file("file/vidmorph/"));
        EXPECT_FALSE(journal.Active());
        EXPECT_NE(journal.Problem().find("file/vidmorph/"), std::string::npos) << journal.Problem();
        AppendFileRow(list, "/a.avi", 0, "");
        journal.Changed();
        EXPECT_EQ(journal.Writes(), 0);
    }
    EXPECT_EQ(list.TotalCount(), 1u);
    TListJournal none(list, "");
    EXPECT_FALSE(none.Active());

    // A folder that may not be written, as a user without privileges finds it.
    const std::string readOnly = dir.file("readonly");
    mkdir(readOnly.c_str(), 0555);
    chmod(dir.path().c_str(), 0755);
    std::string reason;
    const std::optional<int> result = AsUnprivilegedUser(
        readOnly,
        [&readOnly] {
            TFileList rows;
            TListJournal journal(rows, readOnly);
            AppendFileRow(rows, "/a.avi", 0, "");
            return !journal.Active() && !journal.Problem().empty() && rows.TotalCount() == 1 ? 0 : 1;
        },
        reason);
    if (!result)
        GTEST_SKIP() << reason;
    EXPECT_EQ(*result, 0);
}
