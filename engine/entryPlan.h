#pragma once
// One list entry turned into what the converter is given: the checks that its source and output
// folder are on this machine, the profile's arguments and extension, the output path made unique
// and the command line. The job runner and the dry run both plan through here, so a dry run
// prints the very command the conversion runs.
#include "engine/encodingOverrides.h"
#include "engine/fileList.h"
#include "engine/sourceProbe.h"
#include "formats/profileList.h"

#include <atomic>
#include <set>
#include <string>
#include <vector>

struct TEntryPlan {
    std::string source; // absolute
    std::string outputFolder; // absolute; may not exist yet
    std::string outputPath; // unique
    std::string params; // the profile's arguments, fitted to the source, plus what the plan adds
    std::string commandLine;
    // Two passes (a target size): the first pass's command line, run before commandLine; its
    // statistics go to the settings' passLogFolder. Empty: one run.
    std::string firstPassCommandLine;
    std::optional<double> expectedSeconds; // the output's length when the run trims the source
    TSourceInfo probed; // what ffprobe read of the source (nothing without ffprobe)
    std::vector<std::string> notes; // what fitting the profile to the source changed that the user should know
    // Why the entry cannot be converted ("Cannot convert ..."); everything above is then unset.
    std::string problem;
};

struct TPlanSettings {
    std::string converter;
    std::string globalOutputFolder; // for entries without an output folder
    std::string probe; // ffprobe (ProbePath()); empty: the source is not read and not fitted to
    bool withoutSubtitles = false; // after the container refused a subtitle stream
    // Output paths earlier entries of the same run will take (a dry run creates no files); the
    // plan adds its own. Null: only files on disk count.
    std::set<std::string>* taken = nullptr;
    const TEncodingOverrides* overrides = nullptr; // this run's choices over the profile's; null: none
    // A private folder for two-pass statistics, made by the caller (PassLogFolderPattern() as
    // it stands when nothing is to be created).
    std::string passLogFolder {};
    // Set (from any thread) to end the source's reading early; the plan is then of no use.
    const std::atomic<bool>* cancel = nullptr;
    // The source as ffprobe read it beforehand (TSourcePrefetch); null: the plan reads it.
    const TSourceInfo* probed = nullptr;
};

// What a plan takes from the entry's profile, read where the profiles are kept (planning itself
// may run on another thread): its extension and arguments, or why there is no such profile.
struct TPlanProfile {
    std::string ext;
    std::string params;
    std::string problem;
};
TPlanProfile ReadPlanProfile(const TItemData& item, const TProfileList& profiles);

// mkdtemp's pattern for a two-pass entry's private statistics folder, in TMPDIR or /tmp.
std::string PassLogFolderPattern();

TEntryPlan PlanEntry(const TItemData& item, const TProfileList& profiles, const TPlanSettings& settings);
TEntryPlan PlanEntry(const TItemData& item, const TPlanProfile& profile, const TPlanSettings& settings);
// The entry's source as its plan names it (TEntryPlan::source): the file name made absolute.
std::string SourcePath(const TItemData& item);

// The converter's command line for one entry. source and output must be absolute paths: the
// converter gets them as local files only, and its input may open local files only.
std::string ConverterCommandLine(const std::string& converter, const std::string& source,
    const std::string& params, const std::string& output);

// The path itself while no file of that name exists (and taken does not hold it); otherwise "_2"
// goes before the extension (the text from the last '.' after the last '/'), again and again:
// movie.flv, movie_2.flv, movie_2_2.flv, ... Folders never count as taken. Nothing is created.
std::string UniqueOutputPath(const std::string& path, const std::set<std::string>* taken = nullptr);

// What every output path UniqueOutputPath may make for the entry shares (folder, name without
// its "_2" suffixes, extension): entries with the same key could take each other's names.
// Raises EProfileError for an index that names no profile.
std::string OutputNameKey(const TItemData& item, const TProfileList& profiles, const std::string& globalOutputFolder);
