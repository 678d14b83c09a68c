// The component on a real pseudo-terminal, the master playing the device.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <termios.h>

#include <stdexcept>
#include <thread>

#include "forms/Synchronizer.h"
#include "serial/BCPort.h"
#include "serial/Messages.h"
#include "serial/PortList.h"
#include "serial/WireTime.h"
#include "serial/posix/LineSettings.h"
#include "tests/serial/Support.h"
#include "tests/serial/ErrorText.h"

using namespace serial;
using serial_test::Clock;
using serial_test::MsSince;
using serial_test::Pty;

using serial_test::MessageOf;

namespace {
struct Program {
  Pty pty;
  TBComPort port;
  Program() {
    ApplyMainWindowSettings(port);
    port.SetPort(pty.slavePath);
    port.SetBaudRate(br115200);
  }
};
}  // namespace

TEST(PtyOpenClose, TwiceAndBothFailuresStayClosed) {
  Program p;
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(p.port.Open());
    EXPECT_TRUE(p.port.Open());
    EXPECT_EQ(p.port.WriteStr("r0202;"), 6);
    EXPECT_EQ(p.pty.Receive(), "r0202;");
    EXPECT_TRUE(p.port.Close()) << "DTR/RTS on a pty are no failure";
    EXPECT_TRUE(p.port.Close());
  }

  ASSERT_TRUE(p.port.Open());
  TBComPort other;
  other.SetPort(p.pty.slavePath);
  EXPECT_EQ(MessageOf([&] { other.Open(); }), messages::kPortBusy);
  EXPECT_FALSE(other.IsOpen());
  p.port.Close();

  // Another program holding the lock.
  int holder = open(p.pty.slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
  EXPECT_EQ(MessageOf([&] { p.port.Open(); }), messages::kPortBusy);
  EXPECT_FALSE(p.port.IsOpen());
  close(holder);
  EXPECT_TRUE(p.port.Open()) << "free again once the holder let go";
  p.port.Close();

  for (const char* name : {"/dev/ostra-no-such-port", "no-such-port-xyz", ""}) {
    TBComPort missing;
    missing.SetPort(name);
    EXPECT_EQ(MessageOf([&] { missing.Open(); }), messages::kNoSuchPort) << name;
    EXPECT_FALSE(missing.IsOpen());
  }
  // Not a serial port at all: the line settings are refused.
  TBComPort notTty;
  notTty.SetPort("/dev/null");
  EXPECT_NE(MessageOf([&] { notTty.Open(); }), "");
  EXPECT_FALSE(notTty.IsOpen());
}

