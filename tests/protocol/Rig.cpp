#include "tests/protocol/Rig.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "firmware/Firmware.h"

namespace protocol_tests {

std::string UniqueLinkName() {
  static std::atomic<int> counter{0};
  return "proto-test-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
}

std::string Frame(const std::string& body) {
  unsigned sum = 0;
  for (std::size_t i = 0; i + 1 < body.size(); i += 2) sum += std::stoul(body.substr(i, 2), nullptr, 16);
  char buf[4];
  std::snprintf(buf, sizeof buf, "%02X", sum & 0xFF);
  return "r" + body + buf + ";";
}

std::vector<std::string> ExpectedCommands(const std::string& image, unsigned writesPerBlock, unsigned bytesPerWrite,
                                          unsigned blockCount) {
  std::vector<std::string> commands;
  std::size_t address = 0;
  char buf[16];
  for (unsigned block = 0; block < blockCount; ++block) {
    std::snprintf(buf, sizeof buf, "%06zX", address);
    commands.push_back(Frame(std::string("04") + buf));
    for (unsigned w = 1; w <= writesPerBlock; ++w) {
      std::snprintf(buf, sizeof buf, "%02X", w);
      std::string data = 2 * address < image.size() ? image.substr(2 * address, 2 * bytesPerWrite) : "";
      commands.push_back(Frame(std::string("05") + buf + data));
      commands.push_back("r0606;");
      address += bytesPerWrite;
    }
  }
  return commands;
}

std::string ExpectedTransfer(const std::string& image, unsigned writesPerBlock, unsigned bytesPerWrite,
                             unsigned blockCount) {
  return Joined(ExpectedCommands(image, writesPerBlock, bytesPerWrite, blockCount));
}

std::string Joined(const std::vector<std::string>& commands) {
  std::string wire;
  for (const auto& c : commands) wire += c;
  return wire;
}

std::vector<std::string> SentCommands(const std::vector<std::string>& log) {
  std::vector<std::string> sent;
  for (std::size_t i = 1; i < log.size(); i += 2) {
    const std::size_t r = log[i].find('r');  // the log words have no Latin letters
    sent.push_back(r == std::string::npos ? std::string() : log[i].substr(r));
  }
  return sent;
}

std::vector<std::string> Distinct(const std::vector<std::string>& sent) {
  std::vector<std::string> commands;
  for (const auto& c : sent)
    if (commands.empty() || commands.back() != c) commands.push_back(c);
  return commands;
}

std::string ImageWith(std::size_t bytes, std::size_t address, const std::vector<unsigned char>& data) {
  std::string image(2 * bytes, 'F');
  static const char* digits = "0123456789ABCDEF";
  for (std::size_t i = 0; i < data.size(); ++i) {
    image[2 * (address + i)] = digits[data[i] >> 4];
    image[2 * (address + i) + 1] = digits[data[i] & 15];
  }
  return image;
}

std::vector<unsigned char> ImageBytes(const std::string& image, std::size_t count) {
  std::vector<unsigned char> bytes(count);
  for (std::size_t i = 0; i < count; ++i)
    bytes[i] = static_cast<unsigned char>(std::stoul(image.substr(2 * i, 2), nullptr, 16));
  return bytes;
}

const std::string& CarriedImage() {
  static const std::string image = [] {
    auto carried = firmware::PrepareAhead(firmware::CarriedFirmwareText());
    if (!carried || carried->image.size() != firmware::kImageChars)
      throw std::runtime_error("the carried firmware did not build");
    return std::move(carried->image);
  }();
  return image;
}

Rig::Rig() {
  serial::ApplyMainWindowSettings(BComPort1);
  shell.SetApplicationTitle("ZOR-5 Bootloader (від 25.08.21)");
}

Rig::~Rig() {
  // A port that a test left broken must not end the test program.
  try {
    BComPort1.Close();
  } catch (const std::exception&) {
  }
  if (sim) sim->Stop();
}

devsim::Simulator& Rig::StartDevice(devsim::Options options) {
  if (sim) sim->Stop();
  if (options.linkName.empty()) options.linkName = UniqueLinkName();
  sim = std::make_unique<devsim::Simulator>(std::move(options));
  sim->Start();
  SelectPort(sim->PortName());
  return *sim;
}

void Rig::Write() {
  shell.Run([&] { protocol::ButtonWriteClick(ctx); });
}

void Rig::Identify() {
  shell.Run([&] { protocol::ButtonConectClick(ctx); });
}

std::string Rig::Inbound() const {
  std::string in;
  for (const auto& e : sim->Transcript())
    if (e.direction == devsim::Direction::In) in += e.text;
  return in;
}

std::vector<std::string> Rig::LogLines(std::size_t descriptionLines) const {
  const auto& lines = MemoAbout.Lines();
  if (lines.size() <= descriptionLines) return {};
  std::vector<std::string> log;
  for (std::size_t i = descriptionLines; i < lines.size(); ++i) log.emplace_back(lines[i]);
  return log;
}

ScriptedDevice::ScriptedDevice() = default;

ScriptedDevice::~ScriptedDevice() {
  if (thread_.joinable()) {
    char c = 0;
    (void)!::write(stopWrite_.Get(), &c, 1);
    thread_.join();
  }
  if (!linkPath_.empty()) ::unlink(linkPath_.c_str());
}

void ScriptedDevice::Start() {
  master_.Reset(::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK));
  if (!master_.Valid() || ::grantpt(master_.Get()) != 0 || ::unlockpt(master_.Get()) != 0)
    throw std::runtime_error("no pseudo-terminal");
  termios t{};
  ::tcgetattr(master_.Get(), &t);
  ::cfmakeraw(&t);
  ::tcsetattr(master_.Get(), TCSANOW, &t);
  const std::string slave = ::ptsname(master_.Get());
  const std::string folder = devsim::VirtualPortsFolder();
  std::filesystem::create_directories(folder);
  ::chmod(folder.c_str(), 0700);
  name_ = UniqueLinkName();
  linkPath_ = folder + "/" + name_;
  std::filesystem::create_symlink(slave, linkPath_);
  int stop[2];
  if (::pipe(stop) != 0) throw std::runtime_error("no pipe");
  stopRead_.Reset(stop[0]);
  stopWrite_.Reset(stop[1]);
  thread_ = std::thread([this] { Serve(); });
}

