#pragma once
// The layout is given in pixels at 96 pixels per inch; the windows are drawn at
// the system's DPI (the program is DPI-aware), so every place and size is scaled.
#include <windows.h>

#include "ui/Layout.h"

namespace uiwin32 {

// Left, top, width, height: the placement rules' rectangle.
using Box = ui::Rect;
inline Box FromRect(const RECT& r) { return {r.left, r.top, r.right - r.left, r.bottom - r.top}; }

class Dpi {
 public:
  explicit Dpi(int dpi = 96) : dpi_(dpi > 0 ? dpi : 96) {}
  // The system's DPI (the screen's logical pixels per inch).
  static Dpi System() {
    const HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return Dpi(dpi);
  }

  int value() const { return dpi_; }
  int Scale(int px) const { return ui::layout::ScaleToDpi(px, dpi_); }
  Box Scale(const Box& b) const { return ui::layout::ScaleToDpi(b, dpi_); }

 private:
  int dpi_;
};

}  // namespace uiwin32
