#pragma once
// The conversion profiles, read once from the profile file "command" beside the program.
// A profile is identified by its 0-based position among the root's children (the profile index).
#include "settings/SimpleXml.h"

#include <stdexcept>
#include <string>
#include <vector>

// An index that names no profile, or a profile without the element asked for.
class EProfileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TCommandManager {
public:
    // Loads the profile file beside the running program.
    TCommandManager();
    // Loads the given profile file (tests and tools).
    explicit TCommandManager(const std::string& profileFile);

    // Does nothing when the file does not exist; parse errors propagate.
    void LoadProfiles(const std::string& fileName);

    // Entry i is the format name of profile i (empty for a profile without one).
    const std::vector<std::string>& FormatNames() const { return formatNames_; }
    int ProfileCount() const { return static_cast<int>(formatNames_.size()); }
    bool IsProfile(int index) const { return index >= 0 && index < ProfileCount(); }

    // The profile's converter arguments and output extension, exactly as they stand in the
    // file. Raise EProfileError naming the index when there is no such profile or element.
    std::string GetParams(int index) const;
    std::string GetExt(int index) const;

    static std::string ProfileFilePath();

private:
    std::string ProfileValue(int index, const char* element) const;

    TSimpleXML document_;
    std::vector<std::string> formatNames_;
};
