// The main window never lets two procedures use the port at once: a click on
// Write or Identify while one runs nested below it is refused with the error beep,
// and so is an Open that would replace the image a write is sending.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "protocol/ProtocolTexts.h"
#include "tests/protocol/Rig.h"
#include "ui/Main.h"
#include "ui/MainTexts.h"

namespace ui_tests {
namespace {

using protocol_tests::TestShell;
using protocol_tests::UniqueLinkName;

// The main window after its start-up, beside a small device of an older version.
struct Reentry : ::testing::Test {
  TestShell shell;
  ui::TFormHelp help{shell};
  ui::TMainForm form{shell, help};
  devsim::Simulator sim{[] {
    devsim::Options o;
    o.writesPerBlock = 2;
    o.bytesPerWrite = 4;
    o.blockCount = 4;
    o.description = "210824";
    o.flashStart = devsim::FlashStart::Erased;
    o.linkName = UniqueLinkName();
    return o;
  }()};

  void SetUp() override {
    form.FormCreate();
    sim.Start();
    form.cbPort.SetItems({sim.PortName()});
    form.cbPort.SetItemIndex(0);
  }
};

TEST_F(Reentry, ClicksDuringAStoppedButUnfinishedWriteAreRefusedUntilItReturns) {
  ASSERT_EQ(form.FirmwareImage.size(), firmware::kImageChars);

  bool stopped = false;
  std::vector<std::string> nestedLog;
  std::uint64_t bytesBefore = 0, bytesAfter = 0;
  auto clickBoth = [&] {
    const std::size_t from = shell.log.size();
    bytesBefore = sim.stats().bytesIn;
    form.ButtonWriteClick();
    form.ButtonConectClick();
    bytesAfter = sim.stats().bytesIn;
    nestedLog.assign(shell.log.begin() + static_cast<std::ptrdiff_t>(from), shell.log.end());
  };
  // Ctrl+Delete at a pumping point once the first block is done; the user then
  // clicks Write and Identify, which the stop has enabled, inside its message.
  shell.onProcessMessages = [&] {
    if (!stopped && form.ProgressbarReadWrite.Progress() == 1) {
      stopped = true;
      form.FormKeyDown(forms::VK_DELETE, forms::TShiftState{false, true, false});
    }
  };
  shell.onMessage = [&](const std::string& text) {
    if (text == ui::texts::kStoppedMessage) clickBoth();
  };
  shell.messages.clear();
  shell.beeps.clear();

  form.ButtonWriteClick();

  ASSERT_TRUE(stopped);
  EXPECT_TRUE(form.ButtonWrite.Enabled());
  EXPECT_TRUE(form.ButtonConect.Enabled());
  EXPECT_EQ(nestedLog, (std::vector<std::string>{"beep:16", "beep:16"}));
  EXPECT_EQ(bytesAfter, bytesBefore);
  EXPECT_EQ(shell.messages, std::vector<std::string>{ui::texts::kStoppedMessage});
  EXPECT_EQ(shell.errors, std::vector<std::string>{});
  EXPECT_EQ(form.LabelNameOfHex.Caption(), ui::texts::kStoppedStatus);

  // Once the write has returned, Identify runs again.
  shell.onMessage = nullptr;
  shell.onProcessMessages = nullptr;
  shell.messages.clear();
  form.ButtonConectClick();
  EXPECT_EQ(shell.messages, (std::vector<std::string>{"Визначино:\r\n210824", protocol::texts::kSuspended}));
  sim.Stop();
}

TEST_F(Reentry, AnOpenDuringAWriteIsRefusedAndTheDeviceGetsOneWholeFirmware) {
  const std::string carried = form.FirmwareImage;

  // Another firmware, all zero bytes where the carried one has its own.
  const auto file = std::filesystem::temp_directory_path() / ("reentry-" + std::to_string(::getpid()) + ".hex");
  std::ofstream(file) << ":1000000000000000000000000000000000000000F0\n:00000001FF\n";
  shell.dialogAnswers.push_back(file.string());

  std::vector<std::string> nestedLog;
  bool clicked = false;
  // The user clicks Open at a pumping point once the first block is done.
  shell.onProcessMessages = [&] {
    if (clicked || form.ProgressbarReadWrite.Progress() != 1) return;
    clicked = true;
    const std::size_t from = shell.log.size();
    form.ButtonOpenHexClick();
    nestedLog.assign(shell.log.begin() + static_cast<std::ptrdiff_t>(from), shell.log.end());
  };
  shell.messages.clear();
  shell.beeps.clear();

  form.ButtonWriteClick();
  std::filesystem::remove(file);

  ASSERT_TRUE(clicked);
  EXPECT_EQ(nestedLog, std::vector<std::string>{"beep:16"}) << "no dialog, no sound but the error's";
  EXPECT_EQ(shell.dialogAnswers.size(), 1u);
  EXPECT_EQ(form.FirmwareImage, carried);
  EXPECT_EQ(shell.errors, std::vector<std::string>{});
  ASSERT_EQ(shell.messages.size(), 1u);
  EXPECT_EQ(shell.messages[0].find(protocol::texts::kLoadedMessageHead), 0u) << shell.messages[0];
  // The 32 bytes the device was given are all the carried firmware's.
  const auto flash = sim.Flash();
  ASSERT_GE(flash.size(), 32u);
  std::string written;
  static const char kDigits[] = "0123456789ABCDEF";
  for (std::size_t i = 0; i < 32; ++i) written += {kDigits[flash[i] >> 4], kDigits[flash[i] & 15]};
  EXPECT_EQ(written, carried.substr(0, 64));
  sim.Stop();

  // Once the write has returned, Open works again.
  shell.onProcessMessages = nullptr;
  shell.messages.clear();
  std::ofstream(file) << ":1000000000000000000000000000000000000000F0\n:00000001FF\n";
  shell.dialogAnswers.push_back(file.string());
  form.ButtonOpenHexClick();
  std::filesystem::remove(file);
  EXPECT_EQ(form.FirmwareImage.substr(0, 34), std::string(32, '0') + "FF");
}

}  // namespace
}  // namespace ui_tests
