#pragma once
// The process-wide hook that shows an error message to the user. Called on the user-interface
// thread, possibly from inside a converter's end, so a reporter must return at once: it must not
// wait for the user or run an event loop of its own. A row's problem is not reported here: the
// job runner hands it over in the row's end. By default the message goes to standard error.
#include <functional>
#include <string>

using TErrorReporter = std::function<void(const std::string& message)>;

// An empty reporter restores the default.
void SetErrorReporter(TErrorReporter reporter);
void ReportError(const std::string& message);
