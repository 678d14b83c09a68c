#include "tools/devsim/Simulator.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <mutex>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "os/UniqueFd.h"
#include "tools/devsim/Bootloader.h"

namespace devsim {

using os::UniqueFd;

namespace {

using Clock = std::chrono::steady_clock;
using Nanos = std::chrono::nanoseconds;

constexpr size_t kMaxTranscript = 2'000'000;

std::string SysError(const std::string& what) { return what + ": " + std::strerror(errno); }

void CheckField(const std::string& name, const std::string& value) {
  if (value.size() != 2) throw std::invalid_argument(name + " must have two characters");
  for (unsigned char c : value)
    if (c < 0x21 || c > 0x7E || c == ';' || c == 'r')
      throw std::invalid_argument(name + " must be printable, without ';' or 'r'");
}

void CheckRate(const std::string& name, double rate) {
  if (!(rate >= 0 && rate <= 1)) throw std::invalid_argument(name + " must lie between 0 and 1");
}

void CheckOptions(const Options& o) {
  if (o.writesPerBlock > 0xFF) throw std::invalid_argument("writes per block must be 0..255");
  if (o.bytesPerWrite > 0xFF) throw std::invalid_argument("bytes per write must be 0..255");
  if (o.blockCount > 0xFFFF) throw std::invalid_argument("block count must be 0..65535");
  CheckField("status", o.status);
  CheckField("loader version", o.loaderVersion);
  CheckField("field 6-7", o.field6);
  CheckField("field 8-9", o.field8);
  CheckRate("drop rate", o.dropRate);
  CheckRate("garble rate", o.garbleRate);
  CheckRate("delay rate", o.delayRate);
  if (o.hangUpAfter && *o.hangUpAfter == 0) throw std::invalid_argument("hang-up after must be at least 1");
  if (o.baud > 4'000'000) throw std::invalid_argument("baud rate above 4000000");
  if (!(o.deliveryTickMs >= 0 && o.deliveryTickMs <= 1000)) throw std::invalid_argument("delivery tick must be 0..1000 ms");
  if (!o.linkName.empty() &&
      (o.linkName == "." || o.linkName == ".." || o.linkName.find('/') != std::string::npos))
    throw std::invalid_argument("link name must be a plain file name");
}

std::string Escape(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c >= 0x20 && c <= 0x7E) {
      out += char(c);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    }
  }
  return out;
}

// The folder must be ours alone: in /tmp anybody could have made it first.
void EnsurePrivateFolder(const std::string& folder) {
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) throw std::runtime_error(SysError("cannot create " + folder));
  // The port list's own rule, so that what is published here is listed there.
  if (!serial::TrustedPortsFolder(folder)) throw std::runtime_error(folder + " is not a private folder of this user");
}

}  // namespace

const char* DirectionName(Direction d) {
  switch (d) {
    case Direction::In: return "in";
    case Direction::Out: return "out";
    case Direction::Note: return "note";
    case Direction::Fault: return "fault";
  }
  return "?";
}

std::string FormatTranscript(const std::vector<TranscriptEntry>& entries) {
  std::string out;
  char head[48];
  for (const auto& e : entries) {
    std::snprintf(head, sizeof head, "%12.3f %-5s ", e.ms, DirectionName(e.direction));
    out += head;
    out += Escape(e.text);
    out += '\n';
  }
  return out;
}

struct Simulator::Impl {
  struct Pending {
    Clock::time_point at;
    std::string bytes;
    bool hangUp = false;
  };

  Options o;
  mutable std::mutex mu;
  detail::Bootloader boot;
  std::mt19937 rng;
  std::vector<TranscriptEntry> transcript;
  bool transcriptFull = false;

  Clock::time_point t0;
  Nanos charTime{0};
  std::deque<std::pair<Clock::time_point, char>> inbound;
  std::deque<Pending> outbound;
  Clock::time_point inWireFree, txFree, deviceFree, lastDue;
  bool ceased = false;  // stopped answering or about to hang up
  std::string garbage;

  UniqueFd master;
  UniqueFd stopFd;
  bool hup = false;
  Clock::time_point hupSince;
  std::string slavePath, linkName, linkPath;
  std::thread thread;
  bool started = false, stopped = false;
  std::atomic<bool> finished{false};
  // Hang-up waiting for the other side to read the last reply: closing the
  // master at once would throw away what it has not read yet.
  UniqueFd readWatch;
  Clock::time_point hangUpBy;

