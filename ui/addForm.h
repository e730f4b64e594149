#pragma once
// TaddDlg, the Add Files dialog: the chosen files, one profile and one output folder for all of
// them, and five information lines that sum the choice up.
#include "ui/fileDialogForm.h"

class TaddDlg : public TFileDialogForm {
    Q_OBJECT
public:
    explicit TaddDlg(const std::vector<std::string>& formatNames, QWidget* parent = nullptr);

    // Puts the file names into the list and writes the five information lines.
    void Fill(const QStringList& fileNames);
    void ComboBox1Change();
    void btDirectoryClick() override;

private:
    QString FormatLine() const;
    QString SaveToLine() const;
};
