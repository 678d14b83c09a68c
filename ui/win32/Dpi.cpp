#include "ui/win32/Dpi.h"

namespace uiwin32 {

Dpi Dpi::System() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  return Dpi(dpi);
}

}  // namespace uiwin32
