#pragma once
// The few controls, the port and the Shell that the protocol's handlers touch,
// wired as the main window wires them, with a simulated device on a
// pseudo-terminal behind the port.
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "os/UniqueFd.h"
#include "protocol/Protocol.h"
#include "serial/BCPort.h"
#include "protocol/ProtocolWindow.h"
#include "tests/support/ScriptedShell.h"
#include "tools/devsim/Simulator.h"

namespace protocol_tests {

// The scripted Shell; while `capSleeps` is set, a pause longer than `sleepCap`
// is cut to it (used only where the device is silent, so the pause cannot change
// what the read finds). `requestedSleeps` keeps every pause asked for.
class TestShell : public testing_support::ScriptedShell {
 public:
  bool capSleeps = false;
  unsigned sleepCap = 1;
  std::vector<unsigned> requestedSleeps;
  void Sleep(unsigned ms) override {
    requestedSleeps.push_back(ms);
    ScriptedShell::Sleep(capSleeps && ms > sleepCap ? sleepCap : ms);
  }
};

// A fresh link name per simulator, so parallel test processes never meet.
std::string UniqueLinkName();

// "r" + body + the plain low-byte sum + ";", computed here on its own.
std::string Frame(const std::string& body);
// The commands of a transfer without failures, as the device must see them.
std::vector<std::string> ExpectedCommands(const std::string& image, unsigned writesPerBlock, unsigned bytesPerWrite,
                                          unsigned blockCount);
std::string ExpectedTransfer(const std::string& image, unsigned writesPerBlock, unsigned bytesPerWrite,
                             unsigned blockCount);
std::string Joined(const std::vector<std::string>& commands);
// The command of each attempt, from the transfer's log lines (word + command).
std::vector<std::string> SentCommands(const std::vector<std::string>& log);
// One entry per command: its re-sends after failed attempts folded into it. A
// loaded machine may make the device miss a read now and then; these let a test
// ask for the exact sequence of commands whatever was re-sent.
std::vector<std::string> Distinct(const std::vector<std::string>& sent);
// An image of `bytes` erased bytes (two "F" each) with `data` placed at `address`.
std::string ImageWith(std::size_t bytes, std::size_t address, const std::vector<unsigned char>& data);
// The image's bytes over 0 .. count - 1.
std::vector<unsigned char> ImageBytes(const std::string& image, std::size_t count);
// The carried firmware built as the start-up builds it (once per test program).
const std::string& CarriedImage();

inline const std::string kWakeUpAndIdentify = "rrrrrrrrrrrrrrrrrrrrrrrrr" "r0202;";
inline const std::string kIdentifyAndDescribe = kWakeUpAndIdentify + "r0303;";

// The protocol's window with a scripted Shell and a real port.
struct Rig : protocol::ProtocolWindow {
  TestShell shell;
  serial::TBComPort BComPort1;
  std::string FirmwareImage;
  protocol::ProtocolContext ctx = Context(shell, BComPort1, FirmwareImage);
  std::unique_ptr<devsim::Simulator> sim;

  Rig();
  ~Rig();

  // Starts a simulator with these options and points the port selector at it.
  devsim::Simulator& StartDevice(devsim::Options options);
  // The handlers, run as the application runs them (errors to the error box).
  void Write();
  void Identify();

  // Everything the device has received so far.
  std::string Inbound() const;
  // The transfer's log lines in MemoAbout (the lines after the description).
  std::vector<std::string> LogLines(std::size_t descriptionLines) const;
};

// A device played by the test itself on a pseudo-terminal, for replies the
// simulator never sends (cut ones, a bare "r83;"): it answers each framed
// command from a table (unknown commands: the acknowledgement of its code).
class ScriptedDevice {
 public:
  ScriptedDevice();
  ~ScriptedDevice();
  std::string identifyReply = "r820201040A4000C0;";
  std::string describeReply = "r83210824XX;";
  // The published port name.
  std::string PortName() const { return name_; }
  std::string Inbound();
  void Start();

 private:
  void Serve();
  os::UniqueFd master_;
  std::string name_;
  std::thread thread_;
  os::UniqueFd stopRead_, stopWrite_;
  std::string linkPath_;
  std::mutex mutex_;
  std::string inbound_;
};

}  // namespace protocol_tests
