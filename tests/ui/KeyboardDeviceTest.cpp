// The keyboard commands against a simulated device: the stop key during a
// transfer, the reset key with a silent device and during a transfer, and the
// refresh while the simulator publishes or removes its port.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "tests/support/ScriptedShell.h"
#include "tools/devsim/Simulator.h"
#include "ui/Main.h"

namespace fs = std::filesystem;

namespace {

const char* const kStopped =
    "                   Зупинено користувачем!\r\n"
    "         Мікропрограма записана частково!\r\n"
    "Необхідно повторно вибрати файл прошивки,\r\n"
    "    і провести запис, інакще в подальшому\r\n"
    "             прилад буде не працездатний!";

// Every test process gets a virtual-port folder of its own.
class PortFolder : public ::testing::Environment {
 public:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("keyboard-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    ::setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
  }
  void TearDown() override { fs::remove_all(dir_); }

 private:
  fs::path dir_;
};
const auto* const kPortFolder = ::testing::AddGlobalTestEnvironment(new PortFolder);

class KeyboardDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(fs::temp_directory_path() / ("keyboard-sys-" + std::to_string(::getpid())));
    form.portSources.sysClassTty = (fs::temp_directory_path() / ("keyboard-sys-" + std::to_string(::getpid()))).string();
    shell.Run([&] { form.FormCreate(); });
    ASSERT_TRUE(shell.errors.empty());
    shell.messages.clear();
    shell.beeps.clear();
  }

  devsim::Simulator& StartDevice(devsim::Options options) {
    static std::atomic<int> counter{0};
    options.linkName = "kbd" + std::to_string(++counter);
    sim = std::make_unique<devsim::Simulator>(std::move(options));
    sim->Start();
    Press('R', true);  // the refresh finds it; the first port is selected
    EXPECT_EQ(form.cbPort.Text(), sim->PortName());
    shell.messages.clear();
    return *sim;
  }

  static devsim::Options SmallDevice() {
    devsim::Options o;
    o.writesPerBlock = 2;
    o.bytesPerWrite = 16;
    o.blockCount = 4;
    // Its flash is too small to hold the version bytes: it reports a fixed one.
    o.description = "210824";
    o.flashStart = devsim::FlashStart::Erased;
    return o;
  }

  void Press(std::uint16_t key, bool ctrl = false, bool shift = false) {
    forms::TShiftState s;
    s.Ctrl = ctrl;
    s.Shift = shift;
    shell.Run([&] { form.FormKeyDown(key, s); });
  }

  bool Writing() const { return form.LabelNameOfHex.Caption() == "Йде запис! Заборонено переривати!"; }

  std::size_t Count(const std::string& text) const {
    std::size_t n = 0;
    for (const auto& m : shell.messages) n += m == text;
    return n;
  }

  testing_support::ScriptedShell shell;
  ui::TFormHelp help{shell};
  ui::TMainForm form{shell, help};
  std::unique_ptr<devsim::Simulator> sim;
};

TEST_F(KeyboardDeviceTest, StopDuringATransferEndsItAtTheNextPollAndLeavesThePortOpen) {
  auto& device = StartDevice(SmallDevice());
  bool pressed = false;
  shell.onProcessMessages = [&] {
    // The first pump of the transfer with progress on the gauge is the start of
    // the second block (identification fills the gauge too, but its stop is
    // wiped out when the transfer begins).
    if (!pressed && Writing() && form.ProgressbarReadWrite.Progress() != 0) {
      pressed = true;
      Press(forms::VK_DELETE, true);
    }
  };
  shell.Run([&] { form.ButtonWriteClick(); });
  shell.onProcessMessages = nullptr;

  ASSERT_TRUE(pressed);
  EXPECT_TRUE(shell.errors.empty());
  EXPECT_EQ(shell.messages, std::vector<std::string>{kStopped});
  EXPECT_EQ(form.state.StopRequested, -1);
  EXPECT_TRUE(form.BComPort1.IsOpen());
  EXPECT_EQ(device.stats().erases, 1u);
  EXPECT_EQ(device.stats().resets, 0u);
  EXPECT_TRUE(device.Awake());
  EXPECT_TRUE(form.ButtonWrite.Enabled());
  EXPECT_TRUE(form.ButtonConect.Enabled());
  EXPECT_TRUE(form.cbPort.Enabled());
  EXPECT_EQ(form.LabelNameOfHex.Caption(), "Зупинено користувачем");
  EXPECT_EQ(form.ProgressbarReadWrite.Progress(), 1);

  // The next Write starts afresh: the flag is cleared and the transfer completes.
  shell.messages.clear();
  shell.Run([&] { form.ButtonWriteClick(); });
  EXPECT_TRUE(shell.errors.empty());
  EXPECT_EQ(form.state.StopRequested, 0);
  ASSERT_FALSE(shell.messages.empty());
  EXPECT_NE(shell.messages[0].find("Мікропрограма успішно завантажена в 12:34:56"), std::string::npos);
}

