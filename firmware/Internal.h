#pragma once
// Helpers shared by the firmware sources; not part of the layer's interface.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "firmware/Firmware.h"
#include "forms/Ascii.h"
#include "forms/Shell.h"

namespace firmware::detail {

// The value of a hexadecimal digit, or -1.
inline int HexDigit(char c) { return forms::HexDigitValue(c); }

// A field read as "$" + field: every character a digit, at least one. Raises the
// runtime's conversion error otherwise.
std::uint64_t ParseHexField(std::string_view field);

// The start of both ready states: front, gauge at 0, Write enabled, the
// information sound. The caller sets the label.
void ShowReadyState(FirmwareContext& ctx);

// The line check; without verify it only runs the gauge over lines known good.
bool CheckLines(FirmwareContext& ctx, bool verify);
// The fill and the line pass; with a built image only the gauge runs its steps
// and the image is taken over.
bool BuildImage(FirmwareContext& ctx, std::string* built);
// Takes a data record's digits and the image character the first goes to, cut
// to what the line holds and to the image's end.
using PlacementSink = std::function<void(std::size_t place, std::string_view digits)>;
// The build's line pass over the memo (pumps, gauge, the start linear address
// report) with the image left to the sink; no sink places nothing.
bool PlaceRecords(FirmwareContext& ctx, const PlacementSink& sink);

// Whether the lines, upper-cased, are exactly the prepared ones.
bool SameUpperCased(const std::vector<std::string>& lines, const std::vector<std::string>& upper);

// Pumps the message queue at the first call and then whenever about 10 ms have
// passed, so a long pass stays responsive without paying for a pump per step.
class Pacer {
 public:
  explicit Pacer(forms::Shell& shell) : shell_(shell) {}
  void Tick() {
    auto now = std::chrono::steady_clock::now();
    if (first_ || now >= next_) {
      first_ = false;
      shell_.ProcessMessages();
      next_ = std::chrono::steady_clock::now() + kInterval;
    }
  }
  static constexpr std::chrono::milliseconds kInterval{10};

 private:
  forms::Shell& shell_;
  bool first_ = true;
  std::chrono::steady_clock::time_point next_{};
};

}  // namespace firmware::detail
