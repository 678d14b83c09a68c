// The component's rules, seen through a comm layer that records each call.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "forms/Synchronizer.h"
#include "serial/BCPort.h"
#include "serial/Messages.h"
#include "tests/serial/Support.h"
#include "tests/serial/ErrorText.h"

using namespace serial;
using serial_test::FakeLayer;

using serial_test::MessageOf;

namespace {

struct Faked {
  FakeLayer::State state;
  TBComPort port{std::make_unique<FakeLayer>(state)};
};

bool Contains(const std::vector<std::string>& log, const std::string& entry) {
  return std::find(log.begin(), log.end(), entry) != log.end();
}

}  // namespace

TEST(ComPortProperties, WhatMayChangeWhileOpen) {
  Faked f;
  ApplyMainWindowSettings(f.port);
  EXPECT_TRUE(f.state.Log().empty()) << "a closed port touches nothing";
  f.port.SetBaudRate(br57600);
  EXPECT_TRUE(f.state.Log().empty());
  ASSERT_TRUE(f.port.Open());
  EXPECT_EQ(f.state.states.back().BaudRate, 57600u) << "the closed-time value is used at Open";

  EXPECT_EQ(MessageOf([&] { f.port.SetPort("COM2"); }), messages::kPropertyWhileOpen) << "even the same name";
  EXPECT_EQ(MessageOf([&] { f.port.SetSyncMethod(smThreadSync); }), "");
  EXPECT_EQ(MessageOf([&] { f.port.SetSyncMethod(smNone); }), messages::kPropertyWhileOpen);
  EXPECT_EQ(f.port.SyncMethod(), smThreadSync);

  f.state.Clear();
  f.port.SetBaudRate(br9600);
  f.port.SetBaudRate(br9600);  // same value: no second push
  f.port.Timeouts().SetReadInterval(7);
  f.port.SetInBufSize(4096);
  auto log = f.state.Log();
  EXPECT_EQ(std::count(log.begin(), log.end(), "state:9600"), 1);
  EXPECT_TRUE(Contains(log, "timeouts"));
  EXPECT_TRUE(Contains(log, "setup:4096/2048"));
  EXPECT_EQ(f.state.timeouts.back().ReadIntervalTimeout, 7u);
  // A copy of the time-outs is bound to no port: changing it pushes nothing.
  TComTimeouts copy = f.port.Timeouts();
  f.state.Clear();
  copy.SetReadInterval(99);
  EXPECT_TRUE(f.state.Log().empty());
  EXPECT_EQ(f.port.Timeouts().ReadInterval(), 7);
  f.port.SetTimeouts(copy);
  EXPECT_EQ(f.state.timeouts.back().ReadIntervalTimeout, 99u);
  EXPECT_TRUE(f.port.Close());
  EXPECT_NO_THROW(f.port.SetPort("ttyUSB0"));
}

TEST(ComPortProperties, BufferSizesAndFailedPushKeepsValue) {
  Faked f;
  f.port.SetInBufSize(2049);
  EXPECT_EQ(f.port.InBufSize(), 2048);
  f.port.SetOutBufSize(-3);
  EXPECT_EQ(f.port.OutBufSize(), -3);
  f.port.SetOutBufSize(0);
  EXPECT_EQ(f.port.OutBufSize(), 0);
  ASSERT_TRUE(f.port.Open());
  f.state.failSetup = true;
  EXPECT_EQ(MessageOf([&] { f.port.SetInBufSize(1001); }), messages::kSetupComm);
  EXPECT_EQ(f.port.InBufSize(), 1000);
  EXPECT_TRUE(f.port.IsOpen());
  f.state.failSetup = false;
}

TEST(ComPortLineSettings, BlockHandedToThePlatform) {
  Faked f;
  f.port.SetBaudRate(br115200);
  ASSERT_TRUE(f.port.Open());
  const Dcb d = f.state.states.back();
  EXPECT_EQ(d.DCBlength, 28u);
  EXPECT_EQ(d.BaudRate, 115200u);
  EXPECT_EQ(d.Flags, 4113u);
  EXPECT_EQ(d.ByteSize, 8);
  EXPECT_EQ(d.Parity, 0);
  EXPECT_EQ(d.StopBits, 0);
  EXPECT_EQ(d.XonChar, 17);
  EXPECT_EQ(d.XoffChar, 19);
  EXPECT_EQ(d.XonLim, 0);
  EXPECT_EQ(d.ErrorChar + d.EofChar + d.EvtChar, 0);

  f.port.SetParity(paMark);
  f.port.SetByteSize(bs7);
  f.port.SetStopBits(sb1_5);
  const Dcb p = f.state.states.back();
  EXPECT_EQ(p.Flags, 4115u);
  EXPECT_EQ(p.Parity, 3);
  EXPECT_EQ(p.ByteSize, 7);
  EXPECT_EQ(p.StopBits, 1);

  // The constructor's time-outs: a negative interval reaches the platform as
  // all bits set.
  const auto t = f.state.timeouts.back();
  EXPECT_EQ(t.ReadIntervalTimeout, 0xFFFFFFFFu);
  EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 0u);
  EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 100u);
  EXPECT_EQ(t.WriteTotalTimeoutConstant, 1000u);
  EXPECT_EQ(NormalizeTimeout(-5), 0xFFFFFFFFu);
}