  Impl(Options opts, std::vector<uint8_t> flash) : o(std::move(opts)), boot(o, std::move(flash)), rng(o.seed) {
    if (o.baud > 0) charTime = Nanos(10'000'000'000LL / o.baud);
    ceased = o.stopAfter && *o.stopAfter == 0;
  }

  Stats& stats() { return boot.stats(); }

  void Record(Direction d, std::string text) {
    if (transcript.size() >= kMaxTranscript) {
      if (!transcriptFull) transcript.push_back({Ms(Clock::now()), Direction::Note, "transcript full"});
      transcriptFull = true;
      return;
    }
    transcript.push_back({Ms(Clock::now()), d, std::move(text)});
  }

  double Ms(Clock::time_point t) const { return std::chrono::duration<double, std::milli>(t - t0).count(); }

  Nanos BusyFor(int code) const {
    using std::chrono::milliseconds;
    switch (code) {
      case 0x04: return milliseconds(o.eraseBusyMs);
      case 0x05: return milliseconds(o.writeBusyMs);
      case 0x06: return milliseconds(o.programBusyMs);
      default: return Nanos(0);
    }
  }

  // ---- the line ----

  void Publish() {
    const std::string folder = o.linkFolder.empty() ? VirtualPortsFolder() : o.linkFolder;
    EnsurePrivateFolder(folder);
    if (!o.linkName.empty()) {
      const std::string path = folder + "/" + o.linkName;
      if (symlink(slavePath.c_str(), path.c_str()) != 0) throw std::runtime_error(SysError("cannot publish " + path));
      linkName = o.linkName;
      linkPath = path;
      return;
    }
    for (int i = 1; i < 10000; ++i) {
      const std::string name = "devsim" + std::to_string(i);
      const std::string path = folder + "/" + name;
      // symlink() fails on an existing name, so two simulators never share one.
      if (symlink(slavePath.c_str(), path.c_str()) == 0) {
        linkName = name;
        linkPath = path;
        return;
      }
      if (errno != EEXIST) throw std::runtime_error(SysError("cannot publish " + path));
    }
    throw std::runtime_error("no free link name in " + folder);
  }

  void Unpublish() {
    if (linkPath.empty()) return;
    // Only our own link: the name may have been taken over meanwhile.
    char target[256];
    const ssize_t n = readlink(linkPath.c_str(), target, sizeof target - 1);
    if (n > 0 && std::string(target, size_t(n)) == slavePath) unlink(linkPath.c_str());
    linkPath.clear();
  }

  void CloseLine() {
    // The link goes first: pts numbers are reused at once.
    Unpublish();
    master.Reset();
  }

  void Open() {
    UniqueFd pty(posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK));
    if (!pty.Valid()) throw std::runtime_error(SysError("cannot open a pseudo-terminal"));
    if (grantpt(pty.Get()) != 0 || unlockpt(pty.Get()) != 0)
      throw std::runtime_error(SysError("cannot unlock the pseudo-terminal"));
    char name[128];
    if (ptsname_r(pty.Get(), name, sizeof name) != 0)
      throw std::runtime_error(SysError("cannot name the pseudo-terminal"));
    master = std::move(pty);
    slavePath = name;
    // Line settings through the master act on the slave; opening the slave here
    // instead would leave the master hung up until the first client comes.
    termios t;
    if (tcgetattr(master.Get(), &t) == 0) {
      cfmakeraw(&t);
      cfsetispeed(&t, B115200);
      cfsetospeed(&t, B115200);
      tcsetattr(master.Get(), TCSANOW, &t);
    }
  }

  // ---- the device ----

  double Draw() { return rng() / 4294967296.0; }

