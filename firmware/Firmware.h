#pragma once
// The firmware image: HEX line checks, the image build, the carried firmware and
// opening a firmware file.
#include <string>
#include <string_view>

#include "forms/Controls.h"
#include "forms/Gauge.h"
#include "forms/Shell.h"

namespace firmware {

// Two hexadecimal digits per byte, 20,000,000 byte addresses.
inline constexpr std::size_t kImageChars = 40'000'000;

// The file-open dialog's state: the filter set on each click and the chosen path.
struct TOpenDialog {
  std::string Filter;
  std::string FileName;
};

// What the firmware handlers touch on the main window.
struct FirmwareContext {
  forms::Shell& shell;
  forms::TGauge& ProgressbarReadWrite;
  forms::Memo& TextTerminal;
  forms::Label& LabelNameOfHex;
  forms::Control& ButtonWrite;
  std::string& FirmwareImage;
  TOpenDialog& OpenDialog1;
};

// An empty string whose capacity holds the image and whose pages are already
// in memory, so a build that takes it over only writes. Safe on any thread.
std::string ImageBuffer();

// The low byte of the sum of the text's digit pairs, as two upper-case digits.
std::string HexByteSum(std::string_view text);

bool CheckFirmwareText(FirmwareContext& ctx);
bool BuildFirmwareImage(FirmwareContext& ctx);
void PrepareCarriedFirmware(FirmwareContext& ctx);
void ButtonOpenHexClick(FirmwareContext& ctx);

// The Intel HEX text the program carries (embedded at build time).
std::string_view CarriedFirmwareText();

}  // namespace firmware
