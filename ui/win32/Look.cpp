#include "ui/win32/Look.h"

namespace uiwin32 {

Look LookFor(const std::string& skinName) {
  Look look;
  if (skinName == "WEB2" || skinName == "WEB2 (internal)") {
    look.skinned = true;
    look.panelFill = RGB(241, 245, 249);
    look.panelBorder = RGB(180, 192, 206);
    look.gaugeFill = RGB(250, 251, 253);
    look.gaugeFrame = RGB(154, 167, 182);
    look.hoverFrame = RGB(180, 200, 224);
  } else {
    look.panelFill = GetSysColor(COLOR_BTNFACE);
    look.panelBorder = GetSysColor(COLOR_BTNSHADOW);
    look.gaugeFill = GetSysColor(COLOR_WINDOW);
    look.gaugeFrame = GetSysColor(COLOR_BTNSHADOW);
    look.hoverFrame = GetSysColor(COLOR_BTNSHADOW);
  }
  return look;
}

COLORREF Resolve(const ui::layout::Color& color, COLORREF fallback) {
  using ui::layout::ColorSource;
  switch (color.source) {
    case ColorSource::Rgb: return RGB(color.red, color.green, color.blue);
    case ColorSource::Light3D: return GetSysColor(COLOR_3DLIGHT);
    case ColorSource::ButtonFace: return GetSysColor(COLOR_BTNFACE);
    case ColorSource::WindowText: return GetSysColor(COLOR_WINDOWTEXT);
    case ColorSource::Default:
    case ColorSource::Transparent: break;
  }
  return fallback;
}

}  // namespace uiwin32