  void HandleChar(char c, Clock::time_point t) {
    if (o.silent || ceased) {
      if (c == ';') ++stats().unanswered;
      return;
    }
    const detail::Outcome out = boot.Feed(c);
    if (out.kind != detail::Outcome::Garbage) FlushGarbage();
    switch (out.kind) {
      case detail::Outcome::None:
        break;
      case detail::Outcome::Garbage:
        garbage += out.frame;
        break;
      case detail::Outcome::BadFrame:
        Record(Direction::Note, "bad frame " + out.frame + ": " + out.reason);
        break;
      case detail::Outcome::Asleep:
        Record(Direction::Note, "outside the bootloader, ignored: " + out.frame);
        break;
      case detail::Outcome::Woken:
        Record(Direction::Note, "woken up: in the bootloader");
        break;
      case detail::Outcome::Command:
        Serve(out, t);
        if (out.code == 0x01) Record(Direction::Note, "reset: left the bootloader");
        break;
    }
  }

  void FlushGarbage() {
    if (garbage.empty()) return;
    Record(Direction::Note, "skipped " + std::to_string(garbage.size()) + " characters: " + garbage);
    garbage.clear();
  }

  void Serve(const detail::Outcome& out, Clock::time_point received) {
    const uint64_t n = stats().commands;
    const Clock::time_point start = std::max(received, deviceFree);
    const Clock::time_point done = start + BusyFor(out.code);
    deviceFree = done;

    // Three draws per reply whatever is enabled, so decisions follow the seed alone.
    const double uDrop = Draw(), uGarble = Draw(), uDelay = Draw();
    const bool hangUp = o.hangUpAfter && n >= *o.hangUpAfter;
    if (hangUp || (o.stopAfter && n >= *o.stopAfter)) {
      ceased = true;
      Record(Direction::Note, hangUp ? "hangs up after this reply" : "stops answering after this reply");
    }

    std::string reply = out.reply;
    Nanos extra = std::chrono::milliseconds(o.lateMs);
    if (uDrop < o.dropRate) {
      ++stats().dropped;
      Record(Direction::Fault, "drop " + reply);
      reply.clear();
    } else {
      if (uGarble < o.garbleRate) {
        std::string garbled = reply;
        garbled[1] ^= 0x01;  // one flipped bit in the status digit
        ++stats().garbled;
        Record(Direction::Fault, "garble " + reply + " -> " + garbled);
        reply = garbled;
      }
      if (uDelay < o.delayRate) {
        ++stats().delayed;
        Record(Direction::Fault, "delay " + std::to_string(o.delayMs) + " ms " + reply);
        extra += std::chrono::milliseconds(o.delayMs);
      }
    }

    const Clock::time_point txStart = std::max(done, txFree);
    const Clock::time_point txEnd = txStart + charTime * int64_t(reply.size());
    if (!reply.empty()) txFree = txEnd;
    const Clock::time_point due = Delivered(std::max(txEnd + extra, lastDue));  // replies keep their order
    lastDue = due;
    if (reply.empty() && !hangUp) return;
    outbound.push_back({due, std::move(reply), hangUp});
  }

  // The first delivery tick at or after t.
  Clock::time_point Delivered(Clock::time_point t) const {
    if (o.deliveryTickMs <= 0) return t;
    const auto tick = std::chrono::duration_cast<Nanos>(std::chrono::duration<double, std::milli>(o.deliveryTickMs));
    const auto since = std::chrono::duration_cast<Nanos>(t - t0);
    const auto ticks = (since.count() + tick.count() - 1) / tick.count();
    return t0 + tick * ticks;
  }

  void ProcessInbound(Clock::time_point now) {
    while (!inbound.empty() && inbound.front().first <= now) {
      const auto [t, c] = inbound.front();
      inbound.pop_front();
      HandleChar(c, t);
    }
    FlushGarbage();
  }

  bool SlaveClosed() const {
    pollfd p{master.Get(), POLLIN, 0};
    return poll(&p, 1, 0) == 1 && (p.revents & POLLHUP);
  }

