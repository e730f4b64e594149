#pragma once
// The forms' building blocks come from the program itself (ui/formKit.h), so a control shown
// here is set up exactly as the program sets it up.
#include "desktop/formKit.h"

namespace gallery {
using namespace formkit;
} // namespace gallery
