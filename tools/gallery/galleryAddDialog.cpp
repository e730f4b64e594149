// The Add Files dialog put together from the skinned controls at the form's positions, as the
// user sees it once it is filled.
#include "controls/FlatEditUnit.h"
#include "controls/LinePanelUnit.h"
#include "controls/MyListBox.h"
#include "galleryBoard.h"
#include "galleryForms.h"
#include "galleryInput.h"
#include "galleryShots.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QToolButton>

using namespace gallery;

namespace {

QLabel* Label(QWidget* form, int x, int y, const QString& text)
{
    return FormLabel(form, QRect(x, y, 0, 0), text, 16, kCaption, false);
}

QWidget* AddDialog()
{
    auto* form = new QWidget;
    form->resize(442, 547);
    Label(form, 8, 272, "Information");
    Label(form, 8, 192, "save path (leave it blank to use global path)");
    auto* directory = new QToolButton(form); // the form's TPngSpeedButton: flat, 16 x 16 glyph
    directory->setGeometry(410, 226, 24, 24);
    directory->setAutoRaise(true);
    directory->setIcon(QIcon(":/skin/folder.png"));
    directory->setIconSize(QSize(16, 16));
    TLinePanel* info = FormLinePanel(form, QRect(9, 304, 425, 177), clBlack, 5);
    auto* memo = new QPlainTextEdit(info);
    memo->setGeometry(info->contentsRect());
    memo->setReadOnly(true);
    memo->setFrameShape(QFrame::NoFrame);
    QPalette pal = memo->palette();
    pal.setColor(QPalette::Base, Qt::black);
    pal.setColor(QPalette::Text, ToQColor(clLime));
    memo->setPalette(pal);
    QFont memoFont("Trebuchet MS");
    memoFont.setPixelSize(16);
    memo->setFont(memoFont);
    memo->setPlainText("file count: 3\nformat: MPEG-4 video (mp4)\nsave to: use global path\n"
                       "Ready to go...click OK\nCancel the operation...click Cancel");
    TLinePanel* files = FormLinePanel(form, QRect(9, 8, 425, 129), clWhite, 5);
    auto* list = new TMyListBox(files);
    list->setGeometry(files->contentsRect());
    list->setFrameShape(QFrame::NoFrame);
    list->SetImageList(&FileIconList());
    list->SetItemHeight(35);
    SkinFont(list, 16, kEntryText);
    list->addItems({ "/home/anna/Videos/holiday 2009/beach.mpg", "/home/anna/Videos/birthday.avi",
        "/home/anna/Videos/garden party.mov" });
    FormPushButton(form, QRect(312, 496, 121, 41), "&OK");
    FormPushButton(form, QRect(184, 496, 121, 41), "&Cancel");
    auto* folder = new TMyFlatEdit(form);
    folder->setGeometry(8, 224, 393, 28);
    folder->setReadOnly(true);
    folder->SetColorBorder(clWhite);
    folder->SetColorFlat(clWhite);
    SkinFont(folder, 16, kEntryText);
    auto* combo = FormProfileCombo(form, QRect(9, 152, 425, 30));
    combo->addItems({ "MPEG-4 video (mp4)", "Flash video (flv)", "AVI with MPEG-4 (avi)" });
    combo->setCurrentIndex(0);
    return form;
}

QImage AddDialogShot()
{
    QWidget* form = AddDialog();
    GalleryBoard board("Add Files dialog (442 x 547), filled", ToQColor(0xF4F0EE));
    board.Add("addDlg", GrabInHost(form, ToQColor(kWindow), 0));
    return board.Render();
}

const GalleryShots::Entry shot { "addDialog.png", AddDialogShot };

} // namespace
