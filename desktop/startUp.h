#pragma once
// The program's start-up after the application object exists: title, fonts, the splash for at
// least a second, the main window created (its controller set up), the splash freed, the main
// window shown, and an unusable profile file reported. The caller then runs the event loop.
#include <cstdint>

class TmainDlg;

constexpr uint32_t kSplashMilliseconds = 1000;

// Returns the shown main window; it deletes itself when closed. Failures propagate, with the
// splash freed.
TmainDlg* StartUp();
// StartUp behind the handler boundary: an exception ends in a critical message box (and on
// standard error when no box can be shown) and nullptr, never in an abort.
TmainDlg* StartUpGuarded() noexcept;
