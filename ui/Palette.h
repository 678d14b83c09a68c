#pragma once
// The colours the skin manager's name selects, for both faces: the internal
// skin "WEB2" paints panels, the gauge and the picture buttons' hover frame in
// its own light colours; any other name leaves the system's plain look.
#include <string>

#include "forms/Gauge.h"
#include "ui/Layout.h"

namespace ui {

struct Palette {
  bool skinned = false;
  layout::Color panelFill;
  layout::Color panelBorder;
  layout::Color gaugeFill;
  layout::Color gaugeFrame;
  layout::Color hoverFrame;
};

Palette PaletteFor(const std::string& skinName);

// What the percentage gauge shows: a frame around the empty part, a bar in
// proportion to Progress from the left of the part inside the frame, and the
// gauge's text centred, black on the empty part and white over the bar. A
// disabled gauge greys its bar and its text.
struct GaugeDrawing {
  int barWidth = 0;  // of the part inside the frame, `innerWidth` wide
  layout::Color frame;
  layout::Color fill;
  layout::Color bar;
  layout::Color textOnEmpty;
  layout::Color textOnBar;
};

GaugeDrawing DrawGauge(const forms::TGauge& gauge, int innerWidth, const layout::Color& bar, const Palette& palette);

}  // namespace ui
