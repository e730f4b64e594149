#pragma once
// TaddDlg, the Add Files dialog: the chosen files, one profile and one output folder for all of
// them, and five information lines that sum the choice up.
#include "desktop/fileDialogForm.h"

class TaddDlg : public TFileDialogForm {
    Q_OBJECT
public:
    explicit TaddDlg(const std::vector<std::string>& formatNames, QWidget* parent = nullptr);

    // Puts the file names into the list and writes the five information lines.
    void Fill(const QStringList& fileNames);
    // Why there are no profiles (the profile file's load error), for OK's refusal.
    void SetProfileProblem(const QString& problem) { profileProblem_ = problem; }
    void ComboBox1Change();
    void btDirectoryClick() override;
    // Without a profile the files could never convert: OK then says why in a message box and
    // leaves the dialog open (only Cancel closes it).
    void btnOkClick() override;

private:
    QString FormatLine() const;
    QString SaveToLine() const;

    QString profileProblem_;
};
