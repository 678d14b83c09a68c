#include "forms/Gauge.h"

#include <algorithm>
#include <cmath>

#include "forms/Errors.h"

namespace forms {

void TGauge::SetMaxValue(std::int64_t value) {
  if (value < min_) throw ERangeError("Value must be between " + std::to_string(min_ + 1) + " and 2147483647");
  max_ = value;
  if (progress_ > max_) progress_ = max_;
  Update();
}

void TGauge::SetProgress(std::int64_t value) {
  progress_ = std::clamp(value, min_, max_);
  Update();
}

void TGauge::Update() {
  int percent = 0;
  if (max_ != min_) {
    // Half to even: the default rounding mode of nearbyint.
    double p = static_cast<double>(progress_ - min_) * (100.0 / static_cast<double>(max_ - min_));
    percent = static_cast<int>(std::nearbyint(p));
  }
  if (percent == percent_) return;
  percent_ = percent;
  ++repaints_;
  Notify();
}

}  // namespace forms
