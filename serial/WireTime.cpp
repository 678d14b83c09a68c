#include "serial/WireTime.h"

#include <cmath>

namespace serial {

double WireMsPerCharacter(const Dcb& dcb) {
  if (dcb.BaudRate == 0) return 0;
  const double stop = dcb.StopBits == 0 ? 1.0 : dcb.StopBits == 1 ? 1.5 : 2.0;
  const double parity = dcb.Parity != 0 ? 1.0 : 0.0;
  const double bits = 1.0 + dcb.ByteSize + parity + stop;
  return bits * 1000.0 / dcb.BaudRate;
}

std::uint64_t WriteLimitMs(const CommTimeoutsBlock& block, const Dcb& dcb, std::uint32_t count) {
  const std::uint32_t m = block.WriteTotalTimeoutMultiplier, c = block.WriteTotalTimeoutConstant;
  if (m == kMaxDword || c == kMaxDword || (m == 0 && c == 0)) return 0;
  const std::uint64_t stored = static_cast<std::uint64_t>(m) * count + c;
  const auto wire = static_cast<std::uint64_t>(std::ceil(WireMsPerCharacter(dcb) * count - 1e-9)) + c;
  return stored > wire ? stored : wire;
}

CommTimeoutsBlock WireSafeTimeouts(const CommTimeoutsBlock& block, const Dcb& dcb) {
  CommTimeoutsBlock out = block;
  const std::uint32_t m = block.WriteTotalTimeoutMultiplier, c = block.WriteTotalTimeoutConstant;
  if (m == kMaxDword || c == kMaxDword || (m == 0 && c == 0)) return out;
  const auto perChar = static_cast<std::uint32_t>(std::ceil(WireMsPerCharacter(dcb) - 1e-9));
  if (m < perChar) out.WriteTotalTimeoutMultiplier = perChar;
  return out;
}

}  // namespace serial
