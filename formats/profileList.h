#pragma once
// The conversion profiles, read once from the profile file "command" beside the program.
// A profile is identified by its 0-based position among the root's children (the profile index).
// Users edit that file, so a broken one is a normal event: loading never throws; a file that
// cannot be used gives no profiles at all (an index never shifts to another profile) and one
// error text, LoadError().
#include "formats/SimpleXml.h"

#include <stdexcept>
#include <string>
#include <vector>

// An index that names no profile, or a profile without the element asked for.
class EProfileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TProfileList {
public:
    // Loads the profile file beside the running program.
    TProfileList();
    // Loads the given profile file (tests and tools).
    explicit TProfileList(const std::string& profileFile);

    // Replaces the profiles by the file's. Every root child must be a profile element with
    // "format", "params" and a non-empty "ext"; otherwise, and when the file is missing,
    // unreadable, malformed or holds no profile, there are no profiles and LoadError() says why.
    void LoadProfiles(const std::string& fileName);
    // Empty after a usable file; else one line naming the file and the reason, with the line and
    // column of malformed XML.
    const std::string& LoadError() const { return loadError_; }

    // Entry i is the format name of profile i.
    const std::vector<std::string>& FormatNames() const { return formatNames_; }
    int ProfileCount() const { return static_cast<int>(formatNames_.size()); }
    bool IsProfile(int index) const { return index >= 0 && index < ProfileCount(); }

    // The profile's converter arguments and output extension, exactly as they stand in the
    // file. Raise EProfileError naming the index when there is no such profile (and why there
    // are none, when the file could not be used).
    std::string GetParams(int index) const;
    std::string GetExt(int index) const;

    static std::string ProfileFilePath();

private:
    // The reason the file cannot be used, or empty when its profiles were taken.
    std::string ReadProfiles(const std::string& fileName);
    std::string TakeProfiles();
    std::string ProfileValue(int index, const char* element) const;

    TSimpleXML document_;
    std::vector<std::string> formatNames_;
    std::string loadError_;
};
