// The write procedure end to end: the carried firmware into a simulated device,
// the exact wire of small geometries, the version decision and the stop.
#include <gtest/gtest.h>

#include "forms/Errors.h"
#include "protocol/ProtocolTexts.h"
#include "tests/protocol/Rig.h"

namespace protocol_tests {
namespace {

namespace texts = protocol::texts;
using Messages = std::vector<std::string>;
using Beeps = std::vector<unsigned>;

const std::string kReset2 = "r0101;r0101;";

std::string LoadedMessage(const std::string& time) {
  return texts::kLoadedMessageHead + time + texts::kLoadedMessageTail;
}

// The device saw the identification, then exactly the commands that the log
// says were sent (each attempt one whole command), and these are the expected
// ones once re-sends are folded.
void ExpectWire(const Rig& rig, const std::string& inbound, const std::vector<std::string>& expected,
                const std::string& after) {
  const auto sent = SentCommands(rig.LogLines(1));
  // Every command is accepted once; the other attempts are the failed ones.
  EXPECT_EQ(sent.size() - static_cast<std::size_t>(rig.state.Procedure.FailedAttempts), expected.size());
  EXPECT_EQ(Distinct(sent), Distinct(expected));
  EXPECT_TRUE(inbound == kIdentifyAndDescribe + Joined(sent) + after) << "the wire differs from the log";
}

devsim::Options WithVersion(unsigned writes, unsigned bytes, unsigned blocks, const char* version = "210824") {
  devsim::Options o;
  o.writesPerBlock = writes;
  o.bytesPerWrite = bytes;
  o.blockCount = blocks;
  o.description = version;
  o.flashStart = devsim::FlashStart::Erased;  // too small for a version of its own
  return o;
}

TEST(Write, CarriedFirmwareIntoDefaultDeviceThenTheSameVersionIsRefused) {
  Rig rig;
  rig.FirmwareImage = CarriedImage();
  auto& sim = rig.StartDevice(devsim::Options{});
  rig.ButtonOpenHex.SetEnabled(false);
  rig.shell.timeOfDay = "23:59:58";
  long long topProgress = 0;
  rig.ProgressbarReadWrite.Subscribe(
      [&] { topProgress = std::max<long long>(topProgress, rig.ProgressbarReadWrite.Progress()); });

  rig.Write();

  ASSERT_EQ(rig.shell.errors, Messages{});
  EXPECT_EQ(rig.shell.messages, Messages{LoadedMessage("23:59:58")});
  EXPECT_EQ(rig.shell.beeps, (Beeps{64, 48}));
  EXPECT_EQ(rig.LabelNameOfHex.Caption(), "Мікропрограма : успішно завантажена в 23:59:58");
  ExpectWire(rig, rig.Inbound(), ExpectedCommands(rig.FirmwareImage, 10, 64, 192), kReset2);
  EXPECT_EQ(sim.Flash(), ImageBytes(rig.FirmwareImage, 10 * 64 * 192));
  // Controls after the completed end.
  EXPECT_FALSE(rig.ButtonWrite.Enabled());
  EXPECT_TRUE(rig.ButtonConect.Enabled());
  EXPECT_EQ(rig.window.ActiveControl(), &rig.ButtonConect);
  EXPECT_TRUE(rig.cbPort.Enabled());
  EXPECT_TRUE(rig.cbBaudRate.Enabled());
  EXPECT_TRUE(rig.ButtonOpenHex.Enabled());
  EXPECT_FALSE(rig.BComPort1.IsOpen());
  EXPECT_FALSE(sim.Awake());  // reset: out of its bootloader
  EXPECT_EQ(rig.ProgressbarReadWrite.MaxValue(), 192);
  EXPECT_EQ(topProgress, 192);
  EXPECT_EQ(rig.ProgressbarReadWrite.Progress(), 0);
  EXPECT_EQ(rig.ProgressbarWrite.Max(), 10);
  EXPECT_EQ(rig.ProgressbarWrite.Position(), 0);
  // Without failures (an idle machine) every command is sent once and the
  // pauses stay at 0; a loaded one may cost a re-send now and then.
  const auto log = rig.LogLines(1);
  const std::size_t attempts = SentCommands(log).size();
  const auto& v = rig.state.Procedure;
  EXPECT_EQ(static_cast<std::size_t>(v.FailedAttempts), attempts - 192 * 21);
  EXPECT_EQ(rig.Label3.Caption(), "Автокалібровка: " + std::to_string(v.ErasePause) + "." +
                                      std::to_string(v.WritePause) + "." + std::to_string(v.ProgramPause));
  // Pumping: once in the identification; per block once, then once per write
  // command and once per attempt.
  EXPECT_EQ(rig.shell.pumps, static_cast<long>(1 + 192 + 192 * 10 + attempts));
  // The log: the version, then per attempt a separator and its word + command.
  EXPECT_EQ(rig.MemoAbout.Lines().at(0), "210824");
  ASSERT_EQ(log.size(), 2 * attempts);
  for (std::size_t i = 0; i < log.size(); i += 2) {
    ASSERT_EQ(log[i], "");
    const std::string& line = log[i + 1];
    const char* word = line.find("r04") != std::string::npos   ? "Очистив"
                       : line.find("r05") != std::string::npos ? "Записав"
                                                               : "Прошив";
    ASSERT_EQ(line.rfind(word, 0), 0u) << line;
  }
  EXPECT_EQ(log[1], "Очистив" + Frame("04000000"));

  // The device now holds 210825 itself.
  rig.shell.messages.clear();
  rig.shell.beeps.clear();
  rig.ButtonWrite.SetEnabled(true);
  const std::size_t before = rig.Inbound().size();
  rig.Write();
  EXPECT_EQ(rig.MemoAbout.Text(), "210825");
  EXPECT_EQ(rig.shell.messages, Messages{texts::kAlreadyWritten});
  EXPECT_EQ(rig.shell.beeps, Beeps{48});
  EXPECT_EQ(rig.Inbound().substr(before), kIdentifyAndDescribe + kReset2);
  EXPECT_FALSE(rig.BComPort1.IsOpen());
  EXPECT_TRUE(rig.ButtonWrite.Enabled());
}

TEST(Write, SmallestGeometrySendsExactlyThreeCommands) {
  Rig rig;
  rig.FirmwareImage = ImageWith(1024, 0, {0x12, 0x34});
  rig.StartDevice(WithVersion(1, 2, 1));  // one block of one write of two bytes
  rig.Write();
  ASSERT_EQ(rig.shell.errors, Messages{});
  ExpectWire(rig, rig.Inbound(), {"r0400000004;", "r050112344C;", "r0606;"}, kReset2);
  EXPECT_EQ(rig.sim->Flash(), (std::vector<uint8_t>{0x12, 0x34}));
  EXPECT_EQ(rig.shell.messages, Messages{LoadedMessage("12:34:56")});
}

TEST(Write, BlocksFollowEachOtherAtTheAddressPastThePreviousBlock) {
  Rig rig;
  rig.FirmwareImage = CarriedImage();
  rig.StartDevice(WithVersion(2, 16, 2));
  rig.Write();
  ASSERT_EQ(rig.shell.errors, Messages{});
  const std::string& img = rig.FirmwareImage;
  const std::string firstBlockAndNextErase = Frame("04000000") + Frame("0501" + img.substr(0, 32)) + "r0606;" +
                                             Frame("0502" + img.substr(32, 32)) + "r0606;" + Frame("04000020");
  const auto commands = ExpectedCommands(img, 2, 16, 2);
  EXPECT_EQ(Joined({commands.begin(), commands.begin() + 6}), firstBlockAndNextErase);
  ExpectWire(rig, rig.Inbound(), commands, kReset2);
  EXPECT_EQ(rig.sim->Flash(), ImageBytes(img, 64));
}

TEST(Write, DegenerateGeometriesAndAnImageThatEndsEarly) {
  struct Case {
    const char* geometry;  // WW BB CCCC of the identify reply
    std::string image;
    std::vector<std::string> transfer;
  };
  const std::string erase0 = "r0400000004;";
  const Case cases[] = {
      // No writes per block: every block is only erased, always at 000000.
      {"00100003", ImageWith(64, 0, {1, 2}), {erase0, erase0, erase0}},
      // No bytes per write: empty writes, and the address never moves.
      {"02000002", ImageWith(64, 0, {1, 2}),
       {erase0, "r050106;", "r0606;", "r050207;", "r0606;", erase0, "r050106;", "r0606;", "r050207;", "r0606;"}},
      // No blocks: nothing is sent at all.
      {"0A400000", ImageWith(64, 0, {1, 2}), {}},
      // The image ends inside the second write and before the second block.
      {"02020002", "123456",
       {erase0, Frame("05011234"), "r0606;", Frame("050256"), "r0606;", Frame("04000004"), "r050106;", "r0606;",
        "r050207;", "r0606;"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.geometry);
    Rig rig;
    ScriptedDevice device;
    device.identifyReply = std::string("r82020104") + c.geometry + ";";
    device.Start();
    rig.SelectPort(device.PortName());
    rig.FirmwareImage = c.image;
    rig.Write();
    EXPECT_EQ(rig.shell.errors, Messages{});
    ExpectWire(rig, device.Inbound(), c.transfer, kReset2);
    EXPECT_EQ(rig.shell.messages, Messages{LoadedMessage("12:34:56")});
    EXPECT_FALSE(rig.BComPort1.IsOpen());
  }
}

TEST(Write, VersionDecision) {
  struct Case {
    std::string description;
    std::string message;  // empty: the conversion error below
    std::string error;
  };
  const Case cases[] = {
      {"210825", texts::kAlreadyWritten, ""},
      {"210826", texts::kNewerWritten, ""},
      {"21082", texts::kWhatIsThis, ""},
      {"2108\n25", texts::kWhatIsThis, ""},
      {"abcdef", "", "'abcdef' is not a valid integer value."},
      // Six characters of the device's code page: judged by characters, not bytes.
      {"\xE2\xE5\xF0\xF1\xB3\xFF", "", "'версія' is not a valid integer value."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.description);
    Rig rig;
    rig.FirmwareImage = ImageWith(64, 0, {});
    devsim::Options o;
    o.description = c.description;
    rig.StartDevice(o);
    rig.Write();
    const bool refused = !c.message.empty();
    EXPECT_EQ(rig.shell.messages, refused ? Messages{c.message} : Messages{});
    EXPECT_EQ(rig.shell.errors, refused ? Messages{} : Messages{c.error});
    // A refusal resets the device and closes the port; the conversion error does neither.
    EXPECT_EQ(rig.Inbound(), kIdentifyAndDescribe + (refused ? kReset2 : ""));
    EXPECT_EQ(rig.BComPort1.IsOpen(), !refused);
    EXPECT_EQ(rig.shell.beeps, refused ? Beeps{48} : Beeps{});
    for (const forms::Control* c2 : std::initializer_list<const forms::Control*>{
             &rig.ButtonWrite, &rig.ButtonConect, &rig.cbPort, &rig.cbBaudRate, &rig.ButtonOpenHex})
      EXPECT_TRUE(c2->Enabled()) << c2->Name();
  }
}

TEST(Write, StopIsNoticedAtTheNextBlockButNotAfterTheLast) {
  {
    Rig rig;
    rig.FirmwareImage = CarriedImage();
    rig.StartDevice(WithVersion(2, 4, 3));
    // The stop key acts at a pumping point once the gauge has moved.
    rig.shell.onProcessMessages = [&] {
      if (rig.ProgressbarReadWrite.Progress() == 1) rig.state.StopRequested = -1;
    };
    rig.Write();
    ExpectWire(rig, rig.Inbound(), ExpectedCommands(rig.FirmwareImage, 2, 4, 1), "");
    EXPECT_EQ(rig.shell.messages, Messages{});
    EXPECT_EQ(rig.shell.beeps, Beeps{64});
    EXPECT_TRUE(rig.BComPort1.IsOpen());
    EXPECT_TRUE(rig.sim->Awake());
    EXPECT_EQ(rig.ProgressbarReadWrite.Progress(), 1);
    EXPECT_EQ(rig.LabelNameOfHex.Caption(), texts::kWriting);
  }
  {
    Rig rig;
    rig.FirmwareImage = CarriedImage();
    rig.StartDevice(WithVersion(2, 4, 3));
    rig.shell.onProcessMessages = [&] {
      if (rig.ProgressbarReadWrite.Progress() == 2 && rig.state.CommandText.rfind("r05", 0) == 0)
        rig.state.StopRequested = -1;
    };
    rig.Write();
    ExpectWire(rig, rig.Inbound(), ExpectedCommands(rig.FirmwareImage, 2, 4, 3), kReset2);
    EXPECT_EQ(rig.shell.messages, Messages{LoadedMessage("12:34:56")});
  }
}

TEST(Write, StopAskedBeforeTheTransferIsWipedOut) {
  Rig rig;
  rig.FirmwareImage = CarriedImage();
  rig.StartDevice(WithVersion(1, 4, 2));
  rig.state.StopRequested = -1;  // asked during the identification
  rig.Write();
  ExpectWire(rig, rig.Inbound(), ExpectedCommands(rig.FirmwareImage, 1, 4, 2), kReset2);
  EXPECT_EQ(rig.state.StopRequested, 0);
}

}  // namespace
}  // namespace protocol_tests
