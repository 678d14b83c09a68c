#pragma once
// How long characters take on the wire at the set line settings, and the write
// time-outs that never end a write before its bytes can have left: with the
// stored 1 ms per character plus 1 ms, a 136-character write at 9600 baud
// (about 142 ms of wire) would be allowed 137 ms and always fail on a real UART.
#include <cstdint>

#include "serial/CommLayer.h"

namespace serial {

// Start bit, data bits, parity bit and stop bits of one character, in
// milliseconds at the block's rate (0 when the block has no rate).
double WireMsPerCharacter(const Dcb& dcb);

// The longest a write of `count` characters may take: the block's limit, or the
// wire time plus the block's constant where that is longer; 0 with no limit.
std::uint64_t WriteLimitMs(const CommTimeoutsBlock& block, const Dcb& dcb, std::uint32_t count);

// For a platform that takes the block as it is (Windows): the block with its
// write multiplier raised, where needed, to the whole
// milliseconds a character takes, so multiplier x count + constant is never
// below the wire time. "No limit" values and a block without write time-outs
// (both zero) stay as they are.
CommTimeoutsBlock WireSafeTimeouts(const CommTimeoutsBlock& block, const Dcb& dcb);

}  // namespace serial
