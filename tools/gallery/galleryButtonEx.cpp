// TMyButtonEx with the forms' colours: normal, pressed, focused, disabled, and with a glyph.
#include "controls/MyButtonEx.h"
#include "galleryBoard.h"
#include "galleryForms.h"
#include "galleryInput.h"
#include "galleryShots.h"

using namespace gallery;

namespace {

enum class State { stNormal, stPressed, stFocused, stFocusFrame, stDisabled };

QImage Push(const QString& caption, State state, bool glyph = false)
{
    TMyButtonEx* button = FormPushButton(nullptr, QRect(0, 0, 121, 41), caption);
    if (glyph)
        button->SetGlyph(TPngImage::FromFile(":/skin/folder.png"));
    if (state == State::stFocusFrame)
        button->SetDrawFocus(true);
    return GrabInHost(button, ToQColor(kWindow), 8, [button, state](QWidget*) {
        if (state == State::stPressed)
            Press(button, { 60, 20 });
        if (state == State::stFocused || state == State::stFocusFrame)
            button->setFocus();
        if (state == State::stDisabled)
            button->SetEnabled(false);
        button->repaint();
    });
}

// The control's own colours, as a form that sets none would show it.
QImage Plain(State state)
{
    auto* button = new TMyButtonEx;
    button->resize(121, 41);
    button->SetCaption("&Plain");
    return GrabInHost(button, ToQColor(kWindow), 8, [button, state](QWidget*) {
        if (state == State::stPressed)
            Press(button, { 60, 20 });
        button->repaint();
    });
}

QImage PushButtons()
{
    TGalleryBoard board("TMyButtonEx (121 x 41, the forms' colours)", ToQColor(0xF4F0EE));
    board.NewRow("btnImport and btnExport of the main window; btnOk and btnCancel of the dialogs");
    board.Add("Import", Push("&Import", State::stNormal));
    board.Add("Export, pressed", Push("&Export", State::stPressed));
    board.Add("OK, focused", Push("&OK", State::stFocused));
    board.Add("Cancel, disabled", Push("&Cancel", State::stDisabled));
    board.NewRow("With a 16 x 16 glyph (folder): normal, pressed, disabled (faded); focus frame drawn");
    board.Add("glyph", Push("&Browse", State::stNormal, true));
    board.Add("glyph, pressed", Push("&Browse", State::stPressed, true));
    board.Add("glyph, disabled", Push("&Browse", State::stDisabled, true));
    board.Add("DrawFocus, focused", Push("&OK", State::stFocusFrame));
    board.NewRow("The control's own default colours");
    board.Add("default", Plain(State::stNormal));
    board.Add("default, pressed", Plain(State::stPressed));
    return board.Render();
}

const TGalleryShots::Entry shot { "TMyButtonEx.png", PushButtons };

} // namespace
