#include "firmware/Hex.h"

#include "forms/Ascii.h"
#include "forms/Errors.h"

namespace firmware {

std::uint64_t ParseHexField(std::string_view field) {
  if (field.empty()) forms::ThrowConvertError("$");
  std::uint64_t value = 0;
  for (char c : field) {
    int d = forms::HexDigitValue(c);
    if (d < 0) forms::ThrowConvertError("$" + std::string(field));
    value = value * 16 + static_cast<std::uint64_t>(d);
  }
  return value;
}

unsigned ByteSum(std::string_view text) {
  auto pair = [](char high, char low) {
    int h = forms::HexDigitValue(high), l = forms::HexDigitValue(low);
    return h < 0 || l < 0 ? 0u : static_cast<unsigned>(h * 16 + l);  // no number counts as 0
  };
  unsigned sum = 0;
  std::size_t i = 0;
  for (; i + 1 < text.size(); i += 2) sum += pair(text[i], text[i + 1]);
  if (i < text.size()) {  // a lone last digit: callers never pass one
    int d = forms::HexDigitValue(text[i]);
    if (d > 0) sum += static_cast<unsigned>(d);
  }
  return sum & 0xFF;
}

std::string HexByteSum(std::string_view text) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  unsigned sum = ByteSum(text);
  return {kDigits[sum >> 4], kDigits[sum & 0xF]};
}

}  // namespace firmware
