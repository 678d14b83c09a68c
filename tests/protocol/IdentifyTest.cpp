// Identification against a device on a pseudo-terminal: the wake-up, the tries,
// the fields, the description and the two failing ends of both variants.
#include <gtest/gtest.h>

#include "protocol/ProtocolTexts.h"
#include "tests/protocol/Rig.h"

namespace protocol_tests {
namespace {

namespace texts = protocol::texts;
using Messages = std::vector<std::string>;
using Beeps = std::vector<unsigned>;

TEST(Identify, DescribedDeviceShowsItsLinesAndLeavesThePortOpen) {
  Rig rig;
  devsim::Options o;
  // Two lines in the device's code page: "Прилад ZOR-5" and "версія 2.1".
  o.description = "\xCF\xF0\xE8\xEB\xE0\xE4 ZOR-5\n\xE2\xE5\xF0\xF1\xB3\xFF 2.1";
  rig.StartDevice(o);
  rig.ButtonOpenHex.SetEnabled(false);
  rig.ProgressbarWrite.SetPosition(7);
  rig.Label3.SetCaption("Автокалібровка: 3.2.1");
  rig.shell.logSleeps = true;

  rig.Identify();

  EXPECT_EQ(rig.shell.errors, Messages{});
  EXPECT_EQ(rig.shell.beeps, (Beeps{32, 64}));
  EXPECT_EQ(rig.shell.messages,
            (Messages{"Визначино:\r\nПрилад ZOR-5\r\nверсія 2.1", texts::kSuspended}));
  EXPECT_EQ(rig.MemoAbout.Lines(), (Messages{"Прилад ZOR-5", "версія 2.1"}));
  // One try: the first reply already ended with ";".
  EXPECT_EQ(rig.Inbound(), kIdentifyAndDescribe);
  EXPECT_EQ(rig.shell.requestedSleeps, (std::vector<unsigned>{50, 50, 50, 50, 50, 100, 1000}));
  EXPECT_EQ(rig.state.ReplyStatus, "83");
  EXPECT_EQ(rig.state.LoaderVersion, "02");
  EXPECT_EQ(rig.state.WritesPerBlock, 10);
  EXPECT_EQ(rig.state.BytesPerWrite, 64);
  EXPECT_EQ(rig.state.BlockCount, 192);
  EXPECT_EQ(rig.shell.pumps, 1);
  EXPECT_EQ(rig.LabelNameOfHex.Caption(), texts::kOpenHexStatus);
  EXPECT_EQ(rig.Label3.Caption(), "Автокалібровка: 0.0.0");
  EXPECT_EQ(rig.ProgressbarWrite.Position(), 0);
  EXPECT_EQ(rig.ProgressbarReadWrite.MaxValue(), 100);
  EXPECT_EQ(rig.ProgressbarReadWrite.Progress(), 0);
  EXPECT_TRUE(rig.ButtonOpenHex.Enabled());
  EXPECT_EQ(rig.window.ActiveControl(), &rig.ButtonOpenHex);
  EXPECT_TRUE(rig.BComPort1.IsOpen());
  EXPECT_TRUE(rig.sim->Awake());  // still in its bootloader
  EXPECT_EQ(rig.shell.Entries("front").size(), 1u);
}

TEST(Identify, ShortDescriptionRepliesShowNothingOrTheEmptyText) {
  {
    // The simulator's reply to an empty description is "r83" + two characters
    // + ";": six characters, which leaves nothing to show.
    Rig rig;
    devsim::Options o;
    o.description = "";
    rig.StartDevice(o);
    rig.Identify();
    EXPECT_TRUE(rig.MemoAbout.Lines().empty());
    EXPECT_EQ(rig.shell.messages.at(0), "Визначино:\r\n");
  }
  {
    Rig rig;
    ScriptedDevice device;
    device.describeReply = "r83;";
    device.Start();
    rig.SelectPort(device.PortName());
    rig.Identify();
    EXPECT_EQ(rig.MemoAbout.Text(), texts::kNoDescriptionByButton);
    EXPECT_EQ(rig.shell.messages.at(0), std::string("Визначино:\r\n") + texts::kNoDescriptionByButton);
    rig.shell.messages.clear();
    rig.Write();
    // The write variant's stand-in text is no six-digit version.
    EXPECT_EQ(rig.MemoAbout.Text(), texts::kNoDescriptionByWrite);
    EXPECT_EQ(rig.shell.messages, Messages{texts::kWhatIsThis});
  }
}

TEST(Identify, SilentDeviceCostsFiveTriesThenTheNotIdentifiedEnd) {
  for (auto variant : {protocol::Variant::IdentifyButton, protocol::Variant::WriteProcedure}) {
    Rig rig;
    devsim::Options o;
    o.silent = true;
    rig.StartDevice(o);
    rig.TextTerminal.SetText(":00000001FF");
    rig.MemoAbout.SetText("old");
    rig.state.ReplyStatus = "82";
    std::vector<long long> progress;
    rig.ProgressbarReadWrite.Subscribe([&] { progress.push_back(rig.ProgressbarReadWrite.Progress()); });

    if (variant == protocol::Variant::IdentifyButton) rig.Identify();
    else rig.Write();

    EXPECT_EQ(rig.Inbound(), std::string(25, 'r') + "r0202;r0202;r0202;r0202;r0202;");
    EXPECT_EQ(rig.state.ReplyStatus, "");
    const Beeps beeps = variant == protocol::Variant::IdentifyButton ? Beeps{32, 16} : Beeps{16};
    EXPECT_EQ(rig.shell.beeps, beeps);
    EXPECT_EQ(rig.shell.messages, Messages{variant == protocol::Variant::IdentifyButton
                                               ? texts::kNotIdentifiedByButton
                                               : texts::kNotIdentifiedByWrite});
    EXPECT_EQ(rig.LabelNameOfHex.Caption(), texts::kReadyForWriting);
    EXPECT_TRUE(rig.TextTerminal.Lines().empty());
    EXPECT_TRUE(rig.MemoAbout.Lines().empty());
    EXPECT_FALSE(rig.BComPort1.IsOpen());
    // Ten steps of 10 fill the gauge; the end brings it back to 0.
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(*std::max_element(progress.begin(), progress.end()), 100);
    EXPECT_EQ(rig.ProgressbarReadWrite.Progress(), 0);
  }
}

TEST(Identify, UnknownBootloaderShowsItsVersionAndKeepsThePortOpen) {
  for (auto variant : {protocol::Variant::IdentifyButton, protocol::Variant::WriteProcedure}) {
    Rig rig;
    devsim::Options o;
    o.loaderVersion = "03";
    rig.StartDevice(o);
    rig.MemoAbout.SetText("old");
    if (variant == protocol::Variant::IdentifyButton) rig.Identify();
    else rig.Write();
    EXPECT_EQ(rig.Inbound(), kWakeUpAndIdentify);  // no description asked for
    EXPECT_EQ(rig.shell.messages, Messages{"03 - невідома версія завантажувача мікроконтролера"});
    EXPECT_EQ(rig.shell.beeps.back(), 64u);
    EXPECT_EQ(rig.ButtonOpenHex.Enabled(), variant == protocol::Variant::IdentifyButton);
    EXPECT_TRUE(rig.MemoAbout.Lines().empty());
    EXPECT_EQ(rig.LabelNameOfHex.Caption(), texts::kReadyForWriting);
    EXPECT_TRUE(rig.BComPort1.IsOpen());
    EXPECT_EQ(rig.ProgressbarReadWrite.Progress(), 0);
  }
}

TEST(Identify, ReplyCutBeforeItsSemicolonIsTriedFiveTimesAndItsCutFieldIsZero) {
  Rig rig;
  ScriptedDevice device;
  device.identifyReply = "r820201040A40";  // the block count is cut off
  device.Start();
  rig.SelectPort(device.PortName());

  rig.Write();

  EXPECT_EQ(rig.state.WritesPerBlock, 10);
  EXPECT_EQ(rig.state.BytesPerWrite, 64);
  EXPECT_EQ(rig.state.BlockCount, 0);
  // A block count of 0 writes nothing and still ends as completed.
  EXPECT_EQ(device.Inbound(), std::string(25, 'r') + "r0202;r0202;r0202;r0202;r0202;r0303;r0101;r0101;");
  ASSERT_EQ(rig.shell.messages.size(), 1u);
  EXPECT_EQ(rig.shell.messages[0].rfind(texts::kLoadedMessageHead, 0), 0u);
  EXPECT_EQ(rig.LabelNameOfHex.Caption(), std::string(texts::kLoadedStatus) + "12:34:56");
}

}  // namespace
}  // namespace protocol_tests
