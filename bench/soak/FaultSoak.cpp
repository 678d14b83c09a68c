// The write procedure against a simulated device with random fault mixes, one
// mix per seed: dropped, garbled and late replies, a device that goes silent,
// stops answering after N commands or hangs up, noise on the line, and the user's
// stop key. Every procedure must end in one of the ends the program knows, within
// a time bound, and must never leave the device's flash different from the image
// where the program counts the work as done: over the whole covered range after
// a completed write, over the counted blocks after any other end; and a refusal
// or a device not identified must leave the flash as it was.
//
//   bench_soak [procedures=200] [first seed=1]
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "protocol/Protocol.h"
#include "protocol/ProtocolTexts.h"
#include "serial/BCPort.h"
#include "protocol/ProtocolWindow.h"
#include "tests/support/ScriptedShell.h"
#include "tools/devsim/Simulator.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kBound = std::chrono::seconds(60);  // far above the slowest end (400 failed attempts)
constexpr unsigned kPauseCap = 10;                  // ms; a silent device costs 400 x (pause + read)

// Pauses are cut to kPauseCap so that 400 failed attempts stay within seconds;
// the stop key is pressed after the given number of counted blocks.
class SoakShell : public testing_support::ScriptedShell {
 public:
  std::optional<std::int64_t> stopAtBlocks;
  forms::TGauge* gauge = nullptr;
  std::int32_t* stopRequested = nullptr;
  void Sleep(unsigned ms) override { ScriptedShell::Sleep(ms > kPauseCap ? kPauseCap : ms); }
  void ProcessMessages() override {
    ScriptedShell::ProcessMessages();
    // The stop key acts only while the gauge is not at 0.
    if (stopAtBlocks && gauge->Progress() != 0 && gauge->Progress() >= *stopAtBlocks) *stopRequested = -1;
  }
};

struct Mix {
  std::uint32_t seed = 0;
  unsigned writesPerBlock = 0, bytesPerWrite = 0, blockCount = 0;
  double drop = 0, garble = 0, delay = 0;
  unsigned delayMs = 0, lateMs = 0;
  bool silent = false, noise = false;
  std::optional<std::uint64_t> stopAfter, hangUpAfter;
  std::optional<std::int64_t> userStop;

  std::string Describe() const {
    char buf[256];
    std::string s;
    std::snprintf(buf, sizeof buf, "%ux%ux%u", blockCount, writesPerBlock, bytesPerWrite);
    s = buf;
    if (drop > 0) std::snprintf(buf, sizeof buf, " drop %.2f", drop), s += buf;
    if (garble > 0) std::snprintf(buf, sizeof buf, " garble %.2f", garble), s += buf;
    if (delay > 0) std::snprintf(buf, sizeof buf, " delay %.2f/%ums", delay, delayMs), s += buf;
    if (lateMs) s += " late " + std::to_string(lateMs) + "ms";
    if (silent) s += " silent";
    if (stopAfter) s += " stop-after " + std::to_string(*stopAfter);
    if (hangUpAfter) s += " hang-up-after " + std::to_string(*hangUpAfter);
    if (noise) s += " noise";
    if (userStop) s += " user-stop@" + std::to_string(*userStop);
    return s;
  }
};

Mix DrawMix(std::uint32_t seed) {
  std::mt19937 rng(seed * 2654435761u);
  auto chance = [&](double p) { return std::uniform_real_distribution<double>(0, 1)(rng) < p; };
  auto pick = [&](unsigned lo, unsigned hi) { return std::uniform_int_distribution<unsigned>(lo, hi)(rng); };
  Mix m;
  m.seed = seed;
  m.writesPerBlock = pick(1, 10);
  m.bytesPerWrite = pick(4, 64);
  m.blockCount = pick(2, 12);
  const unsigned commands = 3 + m.blockCount * (1 + 2 * m.writesPerBlock);
  if (chance(0.6)) m.drop = pick(1, 12) / 100.0;
  if (chance(0.5)) m.garble = pick(1, 12) / 100.0;
  if (chance(0.4)) m.delay = pick(1, 10) / 100.0, m.delayMs = pick(5, 60);
  if (chance(0.3)) m.lateMs = pick(1, 8);
  if (chance(0.03)) m.silent = true;
  if (chance(0.08)) m.stopAfter = pick(1, commands);
  if (chance(0.08)) m.hangUpAfter = pick(1, commands);
  if (chance(0.25)) m.noise = true;
  if (chance(0.08)) m.userStop = pick(1, m.blockCount);
  return m;
}

std::string Hex2(unsigned v) {
  static const char d[] = "0123456789ABCDEF";
  return {d[(v >> 4) & 15], d[v & 15]};
}

