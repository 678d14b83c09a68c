#pragma once
// The colours of the layout and of the skin's palette (ui/Palette.h) as the
// screen shows them.
#include <windows.h>

#include "ui/Layout.h"

namespace uiwin32 {

// A layout colour as the screen shows it; `fallback` for the view's default.
COLORREF Resolve(const ui::layout::Color& color, COLORREF fallback = 0);

}  // namespace uiwin32
