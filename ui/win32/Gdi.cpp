#include "ui/win32/Gdi.h"

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

OffscreenDc::OffscreenDc(HWND window, HDC target) : target_(target), dc_(CreateCompatibleDC(target)) {
  GetClientRect(window, &client_);
  bitmap_ = GdiObject(CreateCompatibleBitmap(target, client_.right, client_.bottom));
  old_ = SelectObject(dc_.get(), bitmap_);
}

OffscreenDc::~OffscreenDc() {
  BitBlt(target_, 0, 0, client_.right, client_.bottom, dc_.get(), 0, 0, SRCCOPY);
  SelectObject(dc_.get(), old_);
}

}  // namespace uiwin32