// An Intel HEX text of these bytes from address 0, 16 a record.
std::string HexText(const std::vector<unsigned char>& bytes) {
  std::string text;
  for (std::size_t a = 0; a < bytes.size(); a += 16) {
    std::size_t n = std::min<std::size_t>(16, bytes.size() - a);
    unsigned sum = static_cast<unsigned>(n) + ((a >> 8) & 0xFF) + (a & 0xFF);
    std::string line = ":" + Hex2(static_cast<unsigned>(n)) + Hex2(static_cast<unsigned>(a >> 8)) +
                       Hex2(static_cast<unsigned>(a)) + "00";
    for (std::size_t i = 0; i < n; ++i) line += Hex2(bytes[a + i]), sum += bytes[a + i];
    text += line + Hex2((0x100 - (sum & 0xFF)) & 0xFF) + "\n";
  }
  return text + ":00000001FF\n";
}

// Bytes of junk now and then on the line toward the device: never 'r' or ';',
// so noise alone can spoil a frame but never make one.
class LineNoise {
 public:
  LineNoise(const std::string& slavePath, std::uint32_t seed) : rng_(seed) {
    fd_ = ::open(slavePath.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ >= 0) thread_ = std::thread([this] { Run(); });
  }
  ~LineNoise() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (fd_ >= 0) ::close(fd_);
  }
  bool Running() const { return fd_ >= 0; }

 private:
  void Run() {
    static const char kJunk[] = "0123456789ABCDEFxyz \r\n\x01\x7F\xFF";
    while (!stop_) {
      std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution<int>(15, 60)(rng_)));
      char burst[8];
      int n = std::uniform_int_distribution<int>(1, 8)(rng_);
      for (int i = 0; i < n; ++i) burst[i] = kJunk[std::uniform_int_distribution<int>(0, sizeof kJunk - 2)(rng_)];
      [[maybe_unused]] auto w = ::write(fd_, burst, static_cast<std::size_t>(n));
    }
  }
  int fd_ = -1;
  std::mt19937 rng_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

struct Result {
  std::string end;
  std::int64_t countedBlocks = 0;
  std::int64_t checkedBytes = 0;
  std::int64_t wrongBytes = 0;
  double seconds = 0;
};

