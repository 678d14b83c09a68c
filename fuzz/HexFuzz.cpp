// The HEX line check and the image's line pass on arbitrary text. The pass
// reports each placement instead of writing a 40 MB image, so a run costs what
// the text costs; every placement must lie inside the image and take its digits
// from position 10 of its own line, never beyond the line's end.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "firmware/Firmware.h"
#include "firmware/Internal.h"
#include "forms/Errors.h"
#include "fuzz/QuietShell.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::QuietShell shell;
  forms::TGauge gauge{nullptr, "ProgressbarReadWrite"};
  forms::Memo terminal{nullptr, "TextTerminal"};
  forms::Label label{nullptr, "LabelNameOfHex"};
  forms::Control write{nullptr, "ButtonWrite"};
  std::string image;
  firmware::TOpenDialog dialog;
  firmware::FirmwareContext ctx{.shell = shell, .ProgressbarReadWrite = gauge, .TextTerminal = terminal,
                                .LabelNameOfHex = label, .ButtonWrite = write, .FirmwareImage = image,
                                .OpenDialog1 = dialog};

  terminal.SetText(std::string_view(reinterpret_cast<const char*>(data), size));
  terminal.UpperCase();
  try {
    if (!firmware::CheckFirmwareText(ctx)) return 0;
    const auto& lines = terminal.Lines();
    std::size_t line = 0;
    firmware::detail::PlaceRecords(ctx, [&](std::size_t at, std::string_view digits) {
      if (at > firmware::kImageChars || digits.size() > firmware::kImageChars - at)
        fuzzing::Fail("a placement outside the image");
      // Records are placed in order: the digits' line is this one or a later one.
      while (line < lines.size() && (lines[line].size() < 9 || digits.data() != lines[line].data() + 9)) ++line;
      if (line == lines.size()) fuzzing::Fail("digits that are not from position 10 of a line");
      if (digits.empty() || digits.size() > lines[line].size() - 9) fuzzing::Fail("digits beyond the line's end");
    });
  } catch (const forms::Exception&) {
    // The conversion and range errors the user meets as error boxes.
  }
  if (!image.empty()) fuzzing::Fail("the line pass touched the image");
  return 0;
}
