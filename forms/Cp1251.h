#pragma once
// Device texts are Windows-1251 bytes: judged as bytes, decoded only for display.
#include <string>
#include <string_view>

namespace forms {

// Every byte becomes exactly one character; 0x98, which has none, becomes U+FFFD.
std::string Cp1251ToUtf8(std::string_view bytes);

// Bytes from outside the program that are mostly UTF-8, such as file names:
// every well-formed UTF-8 sequence is kept, every other byte is read as
// Windows-1251. The result is valid UTF-8.
std::string Utf8OrCp1251(std::string_view bytes);

// True when every byte is ASCII: such a text reads the same under every rule,
// so a face may take it as it is.
bool AllAscii(std::string_view bytes);

}  // namespace forms
