#pragma once
// The form the Add Files dialog and the item properties dialog share: file list, profile choice,
// read-only output folder with its folder button, information box, OK and Cancel. Created for one
// use, shown modally, read through the OK flag (set only by OK; Escape and the close box cancel).
#include <QDialog>
#include <QStringList>

#include <string>
#include <vector>

class QLabel;
class QPlainTextEdit;
class QToolButton;
class TLinePanel;
class TMyButtonEx;
class TMyFlatComboBox;
class TMyFlatEdit;
class TMyListBox;

class TFileDialogForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 442;
    static constexpr int kClientHeight = 547;

    // formatNames: the profile names, in profile-file order (item i is profile index i).
    TFileDialogForm(
        const QString& caption, const std::vector<std::string>& formatNames, QWidget* parent = nullptr);

    QLabel* lbInformation;
    QLabel* lbSavePath;
    QToolButton* btDirectory;
    TLinePanel* infoPanel;
    QPlainTextEdit* infoBox;
    TLinePanel* fileListPanel;
    TMyListBox* fileListBox;
    TMyButtonEx* btnOk;
    TMyButtonEx* btnCancel;
    TMyFlatEdit* etDirectory;
    TMyFlatComboBox* profileBox;

    bool OkFlag() const { return ok_; }
    // The chosen profile index (-1: none) and output folder (empty: the global one).
    int ProfileIndex() const;
    QString Folder() const;

    // The information box's lines, replaced as a whole.
    void SetInfoLines(const QStringList& lines);
    const QStringList& InfoLines() const { return infoLines_; }
    void SetInfoLine(int index, const QString& text);

    virtual void btnOkClick();
    void btnCancelClick();
    // Runs the folder browser; true and the field set (with a trailing '/') when one was chosen.
    bool ChooseFolder();
    virtual void btDirectoryClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void InfoBoxEnter();

    bool ok_ = false;
    QStringList infoLines_;
};