std::string ScriptedDevice::Inbound() {
  std::lock_guard<std::mutex> lock(mutex_);
  return inbound_;
}

void ScriptedDevice::Serve() {
  std::string frame;
  bool inFrame = false;
  for (;;) {
    pollfd fds[2] = {{master_.Get(), POLLIN, 0}, {stopRead_.Get(), POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) continue;
    if (fds[1].revents) return;
    if (fds[0].revents & POLLHUP) {
      // Nobody has the slave open: wait instead of spinning on the hang-up.
      ::poll(fds + 1, 1, 5);
      continue;
    }
    char buf[256];
    ssize_t n = ::read(master_.Get(), buf, sizeof buf);
    if (n <= 0) continue;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      inbound_.append(buf, static_cast<std::size_t>(n));
    }
    for (ssize_t i = 0; i < n; ++i) {
      char c = buf[i];
      if (c == 'r') {
        inFrame = true;
        frame.clear();
        continue;
      }
      if (!inFrame) continue;
      if (c != ';') {
        frame += c;
        continue;
      }
      inFrame = false;
      std::string reply;
      if (frame == "0202") reply = identifyReply;
      else if (frame == "0303") reply = describeReply;
      else if (frame.size() >= 2) reply = "r8" + frame.substr(1, 1) + frame.substr(0, 2) + ";";
      (void)!::write(master_.Get(), reply.data(), reply.size());
    }
  }
}

}  // namespace protocol_tests
