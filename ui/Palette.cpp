#include "ui/Palette.h"

#include <cstdint>

namespace ui {

using layout::Rgb;

Palette PaletteFor(const std::string& skinName) {
  if (skinName == "WEB2" || skinName == "WEB2 (internal)")
    return {.skinned = true,
            .panelFill = Rgb(241, 245, 249),
            .panelBorder = Rgb(180, 192, 206),
            .gaugeFill = Rgb(250, 251, 253),
            .gaugeFrame = Rgb(154, 167, 182),
            .hoverFrame = Rgb(180, 200, 224)};
  return {.skinned = false,
          .panelFill = layout::kButtonFace,
          .panelBorder = layout::kButtonShadow,
          .gaugeFill = layout::kWindow,
          .gaugeFrame = layout::kButtonShadow,
          .hoverFrame = layout::kButtonShadow};
}

GaugeDrawing DrawGauge(const forms::TGauge& gauge, int innerWidth, const layout::Color& bar, const Palette& palette) {
  GaugeDrawing d;
  d.frame = palette.gaugeFrame;
  d.fill = palette.gaugeFill;
  d.textOnBar = Rgb(255, 255, 255);
  const std::int64_t range = gauge.MaxValue() - gauge.MinValue();
  if (range > 0)
    d.barWidth = static_cast<int>(static_cast<double>(gauge.Progress() - gauge.MinValue()) /
                                  static_cast<double>(range) * innerWidth);
  const bool enabled = gauge.Enabled();
  d.bar = enabled ? bar : layout::kGrayText;
  d.textOnEmpty = enabled ? Rgb(0, 0, 0) : layout::kGrayText;
  return d;
}

}  // namespace ui
