// TImageButton with the main window's pictures: the four tool buttons and the list tab, each in
// every state, with the caption label that lies over it.
#include "controls/imagebutton.h"
#include "galleryBoard.h"
#include "galleryForms.h"
#include "galleryInput.h"
#include "galleryShots.h"

#include <QLabel>

using namespace gallery;

namespace {

enum class State { stNormal, stOver, stDown, stDisabled };

struct Tool {
    const char* pictures; // file name stem under :/skin/
    const char* caption;
    QPoint label; // caption position relative to the button
    QSize size;
    int fontHeight;
};

const Tool kTools[] = {
    { "add", "&Add", { 44, 80 }, { 112, 101 }, 13 },
    { "convert", "&Convert", { 32, 80 }, { 112, 101 }, 13 },
    { "stop", "&Stop", { 43, 80 }, { 112, 101 }, 13 },
    { "support", "S&upport", { 32, 80 }, { 112, 101 }, 13 },
};

// A host the size of the button holding the button and, on top, its caption label.
QImage Button(const Tool& tool, State state, TColor background, bool useDown = false)
{
    auto* host = new QWidget;
    host->resize(tool.size);
    TImageButton* button = FormImageButton(host, QRect(QPoint(0, 0), tool.size), tool.pictures);
    button->SetUseDown(useDown);
    auto* label = new QLabel(tool.caption, host);
    label->setTextFormat(Qt::PlainText);
    label->setText(QString(tool.caption).remove('&'));
    const bool enabled = state != State::stDisabled;
    SkinFont(label, tool.fontHeight, enabled ? kCaption : 0x8D8D8D, true);
    label->move(tool.label);
    label->adjustSize();
    return GrabInHost(host, ToQColor(background), 8, [button, state](QWidget*) {
        if (state == State::stOver)
            Enter(button);
        if (state == State::stDown) {
            Enter(button);
            Press(button, { 20, 20 });
        }
        if (state == State::stDisabled)
            button->SetEnabled(false);
        button->repaint();
    });
}

QImage ImageButtons()
{
    TGalleryBoard board(
        "TImageButton (tool buttons 112 x 101, UseDown false; tab 66 x 29)", ToQColor(0xF4F0EE));
    const std::pair<State, const char*> states[] = { { State::stNormal, "normal" },
        { State::stOver, "mouse over" }, { State::stDown, "pressed" }, { State::stDisabled, "disabled" } };
    for (const Tool& tool : kTools) {
        board.NewRow(QString(tool.caption).remove('&'));
        for (const auto& [state, name] : states)
            board.Add(name, Button(tool, state, kWindow));
    }
    const Tool tab { "tab", "List", { 24, 7 }, { 66, 29 }, 11 };
    board.NewRow(
        "btnList on listPanel (0xFFDBBF), and the pressed look with UseDown (2 pixels right and down)");
    for (int i = 0; i < 3; ++i)
        board.Add(states[i].second, Zoom(Button(tab, states[i].first, kPanel), 2));
    board.Add("pressed, UseDown", Zoom(Button(tab, State::stDown, kPanel, true), 2));
    board.Add("add, pressed, UseDown", Button(kTools[0], State::stDown, kWindow, true));
    return board.Render();
}

const TGalleryShots::Entry shot { "TImageButton.png", ImageButtons };

} // namespace
