#pragma once
// The firmware every port is written with: checked and built once, before any
// port opens, by the window's own handlers; then shared read-only by all ports.
#include <optional>
#include <string>

#include "cli/Terminal.h"

namespace cli {

struct Image {
  std::string text;    // the image as the write procedure sends from it
  std::string file;    // the file it came from; empty: the carried firmware
  std::string version; // the version the image itself carries (may be empty)
  std::string sha256;  // of the image text, for a file
};

// Empty when the file fails its check or cannot be read: the window's message
// has then been printed.
std::optional<Image> PrepareImage(const std::optional<std::string>& hexFile, Terminal& terminal);

}  // namespace cli
