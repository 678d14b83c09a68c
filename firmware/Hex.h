#pragma once
// Hexadecimal fields and byte sums: what the HEX records' checksums and the
// wire's command checksum share. Needs nothing of the firmware image, so the
// wire links this alone.
#include <cstdint>
#include <string>
#include <string_view>

namespace firmware {

// A field read as "$" + field: every character a digit, at least one. Raises the
// runtime's conversion error otherwise.
std::uint64_t ParseHexField(std::string_view field);

// The low byte of the sum of the text's digit pairs; a pair that is no number
// counts as 0.
unsigned ByteSum(std::string_view text);

// The same sum as two upper-case digits.
std::string HexByteSum(std::string_view text);

}  // namespace firmware
