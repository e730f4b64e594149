#pragma once
// The folder browser: a directory chooser over QFileDialog.
#include <QString>

class QWidget;

// Runs the folder dialog; returns the chosen folder, or empty text when cancelled.
QString RunFolderBrowser(QWidget* owner, const QString& title, const QString& initialFolder);

// A chosen folder as the dialogs keep it: with one trailing '/' (the root "/" stays as it is).
QString WithTrailingSlash(const QString& folder);