TEST_F(KeyboardDeviceTest, StopDuringTheFirstBlockDoesNothing) {
  auto& device = StartDevice(SmallDevice());
  int pumpsWithoutProgress = 0;
  shell.onProcessMessages = [&] {
    if (Writing() && form.ProgressbarReadWrite.Progress() == 0) {
      ++pumpsWithoutProgress;
      Press(forms::VK_DELETE, true);
    }
  };
  shell.Run([&] { form.ButtonWriteClick(); });
  shell.onProcessMessages = nullptr;
  EXPECT_GT(pumpsWithoutProgress, 3);
  EXPECT_EQ(Count(kStopped), 0u);
  EXPECT_EQ(form.state.StopRequested, 0);
  EXPECT_EQ(device.stats().erases, 4u);
  EXPECT_FALSE(form.BComPort1.IsOpen());  // the completed end closes it
}

TEST_F(KeyboardDeviceTest, ResetWithASilentDeviceStillSaysTheDeviceWasReset) {
  auto o = SmallDevice();
  o.silent = true;
  auto& device = StartDevice(o);
  Press('L', true);
  EXPECT_TRUE(shell.errors.empty());
  EXPECT_EQ(shell.messages, std::vector<std::string>{"Скинуто прилад!!!"});
  EXPECT_EQ(shell.beeps, std::vector<unsigned>{48});
  EXPECT_FALSE(form.BComPort1.IsOpen());
  // The selectors were applied before the port opened.
  EXPECT_EQ(form.BComPort1.Port(), device.PortName());
  EXPECT_EQ(form.BComPort1.BaudRate(), serial::br115200);
}

TEST_F(KeyboardDeviceTest, ResetSendsTwoResetCommandsAndTheDeviceLeavesItsBootloader) {
  auto& device = StartDevice(SmallDevice());
  Press('L', true);
  EXPECT_EQ(shell.messages, std::vector<std::string>{"Скинуто прилад!!!"});
  std::string inbound;
  for (const auto& e : device.Transcript())
    if (e.direction == devsim::Direction::In) inbound += e.text;
  EXPECT_EQ(inbound, "r0101;r0101;");
  EXPECT_FALSE(device.Awake());
}

TEST_F(KeyboardDeviceTest, ResetDuringATransferEndsItWithThePortsError) {
  auto& device = StartDevice(SmallDevice());
  bool pressed = false;
  shell.onProcessMessages = [&] {
    // In the second block, so the gauge has progress for the stop key below.
    if (!pressed && device.stats().erases >= 2) {
      pressed = true;
      Press('L', true);
    }
  };
  shell.Run([&] { form.ButtonWriteClick(); });
  shell.onProcessMessages = nullptr;
  ASSERT_TRUE(pressed);
  EXPECT_EQ(Count("Скинуто прилад!!!"), 1u);
  // The transfer's next port operation fails on the closed port.
  ASSERT_EQ(shell.errors.size(), 1u);
  EXPECT_FALSE(form.BComPort1.IsOpen());
  EXPECT_FALSE(form.ButtonWrite.Enabled());
  // The program stays usable: the stop key re-enables, a new Write completes.
  Press(forms::VK_DELETE, true);
  EXPECT_TRUE(form.ButtonWrite.Enabled());
  shell.messages.clear();
  shell.Run([&] { form.ButtonWriteClick(); });
  ASSERT_FALSE(shell.messages.empty());
  EXPECT_NE(shell.messages[0].find("Мікропрограма успішно завантажена"), std::string::npos);
}

TEST_F(KeyboardDeviceTest, RefreshFollowsTheSimulatorsPortAppearingAndVanishing) {
  Press('R', true);
  EXPECT_TRUE(form.cbPort.Items().empty());
  StartDevice(SmallDevice());
  EXPECT_EQ(form.cbPort.Items(), std::vector<std::string>{sim->PortName()});
  sim->Stop();
  Press('R', true);
  EXPECT_TRUE(form.cbPort.Items().empty());
  EXPECT_EQ(form.cbPort.Text(), "");
  EXPECT_EQ(shell.messages, std::vector<std::string>{"Порти оновлено!"});
}

}  // namespace