Result RunProcedure(const Mix& mix, const std::filesystem::path& folder) {
  std::mt19937 rng(mix.seed);
  const std::size_t covered = std::size_t(mix.blockCount) * mix.writesPerBlock * mix.bytesPerWrite;
  // What the device holds before, and the image to write: both random, so a
  // piece that was never programmed, or programmed over an unerased block, shows.
  std::vector<unsigned char> before(covered), wanted(covered);
  for (auto& b : before) b = static_cast<unsigned char>(rng());
  for (auto& b : wanted) b = static_cast<unsigned char>(rng());
  const auto hexPath = folder / ("flash-" + std::to_string(mix.seed) + ".hex");
  std::ofstream(hexPath) << HexText(before);

  devsim::Options o;
  o.writesPerBlock = mix.writesPerBlock;
  o.bytesPerWrite = mix.bytesPerWrite;
  o.blockCount = mix.blockCount;
  o.description = "210824";
  o.flashStart = devsim::FlashStart::HexFile;
  o.hexPath = hexPath.string();
  o.dropRate = mix.drop;
  o.garbleRate = mix.garble;
  o.delayRate = mix.delay;
  o.delayMs = mix.delayMs ? mix.delayMs : 50;
  o.lateMs = mix.lateMs;
  o.silent = mix.silent;
  o.stopAfter = mix.stopAfter;
  o.hangUpAfter = mix.hangUpAfter;
  o.seed = mix.seed;
  o.publish = false;
  devsim::Simulator sim(o);
  sim.Start();

  std::string image;
  for (unsigned char b : wanted) image += Hex2(b);

  SoakShell shell;
  protocol::ProtocolWindow form;
  form.SelectPort(sim.SlavePath());
  serial::TBComPort port;
  serial::ApplyMainWindowSettings(port);
  protocol::ProtocolContext ctx = form.Context(shell, port, image);
  shell.gauge = &form.ProgressbarReadWrite;
  shell.stopRequested = &form.state.StopRequested;
  shell.stopAtBlocks = mix.userStop;

  std::optional<LineNoise> noise;
  if (mix.noise) {
    noise.emplace(sim.SlavePath(), mix.seed);
    if (!noise->Running()) std::printf("seed %u: the line noise could not open the port\n", mix.seed);
  }

  std::atomic<bool> done{false};
  std::thread watchdog([&] {
    const auto limit = Clock::now() + kBound;
    while (!done && Clock::now() < limit) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (!done) {
      std::printf("seed %u: no end within %lld s (%s)\n", mix.seed,
                  static_cast<long long>(kBound.count()), mix.Describe().c_str());
      std::fflush(stdout);
      std::_Exit(2);
    }
  });

  Result r;
  const auto t0 = Clock::now();
  shell.Run([&] { protocol::ButtonWriteClick(ctx); });
  r.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
  done = true;
  watchdog.join();
  noise.reset();
  try {
    port.Close();
  } catch (const std::exception&) {
  }
  sim.Stop();

  // Which end: what the user was last told, and the status label.
  namespace texts = protocol::texts;
  const std::string lastMessage = shell.messages.empty() ? "" : shell.messages.back();
  const std::int64_t blockBytes = std::int64_t(mix.writesPerBlock) * mix.bytesPerWrite;
  // The gauge counts blocks only once the transfer has begun (the status label says so).
  const bool transferBegan = form.LabelNameOfHex.Caption() == texts::kWriting;
  r.countedBlocks = form.ProgressbarReadWrite.Progress();
  if (!shell.errors.empty()) {
    r.end = "port error";
    if (!transferBegan) r.countedBlocks = 0;
  } else if (lastMessage == texts::kIncompleteWarning) {
    r.end = "failed";
  } else if (form.LabelNameOfHex.Caption().rfind(texts::kLoadedStatus, 0) == 0) {
    r.end = "completed";
    r.countedBlocks = mix.blockCount;  // the whole covered range
  } else if (form.state.StopRequested != 0 && transferBegan) {
    r.end = "stopped";
  } else if (lastMessage == texts::kWhatIsThis || lastMessage == texts::kAlreadyWritten ||
             lastMessage == texts::kNewerWritten) {
    r.end = "refused";  // a lost or cut description: the device is reset, nothing erased
    r.countedBlocks = 0;
  } else if (lastMessage == texts::kNotIdentifiedByWrite) {
    r.end = "not identified";
    r.countedBlocks = 0;
  } else {
    r.end = "other: " + lastMessage.substr(0, 40);
    if (!transferBegan) r.countedBlocks = 0;
  }
  r.countedBlocks = std::min<std::int64_t>(r.countedBlocks, mix.blockCount);
  const auto flash = sim.Flash();
  r.checkedBytes = r.countedBlocks * blockBytes;
  for (std::int64_t a = 0; a < r.checkedBytes; ++a)
    if (a >= static_cast<std::int64_t>(flash.size()) || flash[a] != wanted[a]) ++r.wrongBytes;
  // Before anything is erased the device must hold what it held.
  if (r.end == "refused" || r.end == "not identified") {
    r.checkedBytes = static_cast<std::int64_t>(covered);
    for (std::size_t a = 0; a < covered; ++a)
      if (a >= flash.size() || flash[a] != before[a]) ++r.wrongBytes;
  }
  std::filesystem::remove(hexPath);
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  const unsigned procedures = argc > 1 ? static_cast<unsigned>(std::atoi(argv[1])) : 200;
  const std::uint32_t firstSeed = argc > 2 ? static_cast<std::uint32_t>(std::atoi(argv[2])) : 1;
  const auto folder = std::filesystem::temp_directory_path() / ("fault-soak-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);

  std::map<std::string, unsigned> ends;
  unsigned corruptions = 0;
  std::int64_t checked = 0;
  double longest = 0;
  const auto t0 = Clock::now();
  for (unsigned i = 0; i < procedures; ++i) {
    const Mix mix = DrawMix(firstSeed + i);
    const Result r = RunProcedure(mix, folder);
    ++ends[r.end];
    checked += r.checkedBytes;
    longest = std::max(longest, r.seconds);
    if (r.wrongBytes) ++corruptions;
    std::printf("%4u seed %-5u %-60s -> %-15s %2lld/%-2u blocks, %5lld bytes checked, %s (%.2f s)\n", i + 1,
                mix.seed, mix.Describe().c_str(), r.end.c_str(), static_cast<long long>(r.countedBlocks),
                mix.blockCount, static_cast<long long>(r.checkedBytes),
                r.wrongBytes ? ("CORRUPT: " + std::to_string(r.wrongBytes) + " bytes differ").c_str() : "flash ok",
                r.seconds);
    std::fflush(stdout);
  }
  const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
  std::filesystem::remove_all(folder);
  std::printf("\n%u procedures in %.1f s (longest %.2f s):", procedures, wall, longest);
  for (const auto& [end, n] : ends) std::printf(" %s %u;", end.c_str(), n);
  std::printf(" %lld bytes checked; %u silent corruptions\n", static_cast<long long>(checked), corruptions);
  return corruptions == 0 ? 0 : 1;
}
