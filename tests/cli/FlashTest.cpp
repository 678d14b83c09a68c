// zor5-flash against simulated devices: parallel ports that fail on their own,
// the stop key, watching for ports, and a refused file.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

#include "cli/Commands.h"
#include "firmware/FirmwareTexts.h"
#include "protocol/ProtocolTexts.h"
#include "tests/cli/Program.h"
#include "tests/protocol/Rig.h"

namespace cli_tests {
namespace {

using nlohmann::json;
constexpr unsigned kBlockBytes = 10 * 64;  // the simulator's writes per block x bytes per write

std::vector<json> Records(const std::string& path) {
  std::vector<json> records;
  for (const auto& line : Lines(path)) records.push_back(json::parse(line));  // throws on a torn line
  return records;
}

const json& RecordOf(const std::vector<json>& records, const std::string& port) {
  for (const auto& r : records)
    if (r["port"] == port) return r;
  throw std::runtime_error("no record of " + port);
}

template <typename Done>
bool WaitFor(Done done, int limitMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

TEST(ParallelWrite, SilentAndSlowDevicesDelayNoOther) {
  RuntimeDir dir;
  auto normal = SmallDevice(dir, "good", 3);
  auto slow = SmallDevice(dir, "slow", 3);
  slow.writeBusyMs = 15;
  slow.programBusyMs = 15;
  auto silent = SmallDevice(dir, "mute", 3);
  silent.stopAfter = 20;  // identification and a few writes, then nothing
  devsim::Simulator a(normal), b(slow), c(silent);
  a.Start(), b.Start(), c.Start();

  const std::string log = dir.File("record.jsonl");
  Program flash(dir.Path(), {"write", "--log", log, "good", "slow", "mute"});
  EXPECT_EQ(flash.Wait(), 8) << flash.Output();  // the incomplete write decides

  const auto records = Records(log);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(RecordOf(records, "good")["outcome"], "written");
  EXPECT_EQ(RecordOf(records, "slow")["outcome"], "written");
  const json& mute = RecordOf(records, "mute");
  EXPECT_EQ(mute["outcome"], "write-failed");
  EXPECT_GT(mute["failed_attempts"].get<int>(), 399);
  // The others finished while the silent one still retried.
  EXPECT_LT(RecordOf(records, "slow")["end"].get<std::string>(), mute["end"].get<std::string>());

  a.Stop(), b.Stop(), c.Stop();
  const auto image = protocol_tests::ImageBytes(protocol_tests::CarriedImage(), 3 * kBlockBytes);
  EXPECT_EQ(a.Flash(), image);
  EXPECT_EQ(b.Flash(), image);
  EXPECT_NE(flash.Output().find("mute: " + std::string(protocol::texts::kIncompleteWarning).substr(0, 20)),
            std::string::npos);
}

TEST(ParallelWrite, TheWorstPortDecidesTheExitCodeAndTheOthersAreStillWritten) {
  RuntimeDir dir;
  auto newer = SmallDevice(dir, "newer", 2);
  newer.description = "991231";
  devsim::Simulator good(SmallDevice(dir, "good", 2)), ahead(newer);
  good.Start(), ahead.Start();

  Program both(dir.Path(), {"write", "--json", "good", "newer"});
  EXPECT_EQ(both.Wait(), 5) << both.Output();  // a newer version refused
  EXPECT_NE(both.Output().find("newer: " + std::string(protocol::texts::kNewerWritten)), std::string::npos);
  Program withMissing(dir.Path(), {"write", "newer", "absent", "good"});
  EXPECT_EQ(withMissing.Wait(), 6) << withMissing.Output();  // a port error outranks it

  good.Stop(), ahead.Stop();
  EXPECT_EQ(good.Flash(), protocol_tests::ImageBytes(protocol_tests::CarriedImage(), 2 * kBlockBytes));
  EXPECT_EQ(WholeBlocksWritten(ahead.Flash(), kBlockBytes), 0);
}

TEST(ParallelWrite, CtrlCStopsEveryPortAfterItsBlock) {
  RuntimeDir dir;
  std::vector<std::unique_ptr<devsim::Simulator>> sims;
  for (const char* name : {"left", "right"}) {
    auto o = SmallDevice(dir, name, 4);
    o.writeBusyMs = 40;  // a block of about half a second: the press lands inside the first
    sims.push_back(std::make_unique<devsim::Simulator>(o));
    sims.back()->Start();
  }
  const std::string log = dir.File("record.jsonl");
  Program flash(dir.Path(), {"write", "--log", log, "left", "right"});
  // Both devices past identification, in their first block.
  ASSERT_TRUE(WaitFor([&] { return sims[0]->stats().commands > 6 && sims[1]->stats().commands > 6; }, 20000));
  flash.Signal(SIGINT);
  EXPECT_EQ(flash.Wait(), 7) << flash.Output();

  const auto records = Records(log);
  ASSERT_EQ(records.size(), 2u);
  for (const auto& r : records) EXPECT_EQ(r["outcome"], "stopped") << r.dump();
  const std::string output = flash.Output();
  for (const char* port : {"left", "right"})
    EXPECT_NE(output.find(std::string(port) + ": " + std::string(protocol::texts::kStoppedMessage).substr(0, 40)),
              std::string::npos)
        << output;
  // The press came during the first block: each stopped at that block's end.
  for (auto& sim : sims) {
    sim->Stop();
    EXPECT_EQ(WholeBlocksWritten(sim->Flash(), kBlockBytes), 1);
  }
}

TEST(Watch, WritesEachPortThatAppearsOnce) {
  RuntimeDir dir;
  const std::string log = dir.File("record.jsonl");
  Program flash(dir.Path(), {"watch", "--log", log});
  ASSERT_TRUE(WaitFor([&] { return flash.Output().find(cli::kWatching) != std::string::npos; }, 30000))
      << flash.Output();
  devsim::Simulator first(SmallDevice(dir, "first", 2));
  first.Start();
  ASSERT_TRUE(WaitFor([&] { return Lines(log).size() == 1; }, 30000)) << flash.Output();
  devsim::Simulator second(SmallDevice(dir, "second", 2));
  second.Start();
  ASSERT_TRUE(WaitFor([&] { return Lines(log).size() == 2; }, 30000)) << flash.Output();
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // nothing written twice
  flash.Signal(SIGINT);
  EXPECT_EQ(flash.Wait(30000), 0) << flash.Output();

  const auto records = Records(log);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0]["port"], "first");
  EXPECT_EQ(records[1]["port"], "second");
  first.Stop(), second.Stop();
  const auto image = protocol_tests::ImageBytes(protocol_tests::CarriedImage(), 2 * kBlockBytes);
  EXPECT_EQ(first.Flash(), image);
  EXPECT_EQ(second.Flash(), image);
}

TEST(RefusedFile, NoPortOpensAndTheWindowsMessageIsShown) {
  RuntimeDir dir;
  devsim::Simulator device(SmallDevice(dir, "bench", 2));
  device.Start();
  const std::string hex = dir.File("broken.hex");
  std::ofstream(hex) << ":020000040000FA\n:0400000001020304F1\n:00000001FF\n";  // the second line's sum is wrong
  Program flash(dir.Path(), {"write", "--hex", hex, "bench"});
  EXPECT_EQ(flash.Wait(), 3);
  const std::string expected =
      "broken.hex: " + std::string(firmware::texts::kChecksumError) + "2! (:0400000001020304F1)";
  EXPECT_NE(flash.Output().find(expected), std::string::npos) << flash.Output();
  device.Stop();
  EXPECT_EQ(device.stats().commands + device.stats().garbageBytes + device.stats().ignoredAsleep, 0u);
  EXPECT_EQ(WholeBlocksWritten(device.Flash(), kBlockBytes), 0);
}

}  // namespace
}  // namespace cli_tests
