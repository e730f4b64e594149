#include "engine/entryPlan.h"

#include "engine/localPath.h"
#include "engine/profileFit.h"
#include "platform/fileSystem.h"
#include "platform/process.h"

#include <cstdlib>

namespace {

constexpr int kProbeTimeoutMs = 30000;

TEntryPlan Refused(const std::string& problem)
{
    TEntryPlan plan;
    plan.problem = problem;
    return plan;
}

// Why a source or output folder names nothing on this machine; empty when it may.
std::string NotLocal(const std::string& source, const std::string& folder)
{
    const std::string cannot = "Cannot convert \"" + source + "\": ";
    if (IsProtocolName(source))
        return cannot + "it is a URL, not a file on this computer.";
    if (platform::IsWindowsPath(source))
        return cannot
            + "it is a Windows path (the list was made on Windows); correct the entry to the file's path on this computer.";
    if (IsProtocolName(folder))
        return cannot + "the output folder \"" + folder + "\" is a URL, not a folder on this computer.";
    if (platform::IsWindowsPath(folder))
        return cannot + "the output folder \"" + folder
            + "\" is a Windows path (the list was made on Windows); correct it to a folder on this computer.";
    return {};
}

// movie_2_2 -> movie: the name every unique name made from it starts with.
std::string NameRoot(std::string stem)
{
    while (stem.size() > 2 && stem.compare(stem.size() - 2, 2, "_2") == 0)
        stem.resize(stem.size() - 2);
    return stem;
}

std::string OutputFolder(const TItemData& item, const std::string& globalOutputFolder)
{
    const std::string folder = platform::ToAnsi(item.OutputFolder);
    return AbsolutePath(folder.empty() ? globalOutputFolder : folder);
}

// The profile's arguments with the run's encoding overrides (the crop measured first).
TOverriddenArguments Overridden(
    const std::string& params, const TEntryPlan& plan, const TPlanSettings& settings)
{
    const TEncodingOverrides& overrides = *settings.overrides;
    std::string crop, problem;
    if (overrides.autoCrop)
        crop = DetectCrop(settings.converter, plan.source, plan.probed, problem, settings.cancel);
    if (!problem.empty()) {
        TOverriddenArguments refused;
        refused.problem = problem;
        return refused;
    }
    const std::string folder
        = settings.passLogFolder.empty() ? PassLogFolderPattern() : settings.passLogFolder;
    return ApplyOverrides(
        params, plan.source, plan.probed, overrides, crop, platform::JoinPath(folder, "pass"));
}

} // namespace

std::string PassLogFolderPattern()
{
    const char* temp = std::getenv("TMPDIR");
    return platform::JoinPath(temp && *temp == '/' ? temp : "/tmp", "vidmorph-passes-XXXXXX");
}

TPlanProfile ReadPlanProfile(const TItemData& item, const TProfileList& profiles)
{
    TPlanProfile profile;
    try {
        profile.ext = profiles.GetExt(item.ProfileIndex);
        profile.params = profiles.GetParams(item.ProfileIndex);
    } catch (const EProfileError& e) {
        profile.problem = e.what();
    }
    return profile;
}

std::string SourcePath(const TItemData& item)
{
    return AbsolutePath(platform::ToAnsi(item.FileName));
}

TEntryPlan PlanEntry(const TItemData& item, const TProfileList& profiles, const TPlanSettings& settings)
{
    return PlanEntry(item, ReadPlanProfile(item, profiles), settings);
}

TEntryPlan PlanEntry(const TItemData& item, const TPlanProfile& profile, const TPlanSettings& settings)
{
    const std::string source = platform::ToAnsi(item.FileName);
    const std::string folder = platform::ToAnsi(item.OutputFolder);
    if (IsProtocolName(source) || platform::IsWindowsPath(source))
        return Refused(NotLocal(source, folder)); // said before a profile problem
    if (!profile.problem.empty())
        return Refused("Cannot convert \"" + source + "\": " + profile.problem);
    const std::string& ext = profile.ext;
    std::string params = profile.params;
    if (std::string problem = NotLocal(source, folder); !problem.empty())
        return Refused(problem);
    TEntryPlan plan;
    plan.source = SourcePath(item);
    plan.outputFolder = OutputFolder(item, settings.globalOutputFolder);
    plan.probed = settings.probed ? *settings.probed
                                  : ProbeSource(settings.probe, plan.source, kProbeTimeoutMs, settings.cancel);
    if (platform::IsReadOnce(plan.source))
        plan.notes.push_back("the source is a pipe or device, which only the converter may read: the profile is used as written");
    params = FitToSource(params, ext, plan.probed, &plan.notes);
    std::string firstPass;
    if (settings.overrides && !settings.overrides->Empty()) {
        const TOverriddenArguments overridden = Overridden(params, plan, settings);
        if (!overridden.problem.empty())
            return Refused("Cannot convert \"" + source + "\": " + overridden.problem);
        params = overridden.params;
        firstPass = overridden.firstPass;
        plan.expectedSeconds = overridden.expectedSeconds;
    }
    plan.params = settings.withoutSubtitles ? params + " -sn" : params;
    const std::string name = platform::ChangeFileExt(platform::ExtractFileName(source), "." + ext);
    plan.outputPath = UniqueOutputPath(platform::JoinPath(plan.outputFolder, name), settings.taken);
    if (settings.taken)
        settings.taken->insert(plan.outputPath);
    plan.commandLine = ConverterCommandLine(settings.converter, plan.source, plan.params, plan.outputPath);
    if (!firstPass.empty()) // the null muxer opens no file
        plan.firstPassCommandLine
            = ConverterCommandLine(settings.converter, plan.source, firstPass, "/dev/null");
    return plan;
}

std::string ConverterCommandLine(const std::string& converter, const std::string& source,
    const std::string& params, const std::string& output)
{
    // Each quoted value is escaped so that it reaches the converter as exactly one argument,
    // whatever quotes, backslashes or other bytes it holds; params stay as the profile has them.
    // The input may open local files only, so a local playlist cannot reach the network either.
    return "\"" + platform::EscapeQuotedArgument(converter) + "\" -protocol_whitelist file -i \""
        + platform::EscapeQuotedArgument(LocalFileArgument(source)) + "\" " + params + " \""
        + platform::EscapeQuotedArgument(LocalFileArgument(output)) + "\"";
}

std::string UniqueOutputPath(const std::string& path, const std::set<std::string>* taken)
{
    const std::string ext = platform::ExtractFileExt(path);
    std::string result = path;
    while (platform::FileExists(result) || (taken && taken->count(result) > 0))
        result = platform::ChangeFileExt(result, "_2" + ext);
    return result;
}

std::string OutputNameKey(const TItemData& item, const TProfileList& profiles, const std::string& globalOutputFolder)
{
    const std::string name = platform::ExtractFileName(platform::ToAnsi(item.FileName));
    const std::string stem = name.substr(0, name.size() - platform::ExtractFileExt(name).size());
    return platform::JoinPath(OutputFolder(item, globalOutputFolder), NameRoot(stem)) + "."
        + profiles.GetExt(item.ProfileIndex);
}
