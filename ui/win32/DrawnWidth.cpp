#include "ui/win32/DrawnWidth.h"

#include <algorithm>
#include <cstdint>

#include "ui/win32/Gdi.h"

namespace uiwin32 {

int DrawnWidth(std::wstring_view text, HFONT font) {
  if (text.empty()) return 0;
  const MemoryDc owned(CreateCompatibleDC(nullptr));
  const HDC dc = owned.get();
  const HGDIOBJ oldFont = SelectObject(dc, font);
  const int length = static_cast<int>(text.size());
  SIZE advance{};
  GetTextExtentPoint32W(dc, text.data(), length, &advance);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);

  // Drawn black on white, with room to the right, into pixels we can read.
  const int width = advance.cx + 2 * metrics.tmMaxCharWidth + 8;
  const int height = std::max<int>(advance.cy, 1);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const GdiObject bitmap(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  int right = advance.cx;
  if (bitmap && bits) {
    const HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    RECT all{0, 0, width, height};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, text.data(), length, &all, DT_SINGLELINE | DT_NOPREFIX | DT_LEFT | DT_NOCLIP);
    GdiFlush();
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    auto inked = [&](int x) {
      for (int y = 0; y < height; ++y)
        if ((pixels[y * width + x] & 0xFFFFFF) != 0xFFFFFF) return true;
      return false;
    };
    for (int x = width - 1; x >= right; --x)
      if (inked(x)) right = x + 1;
    SelectObject(dc, oldBitmap);
  }
  SelectObject(dc, oldFont);
  return right;
}

}  // namespace uiwin32