TEST(PtyReads, TimeOutsWithTheWindowsMeaning) {
  Program p;
  ASSERT_TRUE(p.port.Open());
  std::string s;
  // Nothing sent: 1 x 40 + 1 = 41 ms.
  auto t0 = Clock::now();
  EXPECT_EQ(p.port.ReadStr(s, 40), 0);
  double ms = MsSince(t0);
  EXPECT_TRUE(s.empty());
  EXPECT_GE(ms, 40.5);
  EXPECT_LT(ms, 250.0);

  p.pty.Send("0123456789AB");
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  t0 = Clock::now();
  EXPECT_EQ(p.port.ReadStr(s, 40), 12);
  EXPECT_EQ(s, "0123456789AB");
  EXPECT_LT(MsSince(t0), 41.0 + 200.0) << "the inter-byte gap may end it earlier, never later";

  // Count bytes end the read at once.
  p.pty.Send(std::string(40, 'x') + "rest");
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(p.port.ReadStr(s, 40), 40);
  EXPECT_EQ(p.port.ReadStr(s, 40), 4);
  EXPECT_EQ(s, "rest");

  // Bytes that keep coming within the interval keep the read going up to its total.
  p.port.Timeouts().SetReadInterval(30);
  p.port.Timeouts().SetReadTotalConstant(1000);
  std::thread sender([&] {
    for (int i = 0; i < 5; ++i) {
      p.pty.Send("ab");
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  });
  t0 = Clock::now();
  int n = p.port.ReadStr(s, 100);
  sender.join();
  EXPECT_EQ(n, 10);
  EXPECT_GE(MsSince(t0), 40.0 + 25.0) << "ended by the gap after the last byte";

  // The constructor's defaults: back at once with what is queued.
  TComTimeouts defaults;
  p.port.SetTimeouts(defaults);
  EXPECT_EQ(p.port.Timeouts().ReadInterval(), -1);
  p.pty.Send("queued");
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  t0 = Clock::now();
  EXPECT_EQ(p.port.ReadStr(s, 1000), 6);
  EXPECT_EQ(s, "queued");
  EXPECT_EQ(p.port.ReadStr(s, 1000), 0);
  EXPECT_LT(MsSince(t0), 30.0);
  p.port.Close();
}

// The transfer's reads: a reply in one write still waits out the whole 1 ms
// gap after it, and the finer timer slack a waiting read takes does not stay
// with the caller's thread.
TEST(PtyReads, ClosingGapIsWaitedAndTimerSlackRestored) {
  Program p;
  ASSERT_TRUE(p.port.Open());
  const int slackBefore = prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0);
  std::string s;
  for (int i = 0; i < 20; ++i) {
    Clock::time_point sent;
    std::thread device([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(3));
      sent = Clock::now();
      p.pty.Send("r8585;");
    });
    EXPECT_EQ(p.port.ReadStr(s, 20), 6);
    const auto returned = Clock::now();
    device.join();
    const double afterSend = std::chrono::duration<double, std::milli>(returned - sent).count();
    EXPECT_EQ(s, "r8585;");
    EXPECT_GE(afterSend, 1.0) << "the read ended before the inter-byte gap had passed";
    EXPECT_EQ(prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0), slackBefore);
  }
  // Nothing sent: the total still decides, to the millisecond, not earlier.
  auto t0 = Clock::now();
  EXPECT_EQ(p.port.ReadStr(s, 20), 0);
  EXPECT_GE(MsSince(t0), 21.0);
  EXPECT_EQ(prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0), slackBefore);
  p.port.Close();
}

TEST(PtyReads, HangUpDuringAReadIsAReadError) {
  Program p;
  p.port.Timeouts().SetReadTotalConstant(3000);
  p.port.Timeouts().SetReadInterval(0);
  ASSERT_TRUE(p.port.Open());
  std::thread killer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    p.pty.CloseMaster();
  });
  std::string s;
  auto t0 = Clock::now();
  EXPECT_EQ(MessageOf([&] { p.port.ReadStr(s, 10); }), messages::kReadError);
  killer.join();
  EXPECT_LT(MsSince(t0), 2000.0) << "no wait for the total time-out";
  EXPECT_TRUE(p.port.IsOpen()) << "a failed read leaves the port open";
  EXPECT_NE(MessageOf([&] { p.port.WriteStr("x"); }), "");
  // The event thread must not spin on the hung-up line.
  auto before = p.port.EventThreadWakeups();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_LT(p.port.EventThreadWakeups() - before, 20u);
  p.port.Close();
}

