#include "desktop/itemForm.h"

#include "controls/FlatEditUnit.h"
#include "controls/MyListBox.h"

#include <QFileInfo>

TItemDlg::TItemDlg(const std::vector<std::string>& formatNames, QWidget* parent)
    : TFileDialogForm("Item Property", formatNames, parent)
{
}

void TItemDlg::Fill(const QString& fileName, int profileIndex, const QString& folder, int64_t fileSize)
{
    fileListBox->addItem(fileName);
    profileBox->setCurrentIndex(profileIndex >= 0 && profileIndex < profileBox->count() ? profileIndex : -1);
    etDirectory->setText(folder);
    SetInfoLines({ "file name: " + QFileInfo(fileName).fileName(),
        QString::asprintf("file size: %lld Bytes", static_cast<long long>(fileSize)) });
}
