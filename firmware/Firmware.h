#pragma once
// The firmware image: HEX line checks, the image build, the carried firmware and
// opening a firmware file.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "firmware/Hex.h"
#include "firmware/ImageBuilder.h"
#include "forms/Controls.h"
#include "forms/Gauge.h"
#include "forms/Shell.h"
#include "forms/TextLines.h"

namespace firmware {

// The largest firmware file that is read. The longest HEX text the image can
// need sets each of its 20,000,000 bytes with a record of its own in a CR LF
// line (15 characters a byte: 300,000,000) plus an address record per 64 KB;
// 320 MiB leaves room for comments beside that. A larger file can only repeat
// addresses or carry filler, and would cost seconds and gigabytes for nothing.
inline constexpr std::uint64_t kMaxHexFileBytes = 320ull * 1024 * 1024;

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

// The carried firmware checked and built ahead of the window, on any thread.
struct PreparedFirmware {
  forms::TextLines lines;  // the text's lines, upper-cased
  std::string image;               // the image built from them
};

// Splits, upper-cases, checks and builds a text as the memo and the handlers
// would, touching no control. Empty when a line would stop the start-up: the
// start-up then runs in full and reports it. Safe on any thread.
std::optional<PreparedFirmware> PrepareAhead(std::string_view text);

bool CheckFirmwareText(FirmwareContext& ctx);
bool BuildFirmwareImage(FirmwareContext& ctx);
// Upper-cases the memo, checks it and builds the image, then the ready state.
// A preparation of the memo's own text spares the work; what the user sees,
// the gauge's steps, the pumps, the sounds, stays the same.
void PrepareCarriedFirmware(FirmwareContext& ctx, std::optional<PreparedFirmware> ahead = std::nullopt);
void ButtonOpenHexClick(FirmwareContext& ctx);

// A chosen file's name without its folder, as the window shows it: the file
// system's bytes read as UTF-8, a byte that fits no UTF-8 read as Windows-1251.
std::string ShownFileName(const std::string& path);

// The Intel HEX text the program carries (embedded at build time).
std::string_view CarriedFirmwareText();

}  // namespace firmware
