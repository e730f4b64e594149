#include "desktop/fileDialogForm.h"

#include "controls/FlatEditUnit.h"
#include "controls/LinePanelUnit.h"
#include "controls/MyButtonEx.h"
#include "controls/MyListBox.h"
#include "desktop/browseFolder.h"
#include "desktop/dialogSeam.h"
#include "desktop/formKit.h"
#include "desktop/handlerGuard.h"
#include "platform/fileSystem.h"

#include <QEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QToolButton>

using namespace formkit;

namespace {

QPlainTextEdit* InfoBox(TLinePanel* panel)
{
    auto* memo = new QPlainTextEdit(panel);
    memo->setGeometry(panel->contentsRect());
    memo->setReadOnly(true);
    memo->setFrameShape(QFrame::NoFrame);
    memo->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere); // long paths wrap
    memo->viewport()->setCursor(Qt::ArrowCursor);
    QPalette pal = memo->palette();
    pal.setColor(QPalette::Base, Qt::black);
    pal.setColor(QPalette::Text, ToQColor(clLime));
    memo->setPalette(pal);
    QFont font(kSkinFamily);
    font.setPixelSize(16);
    memo->setFont(font);
    return memo;
}

} // namespace

TFileDialogForm::TFileDialogForm(
    const QString& caption, const std::vector<std::string>& formatNames, QWidget* parent)
    : QDialog(parent)
{
    InitSkinResources();
    setWindowTitle(caption);
    setWindowFlags(
        Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(kClientWidth, kClientHeight);
    SkinFont(this, 12, clWindowText);
    SetBackground(this, kWindow);

    lbInformation = FormLabel(this, QRect(8, 272, 0, 0), "Information", 16, kCaption, false);
    lbSavePath = FormLabel(
        this, QRect(8, 192, 0, 0), "save path (leave it blank to use global path)", 16, kCaption, false);
    btDirectory = new QToolButton(this); // a flat button with a 16 x 16 glyph
    btDirectory->setGeometry(410, 226, 24, 24);
    btDirectory->setAutoRaise(true);
    btDirectory->setIcon(QIcon(":/skin/folder.png"));
    btDirectory->setIconSize(QSize(16, 16));
    btDirectory->setToolTip("directory select");
    infoPanel = FormLinePanel(this, QRect(9, 304, 425, 177), clBlack, 5);
    infoBox = InfoBox(infoPanel);
    fileListPanel = FormLinePanel(this, QRect(9, 8, 425, 129), clWhite, 5);
    fileListBox = new TMyListBox(fileListPanel);
    fileListBox->setGeometry(fileListPanel->contentsRect());
    fileListBox->setFrameShape(QFrame::NoFrame);
    fileListBox->SetImageList(&FileIconList());
    fileListBox->SetImageIndex(0);
    SkinFont(fileListBox, 16, kEntryText);
    fileListBox->SetItemHeight(35);
    btnOk = FormPushButton(this, QRect(312, 496, 121, 41), "&OK");
    btnCancel = FormPushButton(this, QRect(184, 496, 121, 41), "&Cancel");
    etDirectory = new TMyFlatEdit(this);
    etDirectory->setGeometry(8, 224, 393, 28);
    etDirectory->setReadOnly(true);
    etDirectory->SetColorBorder(clWhite);
    etDirectory->SetColorFlat(clWhite);
    SkinFont(etDirectory, 16, kEntryText);
    // Where a blank field sends the files: the form's texts stay as they are, the hint names it.
    etDirectory->setToolTip("global path: " + platform::FromAnsi(platform::GlobalOutputFolder()));
    profileBox = FormProfileCombo(this, QRect(9, 152, 425, 30));

    // Tab order: the information box, the file list, OK, Cancel, the folder, the profile.
    setTabOrder(infoBox, fileListBox);
    setTabOrder(fileListBox, btnOk);
    setTabOrder(btnOk, btnCancel);
    setTabOrder(btnCancel, etDirectory);
    setTabOrder(etDirectory, profileBox);

    for (const std::string& name : formatNames)
        profileBox->addItem(QString::fromStdString(name));
    if (profileBox->count() > 0)
        profileBox->setCurrentIndex(0);

    // Each handler is a boundary: an error is shown, never thrown into Qt's event loop.
    btnOk->OnClick = [this](QObject*) { RunGuarded(this, [this] { btnOkClick(); }); };
    btnCancel->OnClick = [this](QObject*) { RunGuarded(this, [this] { btnCancelClick(); }); };
    connect(btDirectory, &QToolButton::clicked, this,
        [this] { RunGuarded(this, [this] { btDirectoryClick(); }); });
    infoBox->installEventFilter(this);
    // The form sees Escape before the focused control does.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] { RunGuarded(this, [this] { btnCancelClick(); }); });
}

int TFileDialogForm::ProfileIndex() const
{
    return profileBox->currentIndex();
}

QString TFileDialogForm::Folder() const
{
    return etDirectory->text();
}

void TFileDialogForm::SetInfoLines(const QStringList& lines)
{
    infoLines_ = lines;
    infoBox->setPlainText(lines.join('\n'));
}

void TFileDialogForm::SetInfoLine(int index, const QString& text)
{
    if (index < 0 || index >= infoLines_.size())
        return;
    infoLines_[index] = text;
    SetInfoLines(infoLines_);
}

void TFileDialogForm::btnOkClick()
{
    ok_ = true;
    close();
}

void TFileDialogForm::btnCancelClick()
{
    close();
}

bool TFileDialogForm::ChooseFolder()
{
    const QString folder = Dialogs().BrowseForFolder(this, "Save Directory", QString());
    if (folder.isEmpty())
        return false;
    etDirectory->setText(WithTrailingSlash(folder));
    return true;
}

void TFileDialogForm::btDirectoryClick()
{
    ChooseFolder();
}

void TFileDialogForm::InfoBoxEnter()
{
    btnOk->setFocus(Qt::OtherFocusReason);
}

bool TFileDialogForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == infoBox && event->type() == QEvent::FocusIn)
        InfoBoxEnter();
    return QDialog::eventFilter(watched, event);
}
