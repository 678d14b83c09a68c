#pragma once
// The percentage gauge, painted by us as ui::DrawGauge says: a bar in proportion
// to Progress and the gauge's text ("37%"). Told of each change of its model, it
// repaints only when what it shows changed: the percentage or the enabled state.
#include <windows.h>

#include <cstdint>

#include "forms/Gauge.h"
#include "ui/Palette.h"
#include "ui/win32/CustomWindow.h"

namespace uiwin32 {

class GaugeView : public CustomWindow {
 public:
  GaugeView(HWND parent, forms::TGauge& model, const Box& box, const ui::layout::Color& bar, HFONT font,
            const ui::Palette& palette);

  // Repaints asked for, and paints done (for the tests).
  std::uint64_t RepaintRequests() const { return requests_; }
  std::uint64_t Paints() const { return paints_; }
  void SetPalette(const ui::Palette& palette);
  void ModelChanged();

 protected:
  LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void Paint(HDC dc) override;

 private:
  forms::TGauge& model_;
  ui::layout::Color bar_;
  HFONT font_;
  ui::Palette palette_;
  int shownPercent_ = -1;
  bool shownEnabled_ = true;
  std::uint64_t requests_ = 0;
  std::uint64_t paints_ = 0;
};

}  // namespace uiwin32
