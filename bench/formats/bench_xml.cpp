// Load and save speed and memory of the XML document model on list files of 1,000, 10,000 and
// 100,000 entries shaped like real ones, side by side with pugixml when it is available.
// Prints figures against the targets; it is not a test.
#include "bench/benchSupport.h"
#include "formats/SimpleXml.h"

#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#ifdef VIDMORPH_HAVE_PUGIXML
#include <pugixml.hpp>
#endif

namespace {

std::string RandomPath(std::mt19937& rng, bool folder)
{
    static const char* parts[]
        = { "home", "Videos", "Holiday 2026", "Anne & Bob's wedding", "caf\xC3\xA9 night",
              "Gr\xC3\xBC\xC3\x9F"
              "e",
              "raw footage", "camera-A", "2026-07-14", "misc" };
    std::string path;
    const int depth = 3 + static_cast<int>(rng() % 4);
    for (int i = 0; i < depth; ++i)
        path += "/" + std::string(parts[rng() % 10]);
    if (folder)
        return path + "/";
    return path + "/clip " + std::to_string(rng() % 100000) + (rng() % 2 ? ".avi" : ".mpg");
}

void BuildList(TSimpleXML& doc, int entries)
{
    std::mt19937 rng(42);
    doc.Prolog().DeclareEncoding("UTF-8");
    doc.RootElement().SetName("list");
    for (int i = 0; i < entries; ++i) {
        TSimpleXMLElemClassic* item = doc.RootElement().Children().AppendElement("item");
        item->Children().AppendElement("filename")->SetValue(RandomPath(rng, false));
        item->Children().AppendElement("format")->SetValue(std::to_string(rng() % 14));
        item->Children().AppendElement("path")->SetValue(rng() % 3 ? RandomPath(rng, true) : "");
    }
}

double BestSeconds(int runs, const std::function<void()>& f)
{
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        const double t0 = CpuSeconds();
        f();
        best = std::min(best, CpuSeconds() - t0);
    }
    return best;
}

// Peak resident memory added by loading the file, measured in a freshly started copy of this
// program (a forked child would inherit this process's heap and under-count).
long PeakLoadKb(const std::string& file)
{
    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0)
        return -1;
    const std::string command = std::string("'") + self + "' --peak '" + file + "'";
    FILE* child = popen(command.c_str(), "r");
    if (!child)
        return -1;
    long peak = -1;
    if (std::fscanf(child, "%ld", &peak) != 1)
        peak = -1;
    pclose(child);
    return peak;
}

int PeakMode(const char* file)
{
    const long before = StatusKb("VmRSS:");
    TSimpleXML doc;
    doc.LoadDocument(file);
    std::printf("%ld\n", StatusKb("VmHWM:") - before);
    return 0;
}

struct Figures {
    double mb = 0, load = 0, save = 0, pugiLoad = 0, pugiSave = 0;
    long peakKb = 0;
};

Figures Measure(int entries, const std::string& folder)
{
    Figures f;
    const std::string file = folder + "/list" + std::to_string(entries) + ".zfl";
    {
        TSimpleXML doc;
        BuildList(doc, entries);
        doc.SaveDocument(file);
    }
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    f.mb = static_cast<double>(in.tellg()) / 1e6;
    f.peakKb = PeakLoadKb(file); // before this process holds any loaded document
    // Ours and pugixml's alternate run by run, so both meet the same conditions on the machine.
    const int runs = entries >= 100000 ? 9 : 25;
    TSimpleXML loaded;
    loaded.LoadDocument(file);
#ifdef VIDMORPH_HAVE_PUGIXML
    pugi::xml_document pdoc;
    pdoc.load_file(file.c_str());
#endif
    f.load = f.save = f.pugiLoad = f.pugiSave = 1e9;
    for (int r = 0; r < runs; ++r) {
        f.load = std::min(f.load, BestSeconds(1, [&] {
            TSimpleXML doc;
            doc.LoadDocument(file);
        }));
        f.save = std::min(f.save, BestSeconds(1, [&] { loaded.SaveDocument(file + ".out"); }));
#ifdef VIDMORPH_HAVE_PUGIXML
        f.pugiLoad = std::min(f.pugiLoad, BestSeconds(1, [&] {
            pugi::xml_document doc;
            doc.load_file(file.c_str());
        }));
        f.pugiSave
            = std::min(f.pugiSave, BestSeconds(1, [&] { pdoc.save_file((file + ".pugi").c_str(), "  "); }));
#else
        f.pugiLoad = f.pugiSave = 0;
#endif
    }
    return f;
}

// A document nested `levels` deep (no list file is; the parser, writer and destructor must not
// care): load, save and destroy times.
void MeasureDepth(size_t levels)
{
    std::string text = "<list>";
    for (size_t i = 0; i < levels; ++i)
        text += "<a>";
    for (size_t i = 0; i < levels; ++i)
        text += "</a>";
    text += "</list>";
    auto doc = std::make_unique<TSimpleXML>();
    double t0 = CpuSeconds();
    doc->LoadFromBytes(text);
    const double load = CpuSeconds() - t0;
    t0 = CpuSeconds();
    const size_t saved = doc->SaveToBytes().size();
    const double save = CpuSeconds() - t0;
    t0 = CpuSeconds();
    doc.reset();
    const double destroy = CpuSeconds() - t0;
    std::printf(
        "\n%zu levels deep (%.1f MB): load %.0f ms, save %.0f ms (%.1f MB written), destroy %.0f ms\n",
        levels, text.size() / 1e6, load * 1e3, save * 1e3, saved / 1e6, destroy * 1e3);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--peak")
        return PeakMode(argv[2]);
    char folder[] = "/tmp/vidmorph-bench-xml-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    std::printf("Times are the best of several runs, in CPU time of the measuring thread.\n");
    std::printf("%-8s %8s %10s %10s %10s %10s %8s %8s %10s\n", "entries", "MB", "load ms", "load MB/s",
        "save ms", "save MB/s", "pugi/ld", "ours/pg", "peak x");
    Figures f10k, f100k;
    for (int entries : { 1000, 10000, 100000 }) {
        const Figures f = Measure(entries, folder);
        const double ratio = f.pugiLoad > 0 ? f.load / f.pugiLoad : 0;
        std::printf("%-8d %8.2f %10.2f %10.1f %10.2f %10.1f %8.2f %8.2f %10.2f\n", entries, f.mb,
            f.load * 1e3, f.mb / f.load, f.save * 1e3, f.mb / f.save, f.pugiLoad * 1e3, ratio,
            f.peakKb / 1e3 / f.mb);
        if (f.pugiSave > 0)
            std::printf("         pugixml save %.2f ms; save time ours/pugixml %.2f\n", f.pugiSave * 1e3,
                f.save / f.pugiSave);
        (entries == 10000 ? f10k : f100k) = f;
    }
    std::printf("\nTargets on the 100,000-entry file:\n");
    if (f100k.pugiLoad > 0)
        std::printf("  load time ours/pugixml  %.2f  (target <= 2.0)\n", f100k.load / f100k.pugiLoad);
    else
        std::printf("  load time ours/pugixml  n/a (built without pugixml)\n");
    std::printf("  save speed              %.0f MB/s  (target >= 150)\n", f100k.mb / f100k.save);
    std::printf("  load time 100k/10k      %.2f  (target <= 12)\n", f100k.load / f10k.load);
    std::printf("  peak memory / file size %.2f  (target <= 10)\n", f100k.peakKb / 1e3 / f100k.mb);
    MeasureDepth(1000000);
    std::system((std::string("rm -rf ") + folder).c_str());
    return 0;
}
