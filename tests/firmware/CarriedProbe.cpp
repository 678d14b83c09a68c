// What a build compiles from the firmware it carries: the window's title, the
// version the version decision compares against, and the version block of the
// embedded text. tests/firmware/carried-build.sh builds it with another firmware.
//
//   carried_probe <description>...    prints the verdict on each description
#include <cstdio>
#include <string>

#include "firmware/Firmware.h"
#include "protocol/wire/Wire.h"
#include "ui/MainTexts.h"

int main(int argc, char** argv) {
  namespace wire = protocol::wire;
  std::printf("title: %s\n", ui::texts::kTitle);
  std::printf("carried: %.*s\n", static_cast<int>(wire::kCarriedVersion.size()), wire::kCarriedVersion.data());
  // The block as it lies in the embedded text: marker bytes, then six digits.
  std::string text(firmware::CarriedFirmwareText());
  auto at = text.find("55AAAA55");
  std::string digits;
  for (std::size_t i = at + 8; at != std::string::npos && i + 1 < text.size() && digits.size() < 6; i += 2)
    digits += static_cast<char>(std::stoi(text.substr(i, 2), nullptr, 16));
  std::printf("embedded: %s\n", digits.c_str());
  for (int i = 1; i < argc; ++i) {
    const char* verdict = "older";
    switch (wire::JudgeVersion(argv[i])) {
      case wire::VersionVerdict::Unknown: verdict = "unknown"; break;
      case wire::VersionVerdict::AlreadyWritten: verdict = "already written"; break;
      case wire::VersionVerdict::NotANumber: verdict = "not a number"; break;
      case wire::VersionVerdict::Newer: verdict = "newer"; break;
      case wire::VersionVerdict::Older: break;
    }
    std::printf("%s: %s\n", argv[i], verdict);
  }
  return 0;
}
