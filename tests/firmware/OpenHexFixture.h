#pragma once
// Opening a firmware file from a window that already holds an image.
#include <optional>
#include <string>
#include <vector>

#include "firmware/Firmware.h"
#include "tests/firmware/FirmwareFixture.h"

namespace firmware_test {

inline const std::string kFilter = "Файли: I8HEX, I16HEX, I32HEX|*.hex";
inline const std::string kOpened = "Мікропрограма відкрита,\r\n   запишіть її в прилад";

struct OpenHex : FirmwareFixture {
  TempDir dir;
  OpenHex() {
    terminal.SetLines({"carried"});
    image = "previous image";
    label.SetCaption("Мікропрограма готова до запису");
    write.SetEnabled(false);
  }
  void Open(const std::optional<std::string>& answer) {
    shell.dialogAnswers.push_back(answer);
    shell.Run([&] { firmware::ButtonOpenHexClick(ctx); });
  }
  void ExpectNothingChanged() {
    EXPECT_EQ(terminal.Lines(), std::vector<std::string>{"carried"});
    EXPECT_EQ(image, "previous image");
    EXPECT_FALSE(write.Enabled());
    EXPECT_EQ(label.Caption(), "Мікропрограма готова до запису");
  }
};

}  // namespace firmware_test