// Nobody reads the master: once the pty is full a write waits for its limit,
// which is the stored time-out unless the wire needs longer at the set rate.
TEST(PtyWrites, CompleteAndBoundedByTheWriteTimeOutOrTheWireTime) {
  Program p;
  const int filler = open(p.pty.slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(filler, 0);
  ASSERT_TRUE(p.port.Open());
  EXPECT_EQ(p.port.WriteStr(std::string(300, 'w')), 300);
  EXPECT_EQ(p.pty.Receive().size(), 300u);
  // The master's side takes in more behind our back for a while: fill until
  // a pause has freed no room.
  const auto fill = [filler] {
    for (bool wrote = true; wrote;) {
      wrote = false;
      while (write(filler, "zzzzzzzzzzzzzzzz", 16) > 0) wrote = true;
      while (write(filler, "z", 1) > 0) wrote = true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  };
  fill();
  // The stored limit (0 x len + 200 ms) is longer than 300 characters' wire.
  p.port.Timeouts().SetWriteTotalMultiplier(0);
  p.port.Timeouts().SetWriteTotalConstant(200);
  auto t0 = Clock::now();
  EXPECT_EQ(p.port.WriteStr(std::string(300, 'x')), 0);
  double ms = MsSince(t0);
  EXPECT_GE(ms, 195.0);
  EXPECT_LT(ms, 200.0 + 800.0);
  // BComPort1's 1 ms per character + 1 ms gives 20 characters 21 ms; at 2400
  // baud they need 84 ms of wire, and the write is not cut short before that.
  p.port.Timeouts().SetWriteTotalMultiplier(1);
  p.port.Timeouts().SetWriteTotalConstant(1);
  p.port.SetBaudRate(br2400);
  fill();
  t0 = Clock::now();
  EXPECT_EQ(p.port.WriteStr(std::string(20, 'y')), 0);
  ms = MsSince(t0);
  EXPECT_GE(ms, 84.0);
  EXPECT_LT(ms, 84.0 + 800.0);
  close(filler);
  p.port.Close();
}

// The same rule for a platform that takes the time-out block as it stands.
TEST(WireTime, WriteTimeOutsNeverShorterThanTheWire) {
  Dcb dcb;
  dcb.BaudRate = 9600;
  dcb.ByteSize = 8;
  CommTimeoutsBlock stored{1, 1, 1, 1, 1};
  // The transfer's 136-character write at 9600 8N1: 141.7 ms of wire.
  EXPECT_GE(WriteLimitMs(stored, dcb, 136), 142u);
  EXPECT_EQ(WriteLimitMs(stored, dcb, 6), 8u) << "7 ms of wire + the constant";
  EXPECT_EQ(WireSafeTimeouts(stored, dcb).WriteTotalTimeoutMultiplier, 2u);
  dcb.BaudRate = 115200;
  EXPECT_EQ(WriteLimitMs(stored, dcb, 136), 137u) << "the stored limit where it is longer";
  EXPECT_EQ(WireSafeTimeouts(stored, dcb).WriteTotalTimeoutMultiplier, 1u);
  dcb.BaudRate = 110;
  dcb.Parity = 2;
  dcb.StopBits = 2;
  EXPECT_EQ(WireSafeTimeouts(stored, dcb).WriteTotalTimeoutMultiplier, 110u) << "12 bits at 110 baud";
  EXPECT_EQ(WriteLimitMs(CommTimeoutsBlock{1, 1, 1, 0, 0}, dcb, 136), 0u) << "no write time-outs: no limit";
  EXPECT_EQ(WriteLimitMs(CommTimeoutsBlock{1, 1, 1, kMaxDword, 5}, dcb, 136), 0u);
}

TEST(PtyLineSettings, EveryRateSetExactly) {
  Program p;
  ASSERT_TRUE(p.port.Open());
  for (int i = br110; i <= br256000; ++i) {
    p.port.SetBaudRate(static_cast<TBaudRate>(i));
    // The master reads the slave's settings back.
    EXPECT_EQ(posix::ReadBackRate(p.pty.master), kBaudRates[i]) << kBaudRates[i];
  }
  p.port.SetBaudRate(br9600);  // and back from BOTHER to a standard code
  EXPECT_EQ(posix::ReadBackRate(p.pty.master), 9600u);
  EXPECT_EQ(MessageOf([&] { p.port.SetBaudRate(static_cast<TBaudRate>(15)); }), messages::kSetCommState);
  EXPECT_EQ(posix::ReadBackRate(p.pty.master), 9600u) << "nothing built from outside the table";
  EXPECT_TRUE(p.port.IsOpen());
  p.port.Close();
}

TEST(PtyEvents, ReceivedDataReachesOnRxCharAndIdleIsQuiet) {
  Program p;
  int total = 0, calls = 0;
  p.port.OnRxChar = [&](TBComPort&, int n) {
    total = n;
    ++calls;
  };
  ASSERT_TRUE(p.port.Open());
  p.pty.Send("hello");
  auto end = Clock::now() + std::chrono::seconds(2);
  while (calls == 0 && Clock::now() < end) forms::Synchronizer::Instance().CheckSynchronize(5);
  EXPECT_EQ(total, 5);
  // Data left unread must not make the thread spin, nor must an idle line.
  auto before = p.port.EventThreadWakeups();
  auto t0 = Clock::now();
  while (MsSince(t0) < 300) forms::Synchronizer::Instance().CheckSynchronize(5);
  EXPECT_LT(p.port.EventThreadWakeups() - before, 40u);
  std::string s;
  p.port.ReadStr(s, 5);
  EXPECT_EQ(s, "hello");
  before = p.port.EventThreadWakeups();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_LE(p.port.EventThreadWakeups() - before, 2u);
  // Close while the thread waits ends it through the stop signal.
  t0 = Clock::now();
  EXPECT_TRUE(p.port.Close());
  EXPECT_LT(MsSince(t0), 1000.0);
}

TEST(PtyEvents, AFailedDeliveryLeavesTheReplyForTheNextRead) {
  Program p;
  bool failed = false;
  p.port.OnRxChar = [&](TBComPort&, int) {
    failed = true;
    throw std::runtime_error("handler failed");
  };
  ASSERT_TRUE(p.port.Open());
  p.pty.Send("r84;");
  auto end = Clock::now() + std::chrono::seconds(2);
  while (!failed && Clock::now() < end) forms::Synchronizer::Instance().CheckSynchronize(5);
  ASSERT_TRUE(failed);
  // Time for the event thread to end after the failure handed back to it.
  auto t0 = Clock::now();
  while (MsSince(t0) < 50) forms::Synchronizer::Instance().CheckSynchronize(5);
  std::string s;
  EXPECT_EQ(p.port.ReadStr(s, 4), 4);
  EXPECT_EQ(s, "r84;");
  EXPECT_TRUE(p.port.Close());
}

TEST(PtyEvents, CloseWithHandOffsPendingOnARealLine) {
  Program p;
  p.port.OnRxChar = [](TBComPort&, int) {};
  ASSERT_TRUE(p.port.Open());
  p.pty.Send("data");  // the thread now waits for the main thread
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  auto t0 = Clock::now();
  EXPECT_TRUE(p.port.Close());
  EXPECT_LT(MsSince(t0), 1000.0);
  EXPECT_TRUE(p.port.Open()) << "the port is free again";
  p.port.Close();
}

namespace {
// Pumps the main thread until `done` or two seconds have passed.
template <class F>
bool PumpUntil(F done) {
  auto end = Clock::now() + std::chrono::seconds(2);
  while (!done() && Clock::now() < end) forms::Synchronizer::Instance().CheckSynchronize(5);
  return done();
}
}  // namespace

// Every arrival is told: also bytes that come while earlier ones sit unread,
// and bytes that come after a read of the same size.
TEST(PtyEvents, EveryArrivalIsToldOnce) {
  Program p;
  std::vector<int> counts;
  p.port.OnRxChar = [&](TBComPort&, int n) { counts.push_back(n); };
  ASSERT_TRUE(p.port.Open());
  std::string s;
  for (int round = 0; round < 3; ++round) {
    const std::size_t before = counts.size();
    p.pty.Send("r8585;");
    ASSERT_TRUE(PumpUntil([&] { return counts.size() > before; })) << "round " << round;
    EXPECT_EQ(p.port.ReadStr(s, 6), 6);
  }
  p.pty.Send("abc");
  ASSERT_TRUE(PumpUntil([&] { return counts.size() == 4; }));
  p.pty.Send("de");
  ASSERT_TRUE(PumpUntil([&] { return counts.size() == 5; })) << "an arrival behind unread bytes";
  EXPECT_EQ(counts.back(), 5);
  // A read alone is no arrival.
  EXPECT_EQ(p.port.ReadStr(s, 5), 5);
  auto t0 = Clock::now();
  while (MsSince(t0) < 100) forms::Synchronizer::Instance().CheckSynchronize(5);
  EXPECT_EQ(counts.size(), 5u);
  p.port.Close();
}

// What a pseudo-terminal cannot show: its driver has no TIOCMIWAIT and keeps
// no interrupt counters. OSTRA_TEST_PORT names a real port to run these on.
namespace {
std::string RealPort() {
  const char* port = std::getenv("OSTRA_TEST_PORT");
  return port ? port : "";
}
}  // namespace

TEST(RealPortEvents, ModemWaitEndsWithTheClose) {
  const std::string name = RealPort();
  if (name.empty()) GTEST_SKIP() << "a pseudo-terminal has no TIOCMIWAIT; set OSTRA_TEST_PORT to a real port";
  TBComPort port;
  ApplyMainWindowSettings(port);
  port.SetPort(name);
  port.OnCTSChange = [](TBComPort&, bool) {};
  ASSERT_TRUE(port.Open());
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  auto t0 = Clock::now();
  EXPECT_TRUE(port.Close());
  EXPECT_LT(MsSince(t0), 500.0) << "the driver's wait for modem lines was not interrupted";
}

TEST(RealPortEvents, LineErrorsFromTheCounters) {
  const std::string name = RealPort();
  if (name.empty()) GTEST_SKIP() << "a pseudo-terminal keeps no error counters (TIOCGICOUNT); set OSTRA_TEST_PORT";
  // A break sent on the line comes back through a loop-back plug as one.
  TBComPort port;
  ApplyMainWindowSettings(port);
  port.SetPort(name);
  TComErrors seen;
  port.OnError = [&](TBComPort&, TComErrors e) { seen = e; };
  ASSERT_TRUE(port.Open());
  std::string s;
  const int fd = open(PortDevicePath(name).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0 || tcsendbreak(fd, 0) != 0) {
    if (fd >= 0) close(fd);
    port.Close();
    GTEST_SKIP() << "cannot send a break on " << name;
  }
  close(fd);
  if (!PumpUntil([&] { return !seen.Empty(); })) {
    port.Close();
    GTEST_SKIP() << name << " has no loop-back plug: no break came back";
  }
  EXPECT_TRUE(seen.Contains(ceBreak));
  port.Close();
}

TEST(PtyEvents, BufferSizeChangedWhileBytesArriveMovesTheFullMark) {
  Program p;
  int fullCalls = 0;
  p.port.OnRx80Full = [&](TBComPort&) { ++fullCalls; };
  ASSERT_TRUE(p.port.Open());
  // The event thread weighs each arrival against the size the main thread sets.
  for (int i = 0; i < 40; ++i) {
    p.port.SetInBufSize(i % 2 ? 4096 : 4000);
    p.pty.Send("x");
    forms::Synchronizer::Instance().CheckSynchronize(2);
  }
  p.port.SetInBufSize(100);
  std::string s;
  auto until = Clock::now() + std::chrono::seconds(2);
  std::string drained;
  while (drained.size() < 40 && Clock::now() < until) {
    p.port.ReadStr(s, 64);
    drained += s;
    forms::Synchronizer::Instance().CheckSynchronize(2);
  }
  ASSERT_EQ(drained.size(), 40u);
  std::this_thread::sleep_for(std::chrono::milliseconds(60));  // the thread sees the queue empty
  fullCalls = 0;
  p.pty.Send(std::string(90, 'y'));  // 80 % of 100
  until = Clock::now() + std::chrono::seconds(2);
  while (fullCalls == 0 && Clock::now() < until) forms::Synchronizer::Instance().CheckSynchronize(5);
  EXPECT_EQ(fullCalls, 1);
  EXPECT_TRUE(p.port.Close());
}
