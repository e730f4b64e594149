#include "ui/addForm.h"

#include "controls/FlatEditUnit.h"
#include "controls/MyListBox.h"
#include "ui/dialogSeam.h"
#include "ui/handlerGuard.h"
#include "ui/mainForm.h"

TaddDlg::TaddDlg(const std::vector<std::string>& formatNames, QWidget* parent)
    : TFileDialogForm("Add Files", formatNames, parent)
{
    // Connected after the form selected item 0, so that selection is not a change.
    connect(ComboBox1, &QComboBox::currentIndexChanged, this,
        [this] { RunGuarded(this, [this] { ComboBox1Change(); }); });
}

void TaddDlg::Fill(const QStringList& fileNames)
{
    MyListBox1->addItems(fileNames);
    SetInfoLines({ QString::asprintf("file count: %d", static_cast<int>(fileNames.size())), FormatLine(),
        SaveToLine(), "Ready to go...click OK", "Cancel the operation...click Cancel" });
}

QString TaddDlg::FormatLine() const
{
    return "format: " + ComboBox1->currentText();
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
    if (ComboBox1->count() > 0) {
        TFileDialogForm::btnOkClick();
        return;
    }
    const QString why = profileProblem_.isEmpty() ? QString() : " " + profileProblem_;
    Dialogs().ShowMessage(this, kApplicationTitle,
        "There are no conversion profiles, so these files cannot be added." + why
            + " Correct the profile file and start the program again.",
        QMessageBox::Critical);
}
