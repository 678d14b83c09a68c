#pragma once
// The percentage gauge that every long operation shares.
#include <cstdint>
#include <string>

#include "forms/Controls.h"

namespace forms {

class TGauge : public Control {
 public:
  using Control::Control;

  std::int64_t MinValue() const { return min_; }
  std::int64_t MaxValue() const { return max_; }
  std::int64_t Progress() const { return progress_; }
  const std::string& Suffix() const { return suffix_; }

  // Below MinValue: ERangeError "Value must be between 1 and 2147483647".
  // Below Progress: Progress comes down with it.
  void SetMaxValue(std::int64_t value);
  // Stored clamped into MinValue .. MaxValue.
  void SetProgress(std::int64_t value);
  void StepBy(std::int64_t step) { SetProgress(progress_ + step); }

  // (Progress - Min) x (100 / range), rounded half to even; 0 for an empty range.
  int Percent() const { return percent_; }
  // The text the gauge shows, such as "37%".
  std::string Text() const { return std::to_string(percent_) + suffix_; }
  // Listeners hear of a change only when the shown percentage changed.
  std::uint64_t Repaints() const { return repaints_; }

 private:
  void Update();
  std::int64_t min_ = 0;
  std::int64_t max_ = 100;
  std::int64_t progress_ = 0;
  std::string suffix_ = "%";
  int percent_ = 0;
  std::uint64_t repaints_ = 0;
};

}  // namespace forms
