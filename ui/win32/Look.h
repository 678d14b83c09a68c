#pragma once
// The look that the skin manager's name selects: the internal skin "WEB2" paints
// panels and the gauge in its own light colours; any other name leaves the
// system's plain look.
#include <windows.h>

#include <string>

#include "ui/Layout.h"

namespace uiwin32 {

struct Look {
  bool skinned = false;
  COLORREF panelFill = 0;
  COLORREF panelBorder = 0;
  COLORREF gaugeFill = 0;
  COLORREF gaugeFrame = 0;
  COLORREF hoverFrame = 0;
};

Look LookFor(const std::string& skinName);

// A layout colour as the screen shows it; `fallback` for the view's default.
COLORREF Resolve(const ui::layout::Color& color, COLORREF fallback);

}  // namespace uiwin32
