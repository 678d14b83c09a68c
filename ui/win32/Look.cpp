#include "ui/win32/Look.h"

namespace uiwin32 {

COLORREF Resolve(const ui::layout::Color& color, COLORREF fallback) {
  using ui::layout::ColorSource;
  switch (color.source) {
    case ColorSource::Rgb:
      return RGB(color.red, color.green, color.blue);
    case ColorSource::Light3D:
      return GetSysColor(COLOR_3DLIGHT);
    case ColorSource::ButtonFace:
      return GetSysColor(COLOR_BTNFACE);
    case ColorSource::WindowText:
      return GetSysColor(COLOR_WINDOWTEXT);
    case ColorSource::GrayText:
      return GetSysColor(COLOR_GRAYTEXT);
    case ColorSource::ButtonShadow:
      return GetSysColor(COLOR_BTNSHADOW);
    case ColorSource::Window:
      return GetSysColor(COLOR_WINDOW);
    case ColorSource::Default:
    case ColorSource::Transparent:
      break;
  }
  return fallback;
}

}  // namespace uiwin32
