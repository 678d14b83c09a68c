#include "ui/win32/Look.h"

#include <utility>

namespace uiwin32 {

using ui::layout::ColorSource;

namespace {

constexpr std::pair<ColorSource, int> kSystemColors[] = {
    {ColorSource::Light3D, COLOR_3DLIGHT},        {ColorSource::ButtonFace, COLOR_BTNFACE},
    {ColorSource::WindowText, COLOR_WINDOWTEXT},  {ColorSource::GrayText, COLOR_GRAYTEXT},
    {ColorSource::ButtonShadow, COLOR_BTNSHADOW}, {ColorSource::Window, COLOR_WINDOW},
};

}  // namespace

COLORREF Resolve(const ui::layout::Color& color, COLORREF fallback) {
  if (color.source == ColorSource::Rgb) return RGB(color.red, color.green, color.blue);
  for (const auto& [source, index] : kSystemColors)
    if (color.source == source) return GetSysColor(index);
  // The view's default, or the parent showing through.
  return fallback;
}

}  // namespace uiwin32