TEST(ComPortLineSettings, RateOutsideTheTableNeverReachesThePlatform) {
  Faked f;
  f.port.SetBaudRate(static_cast<TBaudRate>(-1));  // the selector with no item
  EXPECT_EQ(f.port.BaudRate(), static_cast<TBaudRate>(255)) << "stored as given";
  EXPECT_EQ(MessageOf([&] { f.port.Open(); }), messages::kSetCommState);
  EXPECT_FALSE(f.port.IsOpen());
  EXPECT_TRUE(f.state.states.empty());
  EXPECT_EQ(f.state.Log().back(), "close") << "the device is closed again";
  f.port.SetBaudRate(br9600);
  EXPECT_TRUE(f.port.Open());
}

TEST(ComPortOpenClose, StepsAndTheirUndo) {
  Faked f;
  EXPECT_TRUE(f.port.Close());
  EXPECT_TRUE(f.state.Log().empty()) << "closing a closed port calls nothing";
  ASSERT_TRUE(f.port.Open());
  auto log = f.state.Log();
  ASSERT_GE(log.size(), 5u);
  EXPECT_EQ(log[0], "open:COM2");
  EXPECT_EQ(log[1], "setup:2048/2048");
  EXPECT_EQ(log[2], "state:9600");
  EXPECT_EQ(log[3], "timeouts");
  EXPECT_EQ(log[4], "mask:1469") << "the thread watches all eight events";
  f.state.Clear();
  EXPECT_TRUE(f.port.Open());
  EXPECT_TRUE(f.state.Log().empty()) << "no reopen, no push";

  EXPECT_TRUE(f.port.Close());
  log = f.state.Log();
  std::vector<std::string> expected = {"escape:6", "escape:4", "purge:3", "mask:0", "purge:12", "close"};
  EXPECT_EQ(log, expected) << "DTR, RTS, abort, thread's mask 0 and purge, then the device";
  EXPECT_FALSE(f.port.IsOpen());

  for (auto [result, text] : {std::pair{CommLayer::OpenResult::NotFound, messages::kNoSuchPort},
                              std::pair{CommLayer::OpenResult::Busy, messages::kPortBusy},
                              std::pair{CommLayer::OpenResult::AccessDenied, messages::kAccessDenied},
                              std::pair{CommLayer::OpenResult::Other, messages::kSetupComm}}) {
    f.state.openResult = result;
    EXPECT_EQ(MessageOf([&] { f.port.Open(); }), text);
    EXPECT_FALSE(f.port.IsOpen());
  }
}

TEST(ComPortOperations, EmptyWritesAndReadsStartNothing) {
  Faked f;
  ASSERT_TRUE(f.port.Open());
  f.state.Clear();
  std::string s = "old";
  EXPECT_EQ(f.port.WriteStr(""), 0);
  EXPECT_EQ(f.port.ReadStr(s, 0), 0);
  EXPECT_TRUE(s.empty());
  EXPECT_EQ(f.port.ReadStr(s, -4), 0);
  EXPECT_TRUE(f.state.Log().empty());
  PAsync op = nullptr;
  EXPECT_EQ(MessageOf([&] { f.port.WaitForCompletion(op); }), messages::kBadAsync);
  EXPECT_EQ(MessageOf([&] { f.port.StartRead(nullptr, 1, op); }), messages::kBadAsync);
  NewAsyncOperation(op);
  EXPECT_EQ(f.port.WaitForCompletion(op), 0) << "a fresh record is already complete";
  FreeAsyncOperation(op);
  EXPECT_EQ(op, nullptr);
}

// --- delivery ---

namespace {
bool WaitFor(const std::function<bool()>& cond, int ms = 2000) {
  auto end = serial_test::Clock::now() + std::chrono::milliseconds(ms);
  while (!cond()) {
    if (serial_test::Clock::now() > end) return false;
    forms::Synchronizer::Instance().CheckSynchronize(5);
  }
  return true;
}
}  // namespace

