// The device's replies through identification, the description, the version
// decision and the acknowledgements of the transfer. The port's platform layer
// is replaced by one that plays the input back: byte 0 picks the handler (bit 0:
// the Identify button, else Write); the rest is what arrives, in batches
// separated by a zero byte (an empty batch: nothing came in time). A read takes
// at most its count from the current batch and leaves the rest for the next, as
// the driver's queue does. When the input runs out the device hangs up: the next
// read fails with the port's error, so a run costs what its input costs (a long
// silence is a run of empty batches).
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "forms/Ascii.h"
#include "forms/Errors.h"
#include "fuzz/QuietShell.h"
#include "protocol/Protocol.h"
#include "protocol/ProtocolWindow.h"
#include "protocol/wire/Wire.h"
#include "serial/BCPort.h"
#include "serial/CommLayer.h"

namespace {

class Stop final : public serial::StopSignal {
 public:
  void Signal() override {
    {
      std::lock_guard lock(mutex);
      stopped = true;
    }
    wake.notify_all();
  }
  std::mutex mutex;
  std::condition_variable wake;
  bool stopped = false;
};

struct Operation final : serial::CommOperation {
  bool isRead = false;
  char* buffer = nullptr;
  std::uint32_t count = 0;
};

class ReplayLayer final : public serial::CommLayer {
 public:
  explicit ReplayLayer(std::string_view arrivals, std::vector<std::string>& written)
      : rest_(arrivals), written_(written) {}

  OpenResult OpenDevice(const std::string&) override {
    open_ = true;
    return OpenResult::Ok;
  }
  bool HasDevice() const override { return open_; }
  void CloseDevice() override { open_ = false; }
  bool SetupComm(std::int32_t, std::int32_t) override { return open_; }
  bool SetCommState(const serial::Dcb&) override { return open_; }
  bool SetCommTimeouts(const serial::CommTimeoutsBlock&) override { return open_; }
  bool PurgeComm(std::uint32_t) override { return open_; }
  bool ClearCommError(std::uint32_t& errors, std::uint32_t& inQueue) override {
    errors = inQueue = 0;
    return open_;
  }
  bool GetCommModemStatus(std::uint32_t& status) override {
    status = 0;
    return open_;
  }
  bool EscapeCommFunction(std::uint32_t) override { return open_; }

  StartResult StartWrite(std::unique_ptr<serial::CommOperation>& op, const void* buffer, std::uint32_t count,
                         std::uint32_t& done) override {
    if (!open_) return StartResult::Failed;
    written_.emplace_back(static_cast<const char*>(buffer), count);
    auto p = std::make_unique<Operation>();
    p->count = count;
    op = std::move(p);
    done = 0;
    return StartResult::Pending;
  }
  StartResult StartRead(std::unique_ptr<serial::CommOperation>& op, void* buffer, std::uint32_t count,
                        std::uint32_t& done) override {
    if (!open_) return StartResult::Failed;
    auto p = std::make_unique<Operation>();
    p->isRead = true;
    p->buffer = static_cast<char*>(buffer);
    p->count = count;
    op = std::move(p);
    done = 0;
    return StartResult::Pending;
  }
  bool WaitOperation(serial::CommOperation& base, std::uint32_t& transferred) override {
    auto& op = static_cast<Operation&>(base);
    if (!op.isRead) {
      transferred = op.count;
      return true;
    }
    if (rest_.empty()) return false;  // hung up
    // The current batch, as far as the read's count reaches.
    std::size_t end = rest_.find('\0');
    std::size_t batch = end == std::string_view::npos ? rest_.size() : end;
    std::size_t n = std::min<std::size_t>(batch, op.count);
    std::memcpy(op.buffer, rest_.data(), n);
    rest_.remove_prefix(n);
    if (n == batch && end != std::string_view::npos) rest_.remove_prefix(1);
    transferred = static_cast<std::uint32_t>(n);
    return true;
  }

  bool SetCommMask(std::uint32_t) override { return true; }
  std::unique_ptr<serial::StopSignal> CreateStopSignal() override { return std::make_unique<Stop>(); }
  EventWaitResult WaitCommEvent(serial::StopSignal& base, std::uint32_t&) override {
    auto& stop = static_cast<Stop&>(base);
    std::unique_lock lock(stop.mutex);
    stop.wake.wait(lock, [&] { return stop.stopped; });
    return EventWaitResult::Stopped;
  }

