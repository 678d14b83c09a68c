// The main window never lets two procedures use the port at once: a click on
// Write or Identify while one runs nested below it is refused with the error beep.
#include <gtest/gtest.h>

#include "protocol/ProtocolTexts.h"
#include "tests/protocol/Rig.h"
#include "ui/Main.h"
#include "ui/MainTexts.h"

namespace protocol_tests {
namespace {

TEST(Reentry, ClicksDuringAStoppedButUnfinishedWriteAreRefusedUntilItReturns) {
  TestShell shell;
  ui::TFormHelp help(shell);
  ui::TMainForm form(shell, help);
  form.FormCreate();
  ASSERT_EQ(form.FirmwareImage.size(), firmware::kImageChars);
  devsim::Options o;
  o.writesPerBlock = 2;
  o.bytesPerWrite = 4;
  o.blockCount = 4;
  o.description = "210824";
  o.flashStart = devsim::FlashStart::Erased;
  o.linkName = UniqueLinkName();
  devsim::Simulator sim(o);
  sim.Start();
  form.cbPort.SetItems({sim.PortName()});
  form.cbPort.SetItemIndex(0);

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
      form.FormKeyDown(ui::VK_DELETE, ui::TShiftState{false, true, false});
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

}  // namespace
}  // namespace protocol_tests
