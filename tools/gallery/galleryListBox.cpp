// TMyListBox as the Add Files and Item Property dialogs show it: inside fileListPanel, the video
// file icon before every name.
#include "controls/LinePanelUnit.h"
#include "controls/MyListBox.h"
#include "galleryBoard.h"
#include "galleryForms.h"
#include "galleryInput.h"
#include "galleryShots.h"

#include <QLayout>

using namespace gallery;

namespace {

// fileListPanel of the dialog with fileListBox filling it inside the border; select -1 for none.
QImage ListInPanel(const QStringList& files, int select, bool focus)
{
    TLinePanel* panel = FormLinePanel(nullptr, QRect(0, 0, 425, 129), clWhite, 5);
    auto* box = new TMyListBox(panel);
    box->setGeometry(panel->contentsRect());
    box->setFrameShape(QFrame::NoFrame);
    box->SetImageList(&FileIconList());
    box->SetImageIndex(0);
    box->SetItemHeight(35);
    SkinFont(box, 16, kEntryText);
    box->addItems(files);
    return GrabInHost(panel, ToQColor(kWindow), 8, [box, select, focus](QWidget*) {
        if (select >= 0)
            box->setCurrentRow(select);
        else
            box->setCurrentRow(-1);
        if (focus)
            box->setFocus();
    });
}

QImage ListBoxes()
{
    const QStringList three { "/home/anna/Videos/holiday 2009/beach.mpg", "/home/anna/Videos/birthday.avi",
        "/home/anna/Videos/garden party.mov" };
    TGalleryBoard board("TMyListBox (item height 35, Trebuchet MS 16, 0x797993, in fileListPanel 425 x 129)",
        ToQColor(0xF4F0EE));
    board.NewRow("Add Files dialog");
    board.Add("three files, none selected", ListInPanel(three, -1, false));
    board.Add("second selected, focused", ListInPanel(three, 1, true));
    board.NewRow("Item Property dialog, and names wider than the box");
    board.Add("one file", ListInPanel({ three[0] }, -1, false));
    board.Add("long names, first selected",
        ListInPanel({ "/home/anna/Videos/a rather long folder name/and a long file name for a video.mpeg",
                        "/media/usb/DCIM/100CANON/MVI_0042.MOV" },
            0, true));
    return board.Render();
}

const TGalleryShots::Entry shot { "TMyListBox.png", ListBoxes };

} // namespace
