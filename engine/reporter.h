#pragma once
// The process-wide hook that shows an error message to the user. The GUI installs one that shows
// a non-modal message box and returns when it is closed; by default the message goes to standard
// error. Called on the user-interface thread.
#include <functional>
#include <string>

using TErrorReporter = std::function<void(const std::string& message)>;

// An empty reporter restores the default.
void SetErrorReporter(TErrorReporter reporter);
void ReportError(const std::string& message);
