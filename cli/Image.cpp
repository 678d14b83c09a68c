#include "cli/Image.h"

#include "cli/ConsoleShell.h"
#include "cli/Sha256.h"
#include "firmware/Firmware.h"
#include "forms/Errors.h"
#include "forms/Gauge.h"
#include "protocol/wire/Wire.h"

namespace cli {

namespace {

// Where the device keeps its version: six ASCII digits (after the marker 55 AA AA 55).
constexpr std::size_t kVersionAddress = 0xF984;

std::string VersionIn(const std::string& image) {
  const std::size_t at = 2 * kVersionAddress;
  if (image.size() < at + 12) return {};
  std::string version;
  for (std::size_t i = at; i < at + 12; i += 2) {
    const char c = static_cast<char>(std::stoi(image.substr(i, 2), nullptr, 16));
    if (c < '0' || c > '9') return {};
    version += c;
  }
  return version;
}

}  // namespace

std::optional<Image> PrepareImage(const std::optional<std::string>& hexFile, Terminal& terminal) {
  forms::Window window;
  forms::TGauge gauge{&window, "ProgressbarReadWrite"};
  forms::Memo memo{&window, "TextTerminal"};
  forms::Label label{&window, "LabelNameOfHex"};
  forms::Control writeButton{&window, "ButtonWrite"};
  firmware::TOpenDialog dialog;
  Image image;
  ConsoleShell shell(terminal, hexFile ? firmware::ShownFileName(*hexFile) : "");
  shell.chosenFile = hexFile;
  firmware::FirmwareContext ctx{.shell = shell, .ProgressbarReadWrite = gauge, .TextTerminal = memo,
                                .LabelNameOfHex = label, .ButtonWrite = writeButton, .FirmwareImage = image.text,
                                .OpenDialog1 = dialog};
  // The ready state enables Write: that is how the handlers say the image is good.
  writeButton.SetEnabled(false);
  try {
    if (hexFile) {
      firmware::ButtonOpenHexClick(ctx);
    } else {
      memo.SetText(firmware::CarriedFirmwareText());
      firmware::PrepareCarriedFirmware(ctx);
    }
  } catch (const std::exception& e) {
    shell.ShowErrorBox(forms::ErrorBoxText(e.what()));
    return std::nullopt;
  }
  if (!writeButton.Enabled()) return std::nullopt;
  // The carried firmware's version is the one the build read from it.
  image.version = hexFile ? VersionIn(image.text) : std::string(protocol::wire::kCarriedVersion);
  if (hexFile) {
    image.file = *hexFile;
    image.sha256 = Sha256Hex(image.text);
  }
  return image;
}

}  // namespace cli
