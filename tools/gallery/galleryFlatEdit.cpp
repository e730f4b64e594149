// TMyFlatEdit and TMyFlatComboBox with the dialogs' settings, in each of their looks.
#include "controls/FlatEditUnit.h"
#include "galleryBoard.h"
#include "galleryForms.h"
#include "galleryInput.h"
#include "galleryShots.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPainter>

using namespace gallery;

namespace {

// etDirectory: 393 x 28, read-only, white frame and face, Trebuchet MS 16 in 0x797993.
QImage Edit(const QString& text, const std::function<void(TMyFlatEdit*)>& state)
{
    auto* edit = new TMyFlatEdit;
    edit->resize(393, 28);
    edit->setReadOnly(true);
    edit->SetValueType(evDefault);
    edit->SetColorBorder(clWhite);
    edit->SetColorFlat(clWhite);
    SkinFont(edit, 16, kEntryText);
    edit->setText(text);
    return GrabInHost(edit, ToQColor(kWindow), 8, [edit, state](QWidget*) {
        if (state)
            state(edit);
    });
}

// An integer edit with the control's own default colours (none of the forms uses one).
QImage IntegerEdit(bool focus)
{
    auto* edit = new TMyFlatEdit;
    edit->resize(120, 24);
    edit->SetValueType(evtInteger);
    edit->setText("42");
    return GrabInHost(edit, ToQColor(kWindow), 8, [edit, focus](QWidget*) {
        if (focus)
            edit->setFocus();
    });
}

// profileBox: 425 x 30, drop-down list, window colour, arrow background clBtnFace, white border,
// Trebuchet MS 16 in 0x797993, item height 22.
QImage Combo(int index, const std::function<void(TMyFlatComboBox*)>& state, bool enabled = true)
{
    auto* combo = FormProfileCombo(nullptr, QRect(0, 0, 425, 30));
    combo->addItems(
        { "MPEG-4 video (mp4)", "Flash video (flv)", "AVI with MPEG-4 (avi)", "DVD MPEG-2 (vob)" });
    combo->setCurrentIndex(index);
    combo->setEnabled(enabled);
    return GrabInHost(combo, ToQColor(kWindow), 8, [combo, state](QWidget*) {
        if (state)
            state(combo);
    });
}

// The combo box dropped down: the control, and its list window underneath as it opens.
QImage DroppedDown()
{
    QImage popup;
    QImage combo = Combo(1, [&popup](TMyFlatComboBox* c) {
        c->showPopup();
        QApplication::processEvents();
        popup = c->view()->window()->grab().toImage();
        c->repaint();
    });
    QImage both(
        std::max(combo.width(), popup.width() + 8), combo.height() + popup.height(), QImage::Format_ARGB32);
    both.fill(ToQColor(kWindow));
    QPainter p(&both);
    p.drawImage(0, 0, combo);
    p.drawImage(8, combo.height() - 8, popup);
    return both;
}

QImage FlatEdits()
{
    TGalleryBoard board("TMyFlatEdit and TMyFlatComboBox", ToQColor(0xF4F0EE));
    board.NewRow("etDirectory (393 x 28, read-only, white)");
    board.Add("empty", Edit("", {}));
    board.Add("a chosen folder", Edit("/home/anna/Videos/converted/", {}));
    board.NewRow();
    board.Add("mouse over", Edit("/home/anna/Videos/converted/", [](TMyFlatEdit* e) { Enter(e); }));
    board.Add("focused", Edit("/home/anna/Videos/converted/", [](TMyFlatEdit* e) { e->setFocus(); }));
    board.NewRow("Integer edit, default colours: normal and focused");
    board.Add("evtInteger", IntegerEdit(false));
    board.Add("evtInteger, focused", IntegerEdit(true));
    board.NewRow("profileBox (425 x 30, drop-down list, item height 22)");
    board.Add("first profile", Combo(0, {}));
    board.Add("no profile (empty list or index -1)", Combo(-1, {}));
    board.NewRow();
    board.Add("focused", Combo(1, [](TMyFlatComboBox* c) { c->setFocus(); }));
    board.Add("mouse over", Combo(1, [](TMyFlatComboBox* c) { Enter(c); }));
    board.NewRow();
    board.Add("disabled", Combo(0, {}, false));
    board.Add("dropped down (item height 22)", DroppedDown());
    return board.Render();
}

const TGalleryShots::Entry shot { "TMyFlatEdit.png", FlatEdits };

} // namespace