  // Writes what is due; false once the line has been hung up.
  bool ProcessOutbound(Clock::time_point now) {
    while (!outbound.empty() && outbound.front().at <= now) {
      Pending p = std::move(outbound.front());
      outbound.pop_front();
      if (p.hangUp && !p.bytes.empty() && !hup && !SlaveClosed()) {
        // inotify reports the other side's next read of the slave.
        readWatch.Reset(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
        if (readWatch.Valid() && inotify_add_watch(readWatch.Get(), slavePath.c_str(), IN_ACCESS | IN_CLOSE) < 0)
          readWatch.Reset();
        hangUpBy = now + std::chrono::seconds(2);
      }
      if (!p.bytes.empty()) WriteReply(p.bytes);
      if (p.hangUp) {
        if (!readWatch.Valid()) return HangUp();
        return true;
      }
    }
    return true;
  }

  bool HangUp() {
    readWatch.Reset();
    CloseLine();
    stats().hungUp = true;
    Record(Direction::Note, "hung up");
    return false;
  }

  void WriteReply(const std::string& bytes) {
    // A closed port loses what the device sends, as a real line does; the pty
    // would keep it for the next opener instead.
    if (hup || SlaveClosed()) {
      ++stats().repliesLost;
      Record(Direction::Note, "lost, nobody has the port open: " + bytes);
      return;
    }
    const ssize_t n = write(master.Get(), bytes.data(), bytes.size());
    if (n == ssize_t(bytes.size())) {
      ++stats().replies;
      stats().bytesOut += uint64_t(n);
      Record(Direction::Out, bytes);
      return;
    }
    const size_t sent = n > 0 ? size_t(n) : 0;
    stats().bytesOut += sent;
    ++stats().repliesLost;
    Record(Direction::Note, "overrun, " + std::to_string(bytes.size() - sent) + " characters lost: " + bytes);
  }

  void Received(const char* data, size_t n, Clock::time_point now) {
    stats().bytesIn += n;
    Record(Direction::In, std::string(data, n));
    for (size_t i = 0; i < n; ++i) {
      Clock::time_point t = now;
      if (charTime.count() > 0) {
        t = std::max(now, inWireFree) + charTime;
        inWireFree = t;
      }
      inbound.emplace_back(t, data[i]);
    }
  }

  void ReadLine() {
    char buf[4096];
    for (;;) {
      const ssize_t n = read(master.Get(), buf, sizeof buf);
      const auto now = Clock::now();
      if (n > 0) {
        std::lock_guard lk(mu);
        Received(buf, size_t(n), now);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
      // EIO: the other side has closed the slave. Keep the master and wait.
      std::lock_guard lk(mu);
      if (!hup) {
        hup = true;
        hupSince = now;
        ++stats().portCloses;
        Record(Direction::Note, "port closed by the other side");
      }
      return;
    }
  }

  void Run() {
    // Replies are due to the microsecond; the default 50 us of timer slack
    // would be added to every one of them.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    for (;;) {
      std::optional<Clock::time_point> deadline;
      {
        std::lock_guard lk(mu);
        const auto now = Clock::now();
        ProcessInbound(now);
        if (!ProcessOutbound(now)) break;
        if (!inbound.empty()) deadline = inbound.front().first;
        if (!outbound.empty() && (!deadline || outbound.front().at < *deadline)) deadline = outbound.front().at;
        if (readWatch.Valid()) {
          if (now >= hangUpBy) {
            HangUp();
            break;
          }
          if (!deadline || hangUpBy < *deadline) deadline = hangUpBy;
        }
      }
      const auto now = Clock::now();
      Nanos wait = deadline ? std::max(Nanos(0), *deadline - now) : Nanos(-1);
      bool hupNow;
      {
        std::lock_guard lk(mu);
        hupNow = hup;
      }
      if (hupNow) {
        // poll() reports POLLHUP at once while nobody has the slave open; look
        // again every few ms, quicker just after the close.
        const Nanos step = now - hupSince < std::chrono::milliseconds(200) ? std::chrono::milliseconds(2)
                                                                           : std::chrono::milliseconds(10);
        if (wait.count() < 0 || wait > step) wait = step;
      }
      pollfd fds[3] = {{stopFd.Get(), POLLIN, 0}, {readWatch.Get(), POLLIN, 0}, {master.Get(), POLLIN, 0}};
      timespec ts{time_t(wait.count() / 1'000'000'000), long(wait.count() % 1'000'000'000)};
      const int r = ppoll(fds, hupNow ? 2 : 3, wait.count() < 0 ? nullptr : &ts, nullptr);
      if (r < 0 && errno != EINTR) break;
      if (fds[0].revents & POLLIN) break;
      if (fds[1].revents & POLLIN) {
        std::lock_guard lk(mu);
        HangUp();
        break;
      }
      if (hupNow) {
        // A client may have come, written and gone between two looks: what it
        // wrote is still there to read.
        pollfd p{master.Get(), POLLIN, 0};
        poll(&p, 1, 0);
        if (p.revents & POLLHUP) {
          if (p.revents & POLLIN) ReadLine();
          continue;
        }
        std::lock_guard lk(mu);
        hup = false;
        Record(Direction::Note, "port opened by the other side");
      }
      if (hupNow || (fds[2].revents & (POLLIN | POLLHUP | POLLERR))) ReadLine();
    }
    finished = true;
  }

  void WriteOutputs() const {
    if (!o.flashPath.empty()) {
      std::ofstream f(o.flashPath, std::ios::binary | std::ios::trunc);
      const auto& flash = boot.flash();
      f.write(reinterpret_cast<const char*>(flash.data()), std::streamsize(flash.size()));
      if (!f) throw std::runtime_error("cannot write the flash to " + o.flashPath);
    }
    if (!o.transcriptPath.empty()) {
      std::ofstream f(o.transcriptPath, std::ios::binary | std::ios::trunc);
      f << FormatTranscript(transcript);
      if (!f) throw std::runtime_error("cannot write the transcript to " + o.transcriptPath);
    }
  }
};

Simulator::Simulator(Options options) {
  CheckOptions(options);
  std::vector<uint8_t> flash = InitialFlash(options);
  impl_ = std::make_unique<Impl>(std::move(options), std::move(flash));
}

Simulator::~Simulator() {
  try {
    Stop();
  } catch (...) {
    // A destructor has nobody to tell; Stop() called directly reports it.
  }
}

void Simulator::Start() {
  Impl& s = *impl_;
  if (s.started) throw std::logic_error("simulator already started");
  s.stopFd.Reset(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  if (!s.stopFd.Valid()) throw std::runtime_error(SysError("cannot create an eventfd"));
  try {
    s.Open();
    if (s.o.publish) s.Publish();
  } catch (...) {
    s.CloseLine();
    s.stopFd.Reset();
    throw;
  }
  s.t0 = Clock::now();
  s.inWireFree = s.txFree = s.deviceFree = s.lastDue = s.t0;
  s.Record(Direction::Note, "serving " + s.slavePath + (s.linkPath.empty() ? "" : " as " + s.linkPath));
  s.started = true;
  s.thread = std::thread([&s] { s.Run(); });
}

void Simulator::Stop() {
  Impl& s = *impl_;
  if (!s.started || s.stopped) return;
  s.stopped = true;
  const uint64_t one = 1;
  if (write(s.stopFd.Get(), &one, sizeof one) < 0) {
    // An eventfd write fails only on overflow; the thread wakes anyway.
  }
  s.thread.join();
  std::lock_guard lk(s.mu);
  s.readWatch.Reset();
  s.CloseLine();
  s.stopFd.Reset();
  s.WriteOutputs();
}

std::string Simulator::SlavePath() const { return impl_->slavePath; }

std::string Simulator::PortName() const { return impl_->linkName; }

std::string Simulator::LinkPath() const {
  return impl_->linkName.empty() ? "" : (impl_->o.linkFolder.empty() ? VirtualPortsFolder() : impl_->o.linkFolder) +
                                            "/" + impl_->linkName;
}

Stats Simulator::stats() const {
  std::lock_guard lk(impl_->mu);
  return impl_->boot.stats();
}

std::vector<uint8_t> Simulator::Flash() const {
  std::lock_guard lk(impl_->mu);
  return impl_->boot.flash();
}

std::vector<TranscriptEntry> Simulator::Transcript() const {
  std::lock_guard lk(impl_->mu);
  return impl_->transcript;
}

bool Simulator::Awake() const {
  std::lock_guard lk(impl_->mu);
  return impl_->boot.awake();
}

bool Simulator::Finished() const { return impl_->finished; }

void Simulator::WriteOutputs() const {
  std::lock_guard lk(impl_->mu);
  impl_->WriteOutputs();
}

std::string Simulator::Summary() const {
  const Stats s = stats();
  std::ostringstream out;
  out << s.commands << " commands, " << s.badFrames << " bad frames, " << s.bytesProgrammed << " bytes programmed ("
      << s.replies << " replies, " << s.dropped << " dropped, " << s.garbled << " garbled, " << s.delayed
      << " delayed, " << s.garbageBytes << " characters skipped" << (s.hungUp ? ", hung up" : "") << ")";
  return out.str();
}

}  // namespace devsim
