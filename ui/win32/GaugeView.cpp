#include "ui/win32/GaugeView.h"

#include "ui/win32/Gdi.h"
#include "ui/win32/Text.h"

namespace uiwin32 {

GaugeView::GaugeView(HWND parent, forms::TGauge& model, const Box& box, const ui::layout::Color& bar, HFONT font,
                     const ui::Palette& palette)
    : model_(model), bar_(bar), font_(font), palette_(palette) {
  Create(L"OstraGauge", 0, WS_CHILD | WS_VISIBLE, box, parent, 0);
  ModelChanged();
  requests_ = 0;
}

void GaugeView::ModelChanged() {
  // The model also notifies for a hint: only a change of what the gauge shows
  // costs a repaint.
  if (model_.Percent() == shownPercent_ && model_.Enabled() == shownEnabled_) return;
  shownPercent_ = model_.Percent();
  shownEnabled_ = model_.Enabled();
  ++requests_;
  InvalidateRect(hwnd(), nullptr, FALSE);
  // Its text is what it shows, for whoever reads windows (a screen reader).
  SetWindowTextW(hwnd(), Widen(model_.Text()).c_str());
}

void GaugeView::SetPalette(const ui::Palette& palette) {
  palette_ = palette;
  InvalidateRect(hwnd(), nullptr, FALSE);
}

void GaugeView::Paint(HDC dc) {
  const OffscreenDc mem(hwnd(), dc);
  const RECT& rc = mem.Client();
  RECT inner{rc.left + 1, rc.top + 1, rc.right - 1, rc.bottom - 1};
  const ui::GaugeDrawing d = ui::DrawGauge(model_, inner.right - inner.left, bar_, palette_);
  FrameRect(mem, &rc, SolidBrush(Resolve(d.frame)));
  FillRect(mem, &inner, SolidBrush(Resolve(d.fill)));
  const RECT bar{inner.left, inner.top, inner.left + d.barWidth, inner.bottom};
  FillRect(mem, &bar, SolidBrush(Resolve(d.bar, RGB(128, 0, 0))));

  // The text twice, each clipped to its part: over the bar and over the rest.
  const std::wstring text = Widen(model_.Text());
  const HGDIOBJ oldFont = SelectObject(mem, font_);
  SetBkMode(mem, TRANSPARENT);
  for (const auto& [part, color] :
       {std::pair{RECT{bar.right, inner.top, inner.right, inner.bottom}, d.textOnEmpty}, std::pair{bar, d.textOnBar}}) {
    if (part.right <= part.left) continue;
    IntersectClipRect(mem, part.left, part.top, part.right, part.bottom);
    SetTextColor(mem, Resolve(color));
    DrawTextW(mem, text.c_str(), static_cast<int>(text.size()), &inner,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectClipRgn(mem, nullptr);
  }
  SelectObject(mem, oldFont);
}

LRESULT GaugeView::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_PAINT) ++paints_;
  return CustomWindow::Handle(msg, wParam, lParam);
}

}  // namespace uiwin32
