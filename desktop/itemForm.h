#pragma once
// TItemDlg, the item properties dialog: one entry's file, size, profile and output folder.
#include "desktop/fileDialogForm.h"

class TItemDlg : public TFileDialogForm {
    Q_OBJECT
public:
    explicit TItemDlg(const std::vector<std::string>& formatNames, QWidget* parent = nullptr);

    // Shows one entry: its path in the list, its profile selected (none when the index names no
    // profile), its folder, and the lines "file name: %s" and "file size: %d Bytes".
    void Fill(const QString& fileName, int profileIndex, const QString& folder, int64_t fileSize);
};
