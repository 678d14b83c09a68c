#pragma once
// The percentage gauge, painted by us as ui::DrawGauge says: a bar in proportion
// to Progress and the gauge's text ("37%"). It repaints only when what it shows
// changes: the model tells of a new shown percentage; its enabled state is the
// only other thing it shows.
#include <windows.h>

#include <cstdint>
#include <memory>

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

 protected:
  LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void Paint(HDC dc) override;

 private:
  void ModelChanged();

  forms::TGauge& model_;
  ui::layout::Color bar_;
  HFONT font_;
  ui::Palette palette_;
  int shownPercent_ = -1;
  bool shownEnabled_ = true;
  std::uint64_t requests_ = 0;
  std::uint64_t paints_ = 0;
  // Models outlive views; a listener of a view that is gone does nothing.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace uiwin32
