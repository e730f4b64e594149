// The list's journal (engine/listJournal): how many journal files a batch of 1,000 no-op rows
// writes (the converter is a stand-in that exits at once, /bin/true, so each row is the source's
// probe, one process start and a failed output check, and the rows' ends drive the journal), and how long one write
// of 10,000 and of 100,000 rows takes.
#include "bench/benchSupport.h"

#include "engine/jobRunner.h"
#include "engine/listJournal.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

void Fill(TFileList& list, int rows, const QString& source = {}, const QString& out = "/home/someone/converted/")
{
    for (int i = 0; i < rows; ++i)
        AppendFileRow(list,
            source.isEmpty() ? QString("/home/someone/Videos/holiday %1/clip number %2.mpg").arg(i / 100).arg(i)
                             : source,
            0, out);
}

// One write of `rows` rows: the journal's first write after an import, in ms.
double WriteMs(const std::string& folder, int rows)
{
    TFileList list;
    TListJournal journal(list, folder);
    Fill(list, rows);
    QElapsedTimer t;
    t.start();
    journal.Flush();
    return t.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir state;
    const std::string folder = state.path().toStdString() + "/vidmorph/";

    TFileList list;
    TProfileList profiles(std::string(VIDMORPH_APP_DIR) + "/command");
    TJobRunner runner(list, profiles);
    const QString base = state.path() + "/";
    symlink("/bin/true", (base + "ffmpeg").toLocal8Bit().constData());
    std::fclose(std::fopen((base + "clip.mpg").toLocal8Bit().constData(), "w"));
    runner.SetProgramFolder(base.toStdString());
    // "off": the same batch without a journal, for comparison.
    const bool off = argc > 1 && std::string(argv[1]) == "off";
    TListJournal journal(list, off ? std::string() : folder);
    journal.ConvertingOutput = [&runner] { return runner.OwnOutput(); };
    runner.OnOwnOutput = [&journal] { journal.Changed(); };
    constexpr int kRows = 1000;
    Fill(list, kRows, base + "clip.mpg", base + "out/");
    journal.Flush();
    const int before = journal.Writes();
    bool finished = false;
    runner.OnFinish = [&finished](QObject*, bool) { finished = true; };
    QElapsedTimer t;
    t.start();
    runner.Start();
    while (!finished)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double seconds = t.nsecsElapsed() / 1e9;
    journal.Flush();
    const int writes = journal.Writes() - before;
    std::printf("%s", off ? "without a journal: " : "");
    std::printf("batch of %d no-op rows: %.2f s, %d journal writes, %.1f writes/s "
                "(target: a few per second)\n",
        kRows, seconds, writes, writes / std::max(seconds, 1e-9));
    std::printf("one journal write of 10,000 rows: %.1f ms\n", WriteMs(folder, 10000));
    std::printf("one journal write of 100,000 rows: %.1f ms\n", WriteMs(folder, 100000));
    return 0;
}
