#include "ui/win32/DrawnWidth.h"

#include <algorithm>
#include <cstdint>

namespace uiwin32 {

int DrawnWidth(std::wstring_view text, HFONT font) {
  if (text.empty()) return 0;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  HGDIOBJ oldFont = SelectObject(dc, font);
  const int length = static_cast<int>(text.size());
  SIZE advance{};
  GetTextExtentPoint32W(dc, text.data(), length, &advance);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);

  // Drawn black on white, with room to the right, into pixels we can read.
  const int width = advance.cx + 2 * metrics.tmMaxCharWidth + 8;
  const int height = std::max<int>(advance.cy, 1);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  int right = advance.cx;
  if (bitmap && bits) {
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    RECT all{0, 0, width, height};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, text.data(), length, &all, DT_SINGLELINE | DT_NOPREFIX | DT_LEFT | DT_NOCLIP);
    GdiFlush();
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    for (int x = width - 1; x >= right; --x) {
      bool inked = false;
      for (int y = 0; y < height && !inked; ++y) inked = (pixels[y * width + x] & 0xFFFFFF) != 0xFFFFFF;
      if (inked) {
        right = x + 1;
        break;
      }
    }
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
  }
  SelectObject(dc, oldFont);
  DeleteDC(dc);
  return right;
}

}  // namespace uiwin32
