#pragma once
// The image buttons' pictures: 112 x 101 tool buttons and 66 x 29 tabs, one picture per state.
#include "skinIcons.h"

#include <QImage>

namespace skin {

enum class ButtonState { bsNormal, bsOver, bsDown, bsDisabled };

// A glass tile with the tool's icon; hover lighter, pressed darker, disabled grey and faded.
QImage ToolButton(ToolIcon icon, ButtonState state);
// A tab with rounded top corners (disabled is not used and draws the normal tab).
QImage Tab(ButtonState state);

} // namespace skin