TEST(ComPortEvents, ErrorBeforeRxCharAndTheParityRule) {
  Faked f;
  f.port.SetSyncMethod(smNone);
  std::mutex m;
  std::vector<std::string> fired;
  f.port.OnRxChar = [&](TBComPort&, int n) {
    std::lock_guard l(m);
    fired.push_back("rx:" + std::to_string(n));
  };
  f.port.OnError = [&](TBComPort&, TComErrors e) {
    std::lock_guard l(m);
    fired.push_back("error:" + std::to_string(e.Bits()));
  };
  auto count = [&] {
    std::lock_guard l(m);
    return fired.size();
  };
  f.state.inQueue = 5;
  f.state.errors = CE_RXPARITY | CE_FRAME;
  ASSERT_TRUE(f.port.Open());
  f.state.PushEvent(EV_RXCHAR | EV_ERR | 0x8000 /* not ours: ignored */);
  ASSERT_TRUE(WaitFor([&] { return count() == 2; }));
  {
    std::lock_guard l(m);
    EXPECT_EQ(fired[0], "error:1") << "parity dropped while Parity is paNone";
    EXPECT_EQ(fired[1], "rx:5");
  }
  // Only a parity error with paNone: the handler is not called at all, yet the
  // driver's state is still read and cleared.
  f.state.errors = CE_RXPARITY;
  f.state.Clear();
  f.state.PushEvent(EV_ERR);
  ASSERT_TRUE(WaitFor([&] { return serial_test::Contains(f.state.Log(), "clearerror"); }));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(count(), 2u);
  f.port.SetParity(paEven);
  f.state.PushEvent(EV_ERR);
  ASSERT_TRUE(WaitFor([&] { return count() == 3; }));
  {
    std::lock_guard l(m);
    EXPECT_EQ(fired[2], "error:2");
  }
  EXPECT_TRUE(f.port.Close());
}

TEST(ComPortEvents, ThreadSyncRunsOnTheMainThreadAndCloseNeverDeadlocks) {
  Faked f;
  std::thread::id where;
  int calls = 0;
  f.port.OnRxChar = [&](TBComPort&, int) {
    where = std::this_thread::get_id();
    ++calls;
  };
  f.state.inQueue = 3;
  ASSERT_TRUE(f.port.Open());
  f.state.PushEvent(EV_RXCHAR);
  ASSERT_TRUE(WaitFor([&] { return calls == 1; }));
  EXPECT_EQ(where, std::this_thread::get_id());

  // A hand-off is pending and nobody pumps: Close must serve it, not hang.
  f.state.PushEvent(EV_RXCHAR);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  auto t0 = serial_test::Clock::now();
  EXPECT_TRUE(f.port.Close());
  EXPECT_LT(serial_test::MsSince(t0), 2000.0);
  EXPECT_EQ(calls, 2) << "the pending delivery ran while Close waited";
}

TEST(ComPortEvents, FailedDeliveryEndsTheThreadQuietlyAndLeavesThePortAsItWas) {
  for (TSyncMethod method : {smThreadSync, smNone}) {
    Faked f;
    f.port.SetSyncMethod(method);
    int rx = 0;
    f.port.OnRxChar = [&](TBComPort&, int) { ++rx; };
    f.state.inQueue = 2;
    ASSERT_TRUE(f.port.Open());
    f.state.Clear();
    f.state.failClearError = true;
    f.state.PushEvent(EV_ERR);
    ASSERT_TRUE(WaitFor([&] { return serial_test::Contains(f.state.Log(), "clearerror"); })) << int(method);
    f.state.failClearError = false;
    // The thread has ended: no more deliveries.
    f.state.PushEvent(EV_RXCHAR);
    WaitFor([&] { return rx > 0; }, 150);
    EXPECT_EQ(rx, 0) << int(method);
    // Nothing cleared or purged: what the device sent is still to be read.
    EXPECT_EQ(f.state.Log(), std::vector<std::string>{"clearerror"}) << int(method);
    EXPECT_TRUE(f.port.IsOpen());
    EXPECT_EQ(f.port.WriteStr(""), 0);
    EXPECT_TRUE(f.port.Close());
    EXPECT_FALSE(serial_test::Contains(f.state.Log(), "purge:12"));
  }
}

TEST(ComPortEvents, WindowSyncRepliesAtOnceAndShowsFailures) {
  Faked f;
  f.port.SetSyncMethod(smWindowSync);
  std::vector<std::string> shown;
  forms::Synchronizer::Instance().SetErrorHandler([&](const std::exception_ptr& e) {
    try {
      std::rethrow_exception(e);
    } catch (const std::exception& x) {
      shown.push_back(x.what());
    }
  });
  int rx = 0;
  f.port.OnRxChar = [&](TBComPort&, int) { ++rx; };
  f.state.inQueue = 1;
  ASSERT_TRUE(f.port.Open());
  f.state.failClearError = true;
  f.state.PushEvent(EV_ERR | EV_RXCHAR);
  // Both hand-offs are left without anyone pumping: the thread runs on.
  ASSERT_TRUE(WaitFor([&] { return !shown.empty(); }));
  EXPECT_EQ(shown[0], messages::kClearCommError);
  f.state.failClearError = false;
  f.state.PushEvent(EV_RXCHAR);
  ASSERT_TRUE(WaitFor([&] { return rx >= 1; })) << "the thread goes on after a failure";
  EXPECT_TRUE(f.port.Close());
  forms::Synchronizer::Instance().SetErrorHandler(nullptr);
}
