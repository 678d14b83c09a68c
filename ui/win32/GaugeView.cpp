#include "ui/win32/GaugeView.h"

#include "ui/win32/Text.h"

namespace uiwin32 {

GaugeView::GaugeView(HWND parent, forms::TGauge& model, const Box& box, COLORREF bar, HFONT font, const Look& look)
    : model_(model), bar_(bar), font_(font), look_(look) {
  Create(L"OstraGauge", 0, WS_CHILD | WS_VISIBLE, box, parent, 0);
  shownPercent_ = model_.Percent();
  shownEnabled_ = model_.Enabled();
  SetWindowTextW(hwnd(), Widen(model_.Text()).c_str());
  model_.Subscribe([this, alive = std::weak_ptr<int>(alive_)] {
    if (!alive.expired()) ModelChanged();
  });
}

void GaugeView::ModelChanged() {
  // The model also notifies for a hint or an enabled state: only a change of
  // what the gauge shows costs a repaint.
  if (model_.Percent() == shownPercent_ && model_.Enabled() == shownEnabled_) return;
  shownPercent_ = model_.Percent();
  shownEnabled_ = model_.Enabled();
  ++requests_;
  InvalidateRect(hwnd(), nullptr, FALSE);
  // Its text is what it shows, for whoever reads windows (a screen reader).
  SetWindowTextW(hwnd(), Widen(model_.Text()).c_str());
}

void GaugeView::SetLook(const Look& look) {
  look_ = look;
  InvalidateRect(hwnd(), nullptr, FALSE);
}

void GaugeView::PaintTo(HDC dc) {
  RECT rc;
  GetClientRect(hwnd(), &rc);
  // Drawn off-screen first: no flicker while a long run steps it.
  HDC mem = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, rc.right, rc.bottom);
  HGDIOBJ oldBitmap = SelectObject(mem, bitmap);

  HBRUSH frame = CreateSolidBrush(look_.gaugeFrame);
  FrameRect(mem, &rc, frame);
  DeleteObject(frame);
  RECT inner{rc.left + 1, rc.top + 1, rc.right - 1, rc.bottom - 1};
  HBRUSH fill = CreateSolidBrush(look_.gaugeFill);
  FillRect(mem, &inner, fill);
  DeleteObject(fill);

  const std::int64_t range = model_.MaxValue() - model_.MinValue();
  int width = 0;
  if (range > 0)
    width = static_cast<int>(static_cast<double>(model_.Progress() - model_.MinValue()) / static_cast<double>(range) *
                             (inner.right - inner.left));
  RECT barRect{inner.left, inner.top, inner.left + width, inner.bottom};
  HBRUSH barBrush = CreateSolidBrush(model_.Enabled() ? bar_ : GetSysColor(COLOR_GRAYTEXT));
  FillRect(mem, &barRect, barBrush);
  DeleteObject(barBrush);

  const std::wstring text = Widen(model_.Text());
  HGDIOBJ oldFont = SelectObject(mem, font_);
  SetBkMode(mem, TRANSPARENT);
  const UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
  RECT empty{barRect.right, inner.top, inner.right, inner.bottom};
  IntersectClipRect(mem, empty.left, empty.top, empty.right, empty.bottom);
  SetTextColor(mem, model_.Enabled() ? RGB(0, 0, 0) : GetSysColor(COLOR_GRAYTEXT));
  DrawTextW(mem, text.c_str(), static_cast<int>(text.size()), &inner, format);
  SelectClipRgn(mem, nullptr);
  if (width > 0) {
    IntersectClipRect(mem, barRect.left, barRect.top, barRect.right, barRect.bottom);
    SetTextColor(mem, RGB(255, 255, 255));
    DrawTextW(mem, text.c_str(), static_cast<int>(text.size()), &inner, format);
    SelectClipRgn(mem, nullptr);
  }
  SelectObject(mem, oldFont);

  BitBlt(dc, 0, 0, rc.right, rc.bottom, mem, 0, 0, SRCCOPY);
  SelectObject(mem, oldBitmap);
  DeleteObject(bitmap);
  DeleteDC(mem);
}

LRESULT GaugeView::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd(), &ps);
      ++paints_;
      PaintTo(dc);
      EndPaint(hwnd(), &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      PaintTo(reinterpret_cast<HDC>(wParam));
      return 0;
  }
  return Default(msg, wParam, lParam);
}

}  // namespace uiwin32
