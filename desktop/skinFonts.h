#pragma once
// The skin's font family, "Trebuchet MS", is not on Linux. InstallSkinFonts maps it onto the
// free humanist sans the install script provides, whose metrics let every caption fit its box.
#include <QString>

// Call once after the application object exists, before any window is made.
void InstallSkinFonts();
// The family the skin's name resolves to now.
QString SkinFontFamily();
