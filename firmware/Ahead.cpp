// The carried firmware made ready off the main thread: the same check and build
// the start-up runs, watched by nobody.
#include <exception>

#include "firmware/Firmware.h"
#include "firmware/ImageBuilder.h"

namespace firmware {

std::optional<PreparedFirmware> PrepareAhead(std::string_view text) {
  try {
    PreparedFirmware prepared;
    prepared.lines = forms::TextLines::Split(std::string(text));
    prepared.lines.UpperCase();
    QuietProgress progress;
    StringImage image(prepared.image);
    if (BuildImage(prepared.lines, progress, image)) return std::nullopt;
    return prepared;
  } catch (const std::exception&) {
    // A conversion error or no memory: the start-up meets it again and reports it.
    return std::nullopt;
  }
}

}  // namespace firmware
