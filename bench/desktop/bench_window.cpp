// The desktop program's window: start-up to the main window shown (splash second included),
// resident memory after start, importing 10,000 and 100,000-entry list files until the list has
// painted, memory per row in the window, and one full repaint of the list while scrolling.
// The 100,000-entry import is measured once more until the window's journal holds it too.
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise; the journal goes to a
// temporary state folder.
#include "bench/benchSupport.h"

#include "desktop/fileListView.h"
#include "desktop/mainController.h"
#include "desktop/mainForm.h"
#include "desktop/startUp.h"
#include "engine/listJournal.h"
#include "formats/listFile.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <malloc.h>
#include <string>
#include <vector>

namespace {

QString RowPath(int i)
{
    return QString("/home/someone/Videos/holiday %1/clip number %2.mpg").arg(i / 100).arg(i);
}

size_t HeapInUse()
{
    return mallinfo2().uordblks;
}

std::string WriteList(const QString& folder, int rows)
{
    TFileList list;
    for (int i = 0; i < rows; ++i)
        AppendFileRow(list, RowPath(i), i % 15, "/home/someone/converted/");
    const std::string file = (folder + QString("/list%1.zfl").arg(rows)).toStdString();
    ExportList(list, file);
    return file;
}

double ImportUntilPainted(TmainDlg& window, const std::string& file)
{
    window.fileList->List().Clear();
    QApplication::processEvents();
    QElapsedTimer t;
    t.start();
    ImportList(window.Controller()->ListFile(), window.fileList->List(), file);
    window.repaint(); // the first paint with the new rows
    return t.nsecsElapsed() / 1e9;
}

// The import until painted and until the journal written after it is complete.
double ImportUntilJournaled(TmainDlg& window, const std::string& file)
{
    TListJournal& journal = *window.Controller()->Journal();
    window.fileList->List().Clear();
    journal.Flush();
    QApplication::processEvents();
    const int before = journal.Writes();
    QElapsedTimer t;
    t.start();
    ImportList(window.Controller()->ListFile(), window.fileList->List(), file);
    window.repaint();
    while (journal.Writes() == before)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double seconds = t.nsecsElapsed() / 1e9;
    std::printf("  (journal writes for the import: %d)\n", journal.Writes() - before);
    return seconds;
}

double RepaintWhileScrolling(TmainDlg& window)
{
    TFileListView& tree = *window.fileList;
    QScrollBar* bar = tree.verticalScrollBar();
    constexpr int kPages = 200;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < kPages; ++i) {
        bar->setValue((bar->maximum() / kPages) * i);
        tree.viewport()->repaint();
    }
    return t.nsecsElapsed() / 1e6 / kPages;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", state.path().toUtf8());
    const auto launched = std::chrono::steady_clock::now();
    QApplication app(argc, argv);
    TmainDlg* window = StartUp();
    window->repaint();
    const double startUp = std::chrono::duration<double>(std::chrono::steady_clock::now() - launched).count();
    QApplication::processEvents();
    const long rssAfterStart = StatusKb("VmRSS:");
    std::printf("start-up to the main window shown: %.3f s (target <= 1.3 s, splash %u ms included)\n",
        startUp, kSplashMilliseconds);
    std::printf("resident memory after start: %.1f MB (target <= 80 MB)\n", rssAfterStart / 1024.0);

    QTemporaryDir dir;
    const std::string small = WriteList(dir.path(), 10000);
    const std::string large = WriteList(dir.path(), 100000);
    std::printf("import of 10,000 entries until painted: %.3f s (target <= 0.3 s)\n",
        ImportUntilPainted(*window, small));
    std::printf("import of 100,000 entries until painted: %.3f s (target <= 2 s)\n",
        ImportUntilPainted(*window, large));
    std::printf("import of 100,000 entries until painted and journaled: %.3f s (target <= 2 s)\n",
        ImportUntilJournaled(*window, large));
    std::printf("one full repaint of the list while scrolling, 100,000 rows: %.2f ms (target <= 5 ms)\n",
        RepaintWhileScrolling(*window));

    // Memory per row: heap growth of 100,000 rows in the window less that of their strings alone.
    window->fileList->List().Clear();
    QApplication::processEvents();
    std::vector<QString> strings;
    strings.reserve(100000);
    size_t before = HeapInUse();
    for (int i = 0; i < 100000; ++i)
        strings.push_back(RowPath(i));
    const QString folder("/home/someone/converted/");
    const double stringBytes = double(HeapInUse() - before) / 100000;
    strings.clear();
    strings.shrink_to_fit();
    before = HeapInUse();
    for (int i = 0; i < 100000; ++i)
        AppendFileRow(window->fileList->List(), RowPath(i), 0, folder); // the folder string is shared
    window->repaint();
    const double rowBytes = double(HeapInUse() - before) / 100000;
    std::printf(
        "memory per row in the window: %.0f bytes beyond the strings (target <= 400; %.0f with them)\n",
        rowBytes - stringBytes, rowBytes);
    window->close();
    QApplication::processEvents();
    return 0;
}
