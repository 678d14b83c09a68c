// The transfer against a misbehaving device: lost, late and slow replies, a
// device that falls silent and one that hangs up.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <numeric>

#include "forms/Errors.h"
#include "protocol/ProtocolTexts.h"
#include "tests/protocol/Rig.h"

namespace protocol_tests {
namespace {

namespace texts = protocol::texts;
using Messages = std::vector<std::string>;
using Beeps = std::vector<unsigned>;

devsim::Options Geometry(unsigned writes, unsigned bytes, unsigned blocks) {
  devsim::Options o;
  o.writesPerBlock = writes;
  o.bytesPerWrite = bytes;
  o.blockCount = blocks;
  o.description = "210824";
  o.flashStart = devsim::FlashStart::Erased;  // too small for a version of its own
  return o;
}

// Runs of identical consecutive log lines: each run is one command and its re-sends.
std::vector<std::size_t> AttemptRuns(const std::vector<std::string>& log) {
  std::vector<std::size_t> runs;
  for (std::size_t i = 1; i < log.size(); i += 2) {
    if (i > 1 && log[i] == log[i - 2]) ++runs.back();
    else runs.push_back(1);
  }
  return runs;
}

std::string CalibrationOf(const protocol::ProcedureValues& v) {
  return "Автокалібровка: " + std::to_string(v.ErasePause) + "." + std::to_string(v.WritePause) + "." +
         std::to_string(v.ProgramPause);
}

TEST(Faults, LostAcknowledgementsAreSentAgainAndTheFlashStillMatches) {
  Rig rig;
  rig.FirmwareImage = CarriedImage();
  auto o = Geometry(10, 64, 24);
  o.dropRate = 0.05;
  o.seed = 5;
  auto& sim = rig.StartDevice(o);
  rig.Write();
  ASSERT_EQ(rig.shell.errors, Messages{});
  ASSERT_EQ(rig.shell.messages.size(), 1u);
  EXPECT_EQ(rig.shell.messages[0].rfind(texts::kLoadedMessageHead, 0), 0u);
  EXPECT_EQ(sim.Flash(), ImageBytes(rig.FirmwareImage, 10 * 64 * 24));
  const auto& v = rig.state.Procedure;
  EXPECT_GT(v.FailedAttempts, 0);
  EXPECT_EQ(v.ErasePause + v.WritePause + v.ProgramPause, v.FailedAttempts);
  EXPECT_EQ(rig.Label3.Caption(), CalibrationOf(v));
  // Every failed attempt is one more send of the same command.
  const auto runs = AttemptRuns(rig.LogLines(1));
  EXPECT_EQ(runs.size(), 24u * 21);
  EXPECT_EQ(std::accumulate(runs.begin(), runs.end(), std::size_t{0}) - runs.size(),
            static_cast<std::size_t>(v.FailedAttempts));
}

// From the moment the write starts, the device is silent: the pauses before its
// reads cannot change what they find, so they are cut short and only recorded.
void CutPausesOnceTheTransferRuns(Rig& rig) {
  rig.shell.onProcessMessages = [&rig] {
    if (!rig.ButtonConect.Enabled()) rig.shell.capSleeps = true;
  };
}

TEST(Faults, DeviceFallingSilentEndsAfterFourHundredFailedAttempts) {
  Rig rig;
  rig.FirmwareImage = CarriedImage();
  // A Linux name with a backslash and a byte that is no UTF-8 (0xEF, п in Windows-1251).
  rig.OpenDialog1.FileName = "/home/user/firmware/ZOR5\\210825-\xEF.hex";
  auto o = Geometry(4, 16, 4);
  // Identify, describe, block 0 (erase and four pairs), block 1's erase, write 1
  // and program 1: then write 2 at 0x50 gets no answer.
  o.stopAfter = 2 + 9 + 3;
  rig.StartDevice(o);
  CutPausesOnceTheTransferRuns(rig);

  rig.Write();

  ASSERT_EQ(rig.shell.errors, Messages{});
  const std::string failing = Frame("0502" + rig.FirmwareImage.substr(2 * 0x50, 32));
  auto expected = ExpectedCommands(rig.FirmwareImage, 4, 16, 2);
  expected.resize(9 + 4);  // up to block 1's second write
  const auto sent = SentCommands(rig.LogLines(1));
  ASSERT_GE(sent.size(), 400u + 12);
  EXPECT_EQ(Distinct(sent), expected);
  EXPECT_TRUE(rig.Inbound() == kIdentifyAndDescribe + Joined(sent)) << "the wire differs from the log";
  // The silent command made its 400 attempts; on an idle machine nothing before
  // it failed, and a loaded one adds its re-sends to the total.
  EXPECT_EQ(std::vector<std::string>(sent.end() - 400, sent.end()), std::vector<std::string>(400, failing));
  EXPECT_NE(sent[sent.size() - 401], failing);
  const int failedBefore = static_cast<int>(sent.size() - 400 - 12);
  const auto& v = rig.state.Procedure;
  EXPECT_EQ(v.FailedAttempts, 400 + failedBefore);
  EXPECT_EQ(rig.Label3.Caption(), CalibrationOf(v));
  // Its pause grew by 1 ms with each of its failures.
  std::vector<unsigned> grown(400);
  std::iota(grown.begin(), grown.end(), static_cast<unsigned>(v.WritePause - 400));
  ASSERT_GE(rig.shell.requestedSleeps.size(), 400u);
  EXPECT_EQ(std::vector<unsigned>(rig.shell.requestedSleeps.end() - 400, rig.shell.requestedSleeps.end()), grown);

  EXPECT_EQ(rig.shell.messages, (Messages{std::string(texts::kWriteError) + "000050", texts::kIncompleteWarning}));
  EXPECT_EQ(rig.shell.beeps, (Beeps{64, 64}));
  const auto& log = rig.shell.log;
  auto at = std::find(log.begin(), log.end(), "tone:1200/200");
  ASSERT_NE(at, log.end());
  EXPECT_EQ(*(at - 1), "beep:64");
  EXPECT_EQ(*(at + 1), "tone:800/200");
  EXPECT_EQ(*(at + 2), "tone:500/200");
  EXPECT_EQ(rig.shell.Entries("front").size(), 2u);
  EXPECT_EQ(rig.LabelNameOfHex.Caption(), "Мікропрограма : ZOR5\\210825-п.hex - помилка");
  EXPECT_FALSE(rig.ButtonWrite.Enabled());
  EXPECT_TRUE(rig.ButtonConect.Enabled());
  EXPECT_TRUE(rig.cbPort.Enabled());
  EXPECT_TRUE(rig.cbBaudRate.Enabled());
  EXPECT_TRUE(rig.ButtonOpenHex.Enabled());
  EXPECT_TRUE(rig.BComPort1.IsOpen());
  EXPECT_EQ(rig.ProgressbarReadWrite.Progress(), 1);
  EXPECT_EQ(rig.ProgressbarWrite.Position(), 2);
}

TEST(Faults, StopIsNoticedRightAfterAFailedAttempt) {
  Rig rig;
  rig.FirmwareImage = CarriedImage();
  auto o = Geometry(4, 16, 4);
  o.stopAfter = 2 + 9 + 1;  // block 1's first write gets no answer
  rig.StartDevice(o);
  const std::string failing = Frame("0501" + rig.FirmwareImage.substr(2 * 0x40, 32));
  int attemptsSeen = 0;
  rig.shell.onProcessMessages = [&] {
    if (rig.state.CommandText == failing && ++attemptsSeen == 3) rig.state.StopRequested = -1;
  };
  rig.Write();
  // The third attempt was still sent and read; its failure ends the transfer.
  auto expected = ExpectedCommands(rig.FirmwareImage, 4, 16, 2);
  expected.resize(9 + 2);
  const auto sent = SentCommands(rig.LogLines(1));
  EXPECT_EQ(Distinct(sent), expected);
  EXPECT_TRUE(rig.Inbound() == kIdentifyAndDescribe + Joined(sent)) << "the wire differs from the log";
  ASSERT_GE(sent.size(), 3u + 10);
  EXPECT_EQ(std::vector<std::string>(sent.end() - 3, sent.end()), std::vector<std::string>(3, failing));
  EXPECT_NE(sent[sent.size() - 4], failing);
  EXPECT_EQ(rig.state.Procedure.FailedAttempts, static_cast<int>(sent.size() - 10));
  EXPECT_EQ(rig.Label3.Caption(), CalibrationOf(rig.state.Procedure));
  EXPECT_EQ(rig.shell.messages, Messages{});
  EXPECT_TRUE(rig.BComPort1.IsOpen());
}

TEST(Faults, FailedAttemptsShareOneBudgetOverTheWholeProcedure) {
  Rig rig;
  rig.FirmwareImage = CarriedImage();
  auto o = Geometry(10, 16, 64);
  o.dropRate = 0.3;
  o.seed = 11;
  rig.StartDevice(o);
  // The device answers at once or not at all: a longer pause finds nothing more.
  CutPausesOnceTheTransferRuns(rig);

  rig.Write();

  ASSERT_EQ(rig.shell.errors, Messages{});
  ASSERT_EQ(rig.shell.messages.size(), 2u);
  const auto runs = AttemptRuns(rig.LogLines(1));
  ASSERT_GT(runs.size(), 1u);
  const std::size_t attempts = std::accumulate(runs.begin(), runs.end(), std::size_t{0});
  // Every command, the last one too, was accepted in the end.
  EXPECT_EQ(static_cast<std::size_t>(rig.state.Procedure.FailedAttempts), attempts - runs.size());
  // 399 failures spread over the commands before were tolerated; the command
  // that crossed 400 ended the procedure once its own attempts were over.
  const std::size_t failedBefore = attempts - runs.back() - (runs.size() - 1);
  EXPECT_LE(failedBefore, 399u);
  EXPECT_GE(failedBefore + runs.back() - 1, 400u);
  EXPECT_EQ(rig.state.Procedure.FailedAttempts, static_cast<int>(failedBefore + runs.back() - 1));
  EXPECT_GT(runs.size(), 40u);  // the budget was spread, not spent on one command
  // The message names the phase of that last command and the address it was at.
  const std::string last = rig.LogLines(1).back();
  const char* phaseText = last.rfind("Очистив", 0) == 0   ? texts::kEraseError
                          : last.rfind("Записав", 0) == 0 ? texts::kWriteError
                                                          : texts::kProgramError;
  char address[16];
  std::snprintf(address, sizeof address, "%06llX", static_cast<long long>(rig.state.Procedure.FlashAddress));
  EXPECT_EQ(rig.shell.messages[0], std::string(phaseText) + address);
}

TEST(Faults, HangUpMidTransferEndsInThePortErrorAndTheProgramGoesOn) {
  Rig rig;
  rig.FirmwareImage = CarriedImage();
  auto o = Geometry(4, 16, 4);
  o.hangUpAfter = 2 + 5;
  rig.StartDevice(o);
  CutPausesOnceTheTransferRuns(rig);
  rig.Write();

  ASSERT_EQ(rig.shell.errors.size(), 1u);
  const std::string error = rig.shell.errors[0];
  EXPECT_TRUE(error == "Помилка читання з порта\nНеобхідно повторно відкрити програму!" ||
              error == "Помилка запису в порт.\nНеобхідно повторно відкрити програму!")
      << error;
  EXPECT_EQ(rig.shell.messages, Messages{});
  // The controls stay as the preparation left them.
  EXPECT_FALSE(rig.ButtonWrite.Enabled());
  EXPECT_FALSE(rig.ButtonConect.Enabled());
  EXPECT_FALSE(rig.cbPort.Enabled());
  EXPECT_TRUE(rig.ButtonOpenHex.Enabled());
  EXPECT_LT(rig.state.Procedure.FailedAttempts, 400);

  // Plugged in again, as a new port: identification works.
  rig.shell.capSleeps = false;
  rig.shell.onProcessMessages = nullptr;
  rig.shell.errors.clear();
  rig.StartDevice(Geometry(4, 16, 4));
  rig.Identify();
  EXPECT_EQ(rig.shell.errors, Messages{});
  EXPECT_EQ(rig.shell.messages, (Messages{"Визначино:\r\n210824", texts::kSuspended}));
  EXPECT_TRUE(rig.BComPort1.IsOpen());
}

TEST(Faults, SlowEraseIsCalibratedAndTheWriteCompletes) {
  Rig rig;
  rig.FirmwareImage = CarriedImage();
  auto o = Geometry(4, 16, 6);
  o.eraseBusyMs = 30;
  auto& sim = rig.StartDevice(o);
  std::vector<std::string> captions;
  rig.Label3.Subscribe([&] { captions.push_back(rig.Label3.Caption()); });

  rig.Write();

  ASSERT_EQ(rig.shell.errors, Messages{});
  ASSERT_EQ(rig.shell.messages.size(), 1u);
  EXPECT_EQ(rig.shell.messages[0].rfind(texts::kLoadedMessageHead, 0), 0u);
  EXPECT_EQ(sim.Flash(), ImageBytes(rig.FirmwareImage, 4 * 16 * 6));
  const auto& v = rig.state.Procedure;
  EXPECT_GT(v.ErasePause, 0);
  EXPECT_EQ(v.ErasePause + v.WritePause + v.ProgramPause, v.FailedAttempts);
  EXPECT_EQ(rig.Label3.Caption(), CalibrationOf(v));
  // The label follows every failure: "0.0.0" from the identification, then one
  // caption per failed attempt, each pause only growing.
  ASSERT_EQ(captions.size(), 1u + static_cast<std::size_t>(v.FailedAttempts));
  int lastErase = 0;
  for (std::size_t i = 1; i < captions.size(); ++i) {
    int e = std::stoi(captions[i].substr(std::string("Автокалібровка: ").size()));
    EXPECT_GE(e, lastErase);
    lastErase = e;
  }
}

TEST(Faults, LateRepliesAreJudgedByTheReadThatFindsThem) {
  Rig rig;
  rig.FirmwareImage = CarriedImage();
  auto o = Geometry(2, 2, 1);
  o.lateMs = 80;  // far beyond a read's 21 ms
  auto& sim = rig.StartDevice(o);
  struct Judged {
    std::string command, reply;
    int erasePause;
  };
  std::vector<Judged> reads;
  // At each attempt's pump the reply of the attempt before it is still there.
  rig.shell.onProcessMessages = [&] {
    reads.push_back({rig.state.CommandText, rig.state.AckReply, rig.state.Procedure.ErasePause});
  };

  rig.Write();

  ASSERT_EQ(rig.shell.errors, Messages{});
  // The first erase was accepted after a few short pauses: on the late reply of
  // an earlier send, since its own answer comes 80 ms after it.
  auto firstWrite = std::find_if(reads.begin(), reads.end(),
                                 [](const Judged& j) { return j.command.rfind("r05", 0) == 0; });
  ASSERT_NE(firstWrite, reads.end());
  EXPECT_GE(firstWrite->erasePause, 1);
  EXPECT_LE(firstWrite->erasePause, 20);
  // An erase reply that a write's read finds fails that attempt.
  bool staleEraseFailedAWrite = false;
  for (std::size_t i = 1; i < reads.size(); ++i)
    if (reads[i - 1].command.rfind("r05", 0) == 0 && reads[i].command == reads[i - 1].command &&
        reads[i].reply.rfind("r84", 0) == 0 && reads[i].reply.back() == ';')
      staleEraseFailedAWrite = true;
  EXPECT_TRUE(staleEraseFailedAWrite);
  if (rig.shell.messages.size() == 1) {
    EXPECT_EQ(sim.Flash(), ImageBytes(rig.FirmwareImage, 4));
  }
}

}  // namespace
}  // namespace protocol_tests
