// The whole write procedure of the main window, through the Windows serial
// component, into the simulator behind a COM port: the carried firmware goes
// in, and a second Write is refused because the device now holds it.
// <windows.h> (through the environment) first, as every Windows file has it.
#include "tests/windows/Environment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "tests/support/ScriptedShell.h"
#include "ui/Main.h"

namespace {

using namespace windows_test;

// The image over the range the transfer wrote, as bytes, for the script to
// compare with the simulator's flash.
void SaveWrittenRange(const ui::TMainForm& form, const std::string& path) {
  const auto& s = form.state;
  const std::size_t bytes = static_cast<std::size_t>(s.WritesPerBlock) * s.BytesPerWrite * s.BlockCount;
  std::string out(bytes, '\0');
  for (std::size_t i = 0; i < bytes; ++i) out[i] = static_cast<char>(std::stoi(form.FirmwareImage.substr(2 * i, 2), nullptr, 16));
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  std::fwrite(out.data(), 1, out.size(), f);
  std::fclose(f);
}

TEST(WriteProcedure, TheCarriedFirmwareGoesInOnceThroughTheComPort) {
  REQUIRE_PORT(DevicePort());
  testing_support::ScriptedShell shell;
  ui::TFormHelp help(shell);
  ui::TMainForm form(shell, help);
  shell.Run([&] { form.FormCreate(); });
  ASSERT_TRUE(shell.errors.empty()) << shell.errors[0];
  ASSERT_EQ(form.LabelNameOfHex.Caption(), "Мікропрограма готова до запису");

  // The port list comes from the registry; pick the simulator's port.
  const auto& items = form.cbPort.Items();
  auto it = std::find(items.begin(), items.end(), DevicePort());
  ASSERT_NE(it, items.end());
  form.cbPort.SetItemIndex(static_cast<int>(it - items.begin()));

  shell.messages.clear();
  shell.Run([&] { form.ButtonWriteClick(); });
  EXPECT_TRUE(shell.errors.empty()) << shell.errors[0];
  ASSERT_EQ(shell.messages.size(), 1u);
  EXPECT_NE(shell.messages[0].find("Мікропрограма успішно завантажена в 12:34:56"), std::string::npos)
      << shell.messages[0];
  EXPECT_EQ(form.LabelNameOfHex.Caption(), "Мікропрограма : успішно завантажена в 12:34:56");
  EXPECT_FALSE(form.BComPort1.IsOpen());
  if (auto out = Setting("UPLOADER_TEST_IMAGE_OUT"); !out.empty()) SaveWrittenRange(form, out);

  shell.messages.clear();
  shell.Run([&] { form.ButtonWriteClick(); });
  EXPECT_TRUE(shell.errors.empty());
  EXPECT_EQ(shell.messages, std::vector<std::string>{"Дана версія вже записана в прилад!"});
}

}  // namespace
