#pragma once
// Helpers shared by the firmware sources; not part of the layer's interface.
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "firmware/Firmware.h"
#include "forms/Ascii.h"
#include "forms/Shell.h"

namespace firmware::detail {

// The value of a hexadecimal digit, or -1.
inline int HexDigit(char c) { return forms::HexDigitValue(c); }

// The start of both ready states: front, gauge at 0, Write enabled, the
// information sound. The caller sets the label.
void ShowReadyState(FirmwareContext& ctx);

// Pumps the message queue at the first call and then whenever about 10 ms have
// passed, so a long pass stays responsive without paying for a pump per step.
class Pacer {
 public:
  explicit Pacer(forms::Shell& shell) : shell_(shell) {}
  // The next Tick pumps.
  void Restart() { first_ = true; }
  void Tick() {
    // The clock is read every few ticks only: a pass over twenty million lines
    // would otherwise spend a second reading it.
    if (first_ || (++ticks_ % kTicksPerLook == 0 && std::chrono::steady_clock::now() >= next_)) {
      first_ = false;
      shell_.ProcessMessages();
      next_ = std::chrono::steady_clock::now() + kInterval;
    }
  }
  static constexpr std::chrono::milliseconds kInterval{10};
  static constexpr unsigned kTicksPerLook = 16;

 private:
  forms::Shell& shell_;
  bool first_ = true;
  unsigned ticks_ = 0;
  std::chrono::steady_clock::time_point next_{};
};

}  // namespace firmware::detail
