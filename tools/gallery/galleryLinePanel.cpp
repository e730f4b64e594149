// TLinePanel as the main window and the dialogs use it, and its own line and caption settings.
#include "controls/LinePanelUnit.h"
#include "galleryBoard.h"
#include "galleryInput.h"
#include "galleryShots.h"

using namespace gallery;

namespace {

constexpr TColor kSheet = 0xEEF0F4; // light, so the panel's lines show against it

QImage Panel(int w, int h, TColor color, int border, TLineBorders lines = {}, const QString& caption = {},
    TAlignment align = taCenter, bool enabled = true, TColor host = kWindow)
{
    auto* panel = new TLinePanel;
    panel->resize(w, h);
    panel->SetLineColor(kLine);
    panel->SetColor(color);
    panel->SetBorderWidth(border);
    panel->SetLineBorders(lines);
    panel->SetCaption(caption);
    panel->SetAlignment(align);
    SkinFont(panel, 12, kCaption, true);
    panel->setEnabled(enabled);
    return GrabInHost(panel, ToQColor(host));
}

QImage LinePanels()
{
    TGalleryBoard board("TLinePanel", ToQColor(0xF4F0EE));
    board.NewRow("Add Files and Item Property dialogs: fileListPanel (425 x 129, white, border 5), "
                 "infoPanel (425 x 177, black, border 5)");
    board.Add("fileListPanel", Panel(425, 129, clWhite, 5));
    board.Add("infoPanel", Panel(425, 177, clBlack, 5));
    board.NewRow("Lines and caption (185 x 41, line colour 0xE3B28D, colour 0xFFDBBF)");
    const TLineBorders all { lbTop, lbLeft, lbRight, lbBottom };
    board.Add("all lines, centred", Panel(185, 41, kPanel, 0, all, "Caption", taCenter, true, kSheet));
    board.Add("top and bottom, left",
        Panel(185, 41, kPanel, 0, { lbTop, lbBottom }, "Caption", taLeftJustify, true, kSheet));
    board.Add("left and right, right",
        Panel(185, 41, kPanel, 0, { lbLeft, lbRight }, "Caption", taRightJustify, true, kSheet));
    board.Add("disabled (embossed)", Panel(185, 41, kPanel, 0, all, "Caption", taCenter, false, kSheet));
    board.NewRow("Main window: listPanel (828 x 289, colour 0xFFDBBF) and the option page optionPage "
                 "(828 x 249, 0xEEEAE9)");
    board.Add("listPanel", Panel(828, 289, kPanel, 0));
    board.NewRow();
    board.Add("optionPage", Panel(828, 249, kList, 0));
    return board.Render();
}

const TGalleryShots::Entry shot { "TLinePanel.png", LinePanels };

} // namespace
