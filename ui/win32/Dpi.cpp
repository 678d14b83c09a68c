#include "ui/win32/Dpi.h"

namespace uiwin32 {

Dpi Dpi::System() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  return Dpi(dpi);
}

Box Dpi::Scale(const Box& b) const {
  const int left = Scale(b.left);
  const int top = Scale(b.top);
  return {left, top, Scale(b.left + b.width) - left, Scale(b.top + b.height) - top};
}

}  // namespace uiwin32
