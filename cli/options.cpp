#include "cli/options.h"

#include "cli/encodingOptions.h"
#include "platform/convert.h"
#include "platform/fileSystem.h"

#include <QDir>

#ifndef VIDMORPH_VERSION
#define VIDMORPH_VERSION "0.0"
#endif

namespace {

std::string Absolute(const QString& path)
{
    return platform::ToAnsi(QDir::cleanPath(QDir::current().absoluteFilePath(path)));
}

bool IsListFileName(const std::string& path)
{
    return QString::fromStdString(platform::ExtractFileExt(path)).compare(".zfl", Qt::CaseInsensitive) == 0;
}

// A whole number from first to last within [low, high]; false otherwise.
bool ReadNumber(const std::string& text, int low, int high, int& value)
{
    try {
        value = platform::StrToInt(text);
    } catch (const EConvertError&) {
        return false;
    }
    return value >= low && value <= high;
}

bool ReadShard(const std::string& text, TBatchOptions& options)
{
    const size_t slash = text.find('/');
    int k = 0, n = 0;
    if (slash == std::string::npos || !ReadNumber(text.substr(slash + 1), 1, 1000000, n)
        || !ReadNumber(text.substr(0, slash), 1, n, k))
        return false;
    options.shardIndex = k - 1;
    options.shardCount = n;
    return true;
}

// Without --profile the one input must be a list file; say what to do with anything else.
bool TakeListFile(TBatchOptions& options, std::FILE* err)
{
    const std::vector<std::string>& in = options.inputs;
    if (in.size() > 1 && IsListFileName(in[0]) && IsListFileName(in[1]))
        return BatchFail(err,
            "two list files given; convert one list at a time (vidmorph-batch " + in[0]
                + ", then vidmorph-batch " + in[1] + ")");
    if (in.size() != 1 || !options.outputFolder.empty() || !options.saveList.empty())
        return BatchFail(err, "--profile N is needed to convert files (see --profiles)");
    const std::string& only = in[0];
    if (platform::DirectoryExists(only))
        return BatchFail(err,
            only + " is a folder; to convert the videos in it give a profile: vidmorph-batch --profile N "
                + only + " (see --profiles)");
    if (platform::FileExists(only) && platform::FileSize(only) == 0)
        return BatchFail(err, "the list file " + only + " is empty; give a list file saved by Vidmorph");
    if (platform::FileExists(only) && !IsListFileName(only))
        return BatchFail(err,
            only + " is not a list file (.zfl); to convert it give a profile: vidmorph-batch --profile N "
                + only + " (see --profiles)");
    options.listFile = only;
    options.inputs.clear();
    return true;
}

bool CheckCombination(TBatchOptions& options, bool profileGiven, std::FILE* err)
{
    if (options.help || options.version || options.listProfiles)
        return true;
    if (options.quiet && options.verbose)
        return BatchFail(err, "--quiet and --verbose contradict each other; give one of them");
    if (!options.outputFolder.empty()
        && platform::FileExists(options.outputFolder.substr(0, options.outputFolder.size() - 1)))
        return BatchFail(err,
            "the output folder " + options.outputFolder.substr(0, options.outputFolder.size() - 1)
                + " is a file; give a folder to --output");
    if (const std::string problem = EncodingCombinationProblem(options.encoding); !problem.empty())
        return BatchFail(err, problem);
    if (!options.saveList.empty() && !options.encoding.Empty())
        return BatchFail(
            err, "a list file cannot hold the encoding options; convert with them instead of --save");
    if (options.inputs.empty())
        return BatchFail(err, "no files given (see --help)");
    if (!profileGiven)
        return TakeListFile(options, err);
    for (const std::string& input : options.inputs)
        if (IsListFileName(input) && platform::FileExists(input))
            return BatchFail(
                err, input + " is a list file; convert it without --profile: vidmorph-batch " + input);
    return true;
}

// --- Sharing one list among cores and scheduler tasks: -j auto, --expect-sha256 ---

// A SHA-256 checksum as 64 hex digits, kept in lower case (as sha256sum prints it).
bool ReadSha256(const std::string& text, std::string& sha256)
{
    if (text.size() != 64 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return false;
    sha256 = QString::fromStdString(text).toLower().toStdString();
    return true;
}

// Takes -j auto and --expect-sha256 (handled = true); false after printing a problem.
bool ReadSharingOption(
    const QString& a, const std::string& value, TBatchOptions& options, bool& handled, std::FILE* err)
{
    handled = false;
    if (a == "-j" || a == "--jobs") {
        options.jobsAuto = value == "auto"; // the last -j counts
        handled = options.jobsAuto;
    } else if (a == "--expect-sha256") {
        handled = true;
        if (!ReadSha256(value, options.expectSha256))
            return BatchFail(err,
                "--expect-sha256 needs the list file's SHA-256 as 64 hex digits (sha256sum LIST.zfl), not \""
                    + value + "\"");
    }
    return true;
}

bool CheckSharing(const TBatchOptions& options, std::FILE* err)
{
    if (!options.expectSha256.empty() && options.listFile.empty())
        return BatchFail(err,
            "--expect-sha256 checks a list file; give one (vidmorph-batch --expect-sha256 HEX LIST.zfl)");
    return true;
}

} // namespace

bool BatchFail(std::FILE* err, const std::string& message)
{
    std::fprintf(err, "vidmorph-batch: %s\n", message.c_str());
    return false;
}

bool ParseBatchArguments(const QStringList& arguments, TBatchOptions& options, std::FILE* err)
{
    bool profileGiven = false;
    for (int i = 0; i < arguments.size(); ++i) {
        QString a = arguments[i];
        QString inlineValue;
        bool hasInline = false;
        if (a.startsWith("--") && a.contains('=')) {
            inlineValue = a.mid(a.indexOf('=') + 1);
            a = a.left(a.indexOf('='));
            hasInline = true;
        }
        bool encodingValue = false;
        const bool encoding = IsEncodingOption(a, encodingValue);
        const bool takesValue = a == "--profile" || a == "--output" || a == "--save" || a == "-j"
            || a == "--jobs" || a == "--shard" || a == "--expect-sha256" || encodingValue;
        if (takesValue && !hasInline && (i + 1 >= arguments.size() || arguments[i + 1].isEmpty()))
            return BatchFail(err, platform::ToAnsi(a) + " needs a value (see --help)");
        const std::string value
            = takesValue ? platform::ToAnsi(hasInline ? inlineValue : arguments[++i]) : "";
        bool sharing = false;
        if (!ReadSharingOption(a, value, options, sharing, err))
            return false;
        if (sharing)
            continue;
        if (a == "--help" || a == "-h") {
            options.help = true;
        } else if (a == "--version") {
            options.version = true;
        } else if (a == "--profiles") {
            options.listProfiles = true;
        } else if (a == "--dry-run") {
            options.dryRun = true;
        } else if (a == "-q" || a == "--quiet") {
            options.quiet = true;
        } else if (a == "-v" || a == "--verbose") {
            options.verbose = true;
        } else if (a == "--json") {
            options.json = true;
        } else if (a == "-r" || a == "--recursive") {
            options.recursive = true;
        } else if (a == "--force") {
            options.force = true;
        } else if (a == "--profile") {
            if (!ReadNumber(value, 0, 1 << 30, options.profile))
                return BatchFail(
                    err, "--profile needs a profile index (a whole number), not \"" + value + "\"");
            profileGiven = true;
        } else if (a == "-j" || a == "--jobs") {
            if (!ReadNumber(value, 1, 64, options.jobs))
                return BatchFail(err, "--jobs needs a number from 1 to 64 or auto, not \"" + value + "\"");
        } else if (a == "--shard") {
            if (!ReadShard(value, options))
                return BatchFail(err, "--shard needs K/N with 1 <= K <= N (as 2/4), not \"" + value + "\"");
        } else if (a == "--output") {
            options.outputFolder = platform::JoinPath(Absolute(platform::FromAnsi(value)), "");
        } else if (a == "--save") {
            options.saveList = Absolute(platform::FromAnsi(value));
        } else if (encoding) {
            if (std::string problem; !ReadEncodingOption(a, value, options.encoding, problem))
                return BatchFail(err, problem);
        } else if (a == "--") {
            for (++i; i < arguments.size(); ++i)
                options.inputs.push_back(Absolute(arguments[i]));
        } else if (a.startsWith("-") && a.size() > 1) {
            return BatchFail(err, "unknown option " + platform::ToAnsi(arguments[i]) + " (see --help)");
        } else {
            options.inputs.push_back(Absolute(a));
        }
    }
    return CheckCombination(options, profileGiven, err) && CheckSharing(options, err);
}

void PrintBatchUsage(std::FILE* out)
{
    std::fputs("Usage:\n"
               "  vidmorph-batch [OPTIONS] LIST.zfl\n"
               "      convert every entry of a list file\n"
               "  vidmorph-batch --profile N [--output DIR] [OPTIONS] FILE|FOLDER...\n"
               "      convert files (a folder adds its video files) with profile N, into DIR or the\n"
               "      default output folder (named in the summary line)\n"
               "  vidmorph-batch --profile N [--output DIR] --save LIST.zfl [--force] FILE|FOLDER...\n"
               "      write the files as a list file instead of converting them\n"
               "  vidmorph-batch --profiles | --help | --version\n"
               "\n"
               "Options:\n"
               "  -j, --jobs N     run N conversions at once (default 1)\n"
               "  -j auto          as many as suit this machine: one per usable core when every\n"
               "                   profile only copies or makes audio, one per 8 cores when one\n"
               "                   encodes video\n"
               "  --shard K/N      convert only the K-th of N disjoint slices of the entries\n"
               "                   (N machines or scheduler tasks sharing one list file)\n"
               "  --expect-sha256 HEX\n"
               "                   refuse the list file (status 2) unless its SHA-256 is HEX, as\n"
               "                   sha256sum prints it: every task then slices the same list\n"
               "  --dry-run        print each converter command line; create nothing\n"
               "  -r, --recursive  folders given as input include their subfolders\n"
               "  -q, --quiet      print only failures and problems\n"
               "  -v, --verbose    print the converter's own lines too\n"
               "  --json           one JSON object per finished entry on standard output\n"
               "                   (source, output, status, exit_code, seconds; list_sha256 for a list)\n"
               "  --force          let --save replace an existing list file\n"
               "\n"
               "Encoding options (this run only, over every entry's profile; --dry-run shows them):\n"
               "  --quality Q        0 (smallest file) to 100 (best picture), spread over the\n"
               "                     encoder's own scale: libx264/libx265 CRF 51..0, libvpx-vp9/\n"
               "                     libsvtav1 CRF 63..0, mpeg4 -q:v 31..1; audio-only profiles:\n"
               "                     aac/libmp3lame 64..320k, libopus 32..256k\n"
               "  --video-bitrate R  video bit rate (as 2500k or 2.5M) instead of the profile's quality\n"
               "  --size MB          two passes to end near MB (1024*1024 bytes) in all: the video gets\n"
               "                     what the audio leaves (libx264, libx265, libvpx-vp9)\n"
               "  --audio-lang L,..  keep only audio tracks in these ISO 639-2 languages (eng,deu)\n"
               "  --subtitle-lang L  keep only subtitle tracks in these languages\n"
               "  --burn-subtitles   draw the first (matching) subtitle track into the picture;\n"
               "                     the output then has no subtitle track\n"
               "  --start T, --end T convert only this stretch (seconds, mm:ss or hh:mm:ss[.ms])\n"
               "  --max-height N     shrink so the shorter side (a portrait video's width) is at\n"
               "                     most N pixels, keeping the aspect ratio, sides even\n"
               "  --crop auto        cut off black bars, measured on 3 s from a quarter of the way in\n"
               "An option the profile cannot take (--quality on a copy profile) is refused.\n"
               "\n"
               "Existing files are never overwritten: a taken output name gets \"_2\" before its extension.\n"
               "The converter is the ffmpeg beside the program, else the one on PATH.\n"
               "\n"
               "Exit status:\n"
               "  0    every entry converted (or, for --save and --dry-run, done)\n"
               "  1    some entry failed (--dry-run: would fail), or an input file was missing\n"
               "  2    bad input: nothing was converted\n"
               "  130  interrupted (Ctrl-C or SIGTERM): the running converters were stopped\n",
        out);
}

void PrintBatchVersion(std::FILE* out)
{
    std::fprintf(out, "vidmorph-batch %s\n", VIDMORPH_VERSION);
}
