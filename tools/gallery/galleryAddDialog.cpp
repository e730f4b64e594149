// The program's Add Files dialog (the real form), as the user sees it once it is filled.
#include "galleryBoard.h"
#include "galleryInput.h"
#include "galleryShots.h"

#include "desktop/addForm.h"

using namespace gallery;

namespace {

QImage AddDialogShot()
{
    auto* form = new TaddDlg({ "MPEG-4 video (mp4)", "Flash video (flv)", "AVI with MPEG-4 (avi)" });
    form->Fill({ "/home/anna/Videos/holiday 2009/beach.mpg", "/home/anna/Videos/birthday.avi",
        "/home/anna/Videos/garden party.mov" });
    TGalleryBoard board("Add Files dialog (442 x 547), filled", ToQColor(0xF4F0EE));
    board.Add("addDlg", GrabInHost(form, ToQColor(kWindow), 0));
    return board.Render();
}

const TGalleryShots::Entry shot { "addDialog.png", AddDialogShot };

} // namespace
