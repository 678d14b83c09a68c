#pragma once
// SHA-256 of a text, as 64 lower-case hexadecimal digits: how the record names
// the image a file gave.
#include <string>
#include <string_view>

namespace cli {

std::string Sha256Hex(std::string_view data);

}  // namespace cli
