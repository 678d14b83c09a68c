#pragma once
// Device texts are Windows-1251 bytes: judged as bytes, decoded only for display.
#include <string>
#include <string_view>

namespace forms {

// Every byte becomes exactly one character; 0x98, which has none, becomes U+FFFD.
std::string Cp1251ToUtf8(std::string_view bytes);

}  // namespace forms
