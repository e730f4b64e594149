#include "desktop/addForm.h"

#include "controls/FlatEditUnit.h"
#include "controls/MyListBox.h"
#include "desktop/dialogSeam.h"
#include "desktop/handlerGuard.h"
#include "desktop/mainForm.h"

TaddDlg::TaddDlg(const std::vector<std::string>& formatNames, QWidget* parent)
    : TFileDialogForm("Add Files", formatNames, parent)
{
    // Connected after the form selected item 0, so that selection is not a change.
    connect(profileBox, &QComboBox::currentIndexChanged, this,
        [this] { RunGuarded(this, [this] { ComboBox1Change(); }); });
}

void TaddDlg::Fill(const QStringList& fileNames)
{
    fileListBox->addItems(fileNames);
    SetInfoLines({ QString::asprintf("file count: %d", static_cast<int>(fileNames.size())), FormatLine(),
        SaveToLine(), "Ready to go...click OK", "Cancel the operation...click Cancel" });
}

QString TaddDlg::FormatLine() const
{
    return "format: " + profileBox->currentText();
}

QString TaddDlg::SaveToLine() const
{
    const QString folder = etDirectory->text();
    return "save to: " + (folder.isEmpty() ? QString("use global path") : folder);
}

void TaddDlg::ComboBox1Change()
{
    SetInfoLine(1, FormatLine());
}

void TaddDlg::btDirectoryClick()
{
    // A cancelled browser keeps a folder chosen before, and the line keeps naming it, so what
    // the dialog says is what OK will use.
    ChooseFolder();
    SetInfoLine(2, SaveToLine());
}

void TaddDlg::btnOkClick()
{
    if (profileBox->count() > 0) {
        TFileDialogForm::btnOkClick();
        return;
    }
    const QString why = profileProblem_.isEmpty() ? QString() : " " + profileProblem_;
    Dialogs().ShowMessage(this, kApplicationTitle,
        "There are no conversion profiles, so these files cannot be added." + why
            + " Correct the profile file and start the program again.",
        QMessageBox::Critical);
}