 private:
  bool open_ = false;
  std::string_view rest_;
  std::vector<std::string>& written_;
};

// The image the write commands are cut from: every digit, so a wrong cut shows.
const std::string& Image() {
  static const std::string image = [] {
    std::string s;
    for (int i = 0; i < 512; ++i) s += "0123456789ABCDEF";
    return s;
  }();
  return image;
}

// The program sends upper-case digits only.
int Digit(char c) { return c >= 'a' && c <= 'f' ? -1 : forms::HexDigitValue(c); }

// What the program sends is a wake-up burst or a well-made frame.
void CheckSent(const std::string& command) {
  if (command == "rrrrr") return;
  if (command.size() < 4 || command.front() != 'r' || command.back() != ';') fuzzing::Fail("a command that is no frame");
  std::string_view body(command.data() + 1, command.size() - 2);
  // An erase address past FFFFFF has seven digits: an odd body, whose sum the
  // spec leaves as the routine makes it.
  if (body.size() % 2 != 0) return;
  if (body.size() > 2 * 255 + 2 * 2 + 2 + 16) fuzzing::Fail("a frame longer than any command");
  unsigned sum = 0;
  for (std::size_t i = 0; i + 2 < body.size(); i += 2) {
    int h = Digit(body[i]), l = Digit(body[i + 1]);
    if (h < 0 || l < 0) fuzzing::Fail("a frame with a character that is no digit");
    sum += static_cast<unsigned>(h * 16 + l);
  }
  int h = Digit(body[body.size() - 2]), l = Digit(body.back());
  if (h < 0 || l < 0 || static_cast<unsigned>(h * 16 + l) != (sum & 0xFF)) fuzzing::Fail("a frame with a wrong checksum");
}

// The wire's readers on the raw input, as a reply of any kind: fields in their
// ranges, the cuts no longer than what they cut, the version decision sound.
void CheckReaders(std::string_view reply) {
  namespace wire = protocol::wire;
  const wire::Identity id = wire::ReadIdentity(reply);
  if (id.writesPerBlock < 0 || id.writesPerBlock > 0xFF || id.bytesPerWrite < 0 || id.bytesPerWrite > 0xFF ||
      id.blockCount < 0 || id.blockCount > 0xFFFF)
    fuzzing::Fail("an identification field outside its digits' range");
  if (id.loaderVersion.size() > 2 || wire::ReplyStatus(reply).size() > 2) fuzzing::Fail("a text field too long");
  const std::string cut = wire::CutDescription(reply);
  const std::string_view shown = wire::ShownDescription(cut);
  if (cut.size() != (reply.size() > 4 ? reply.size() - 4 : 0) || shown.size() != (cut.size() > 2 ? cut.size() - 2 : 0))
    fuzzing::Fail("a description cut of the wrong length");
  if (wire::AckAccepted(reply, wire::kErased) && (reply.substr(0, 3) != "r84" || reply.back() != ';'))
    fuzzing::Fail("an acknowledgement accepted without its code and \";\"");
  const auto verdict = wire::JudgeVersion(shown);
  if (verdict == wire::VersionVerdict::Older) {
    // Six characters: an optional sign and digits; unsigned, below the carried one.
    const bool sign = !shown.empty() && (shown[0] == '+' || shown[0] == '-');
    bool digits = shown.size() == 6;
    for (std::size_t i = sign ? 1 : 0; i < shown.size(); ++i) digits = digits && shown[i] >= '0' && shown[i] <= '9';
    if (!digits || (!sign && shown >= wire::kCarriedVersion)) fuzzing::Fail("a version judged older that is not");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const bool identifyButton = data[0] & 1;
  CheckReaders(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
  std::vector<std::string> written;

  fuzzing::QuietShell shell;
  protocol::ProtocolWindow form;
  form.SelectPort("devsim1");
  serial::TBComPort BComPort1(std::make_unique<ReplayLayer>(
      std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1), written));
  serial::ApplyMainWindowSettings(BComPort1);
  protocol::ProtocolContext ctx = form.Context(shell, BComPort1, Image());
  try {
    if (identifyButton)
      protocol::ButtonConectClick(ctx);
    else
      protocol::ButtonWriteClick(ctx);
  } catch (const forms::Exception&) {
    // A description of six characters that is no number: the conversion error.
  }
  BComPort1.Close();
  for (const auto& command : written) CheckSent(command);
  // 399 failed attempts tolerated, then the last command's own 400 at most.
  if (form.state.Procedure.FailedAttempts > 399 + 400) fuzzing::Fail("more failed attempts than the budget allows");
  return 0;
}
