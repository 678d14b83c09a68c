// The serial component on the Windows comm API, against the simulator behind a
// COM port that wine maps to its pseudo-terminal.
// <windows.h> (through the environment) first, as every Windows file has it.
#include "tests/windows/Environment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "serial/BCPort.h"
#include "serial/Messages.h"
#include "serial/PortList.h"
#include "tests/serial/ErrorText.h"

using namespace serial;
using namespace windows_test;

using serial_test::MessageOf;

namespace {

using Clock = std::chrono::steady_clock;
double MsSince(Clock::time_point t0) { return std::chrono::duration<double, std::milli>(Clock::now() - t0).count(); }

// BComPort1 as the main window holds it, on the given port at 115200.
struct MainPort {
  TBComPort port;
  explicit MainPort(const std::string& name) {
    ApplyMainWindowSettings(port);
    port.SetPort(name);
    port.SetBaudRate(br115200);
  }
};

// Reads until the reply ends in ';' or the time runs out.
std::string ReadReply(TBComPort& port, double withinMs = 2000) {
  std::string reply, part;
  auto t0 = Clock::now();
  while (MsSince(t0) < withinMs && (reply.empty() || reply.back() != ';')) {
    port.ReadStr(part, 40);
    reply += part;
  }
  return reply;
}

TEST(ComPortList, TheMappedPortsAreListedSortedFromTheRegistry) {
  REQUIRE_PORT(DevicePort());
  std::vector<std::string> ports{"stale"};
  ListSerialPorts(ports);
  for (const auto& name : {DevicePort(), SilentPort(), HangUpPort()})
    EXPECT_NE(std::find(ports.begin(), ports.end(), name), ports.end()) << name;
  EXPECT_TRUE(std::is_sorted(ports.begin(), ports.end(), [](const std::string& a, const std::string& b) {
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_LESS_THAN;
  }));
  EXPECT_EQ(std::find(ports.begin(), ports.end(), "stale"), ports.end());
}

TEST(ComPortOpen, ANameThatDoesNotExistIsRefusedAndStaysClosed) {
  MainPort p("COM231");
  EXPECT_EQ(MessageOf([&] { p.port.Open(); }), messages::kNoSuchPort);
  EXPECT_FALSE(p.port.IsOpen());
  EXPECT_TRUE(p.port.Close());
}

TEST(ComPortOpen, ABusyPortIsRefused) {
  if (UnderWine()) GTEST_SKIP() << "wine opens a COM port a second time, where Windows gives error 5";
  REQUIRE_PORT(DevicePort());
  MainPort first(DevicePort()), second(DevicePort());
  ASSERT_TRUE(first.port.Open());
  EXPECT_EQ(MessageOf([&] { second.port.Open(); }), messages::kPortBusy);
  EXPECT_FALSE(second.port.IsOpen());
}

// Open with the stored settings, the identify exchange, the speed changed while
// open, and Close, twice over: a port without modem lines closes every time.
TEST(ComPortExchange, OpenWriteReadCloseAgainstTheDevice) {
  REQUIRE_PORT(DevicePort());
  MainPort p(DevicePort());
  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(p.port.Open());
    EXPECT_TRUE(p.port.Open()) << "already open";
    EXPECT_EQ(p.port.WriteStr("r0202;"), 6);
    EXPECT_EQ(ReadReply(p.port), "r820201040A4000C0;");
    p.port.SetBaudRate(br9600);  // pushed at once while open
    p.port.SetBaudRate(br115200);
    EXPECT_EQ(MessageOf([&] { p.port.SetPort("COM1"); }), messages::kPropertyWhileOpen);
    EXPECT_EQ(p.port.WriteStr(""), 0);
    std::string s = "x";
    EXPECT_EQ(p.port.ReadStr(s, 0), 0);
    EXPECT_TRUE(s.empty());
    EXPECT_TRUE(p.port.Close());
    EXPECT_FALSE(p.port.IsOpen());
  }
}

// The stored time-outs (all 1 ms): a read of Count bytes from a silent device
// ends after about Count + 1 ms with nothing, and that is no failure.
TEST(ComPortTimeouts, ASilentDeviceEndsTheReadByItsTotalTimeOut) {
  REQUIRE_PORT(SilentPort());
  MainPort p(SilentPort());
  ASSERT_TRUE(p.port.Open());
  std::string s = "old";
  for (int count : {40, 200}) {
    auto t0 = Clock::now();
    EXPECT_EQ(p.port.ReadStr(s, count), 0);
    double ms = MsSince(t0);
    EXPECT_TRUE(s.empty());
    EXPECT_GE(ms, count * 0.75) << count;
    EXPECT_LT(ms, count + 1 + 400.0) << count;
  }
  // Fewer bytes than asked: the read ends with what came.
  MainPort device(DevicePort());
  ASSERT_TRUE(device.port.Open());
  device.port.WriteStr("r0202;");
  std::string reply;
  auto t0 = Clock::now();
  device.port.ReadStr(reply, 1000);
  EXPECT_LT(MsSince(t0), 1001.0 + 400.0);
  EXPECT_EQ(reply.rfind("r82", 0), 0u) << reply;
  EXPECT_LE(reply.size(), 18u);
}

// The simulator hangs up after its first reply: the line vanishes under the
// open port. Reads and writes then fail or bring nothing, never hang; Close
// still closes.
TEST(ComPortVanishing, ThePortGoesAwayWhileOpenAndStillCloses) {
  REQUIRE_PORT(HangUpPort());
  MainPort p(HangUpPort());
  ASSERT_TRUE(p.port.Open());
  EXPECT_EQ(p.port.WriteStr("r0202;"), 6);
  EXPECT_EQ(ReadReply(p.port), "r820201040A4000C0;");
  Sleep(300);  // the simulator closes its side
  std::string s;
  auto t0 = Clock::now();
  for (int i = 0; i < 3; ++i) {
    std::string failure = MessageOf([&] { p.port.WriteStr("r0303;"); });
    if (failure.empty()) failure = MessageOf([&] { p.port.ReadStr(s, 20); });
    EXPECT_TRUE(failure.empty() || failure == messages::kWriteError || failure == messages::kReadError) << failure;
    EXPECT_TRUE(s.empty());
  }
  EXPECT_LT(MsSince(t0), 3000.0);
  EXPECT_TRUE(p.port.IsOpen()) << "a failed read or write leaves the port open";
  EXPECT_EQ(MessageOf([&] { EXPECT_TRUE(p.port.Close()); }), "");
  EXPECT_FALSE(p.port.IsOpen());
}

}  // namespace
