// The comm layer on Linux: termios, poll against a monotonic clock, eventfd.
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <mutex>
#include <optional>

#include "serial/CommLayer.h"
#include "serial/PortList.h"
#include "serial/posix/LineSettings.h"

namespace serial {

namespace {

using Clock = std::chrono::steady_clock;

// Waits for fds until the deadline (none: no limit), retrying on EINTR.
// Returns poll's count: 0 when the deadline passed, -1 on failure.
int PollUntil(pollfd* fds, nfds_t n, std::optional<Clock::time_point> deadline) {
  for (;;) {
    timespec ts{};
    timespec* tsp = nullptr;
    if (deadline) {
      auto left = *deadline - Clock::now();
      if (left < Clock::duration::zero()) left = Clock::duration::zero();
      auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
      ts.tv_sec = static_cast<time_t>(ns / 1000000000);
      ts.tv_nsec = static_cast<long>(ns % 1000000000);
      tsp = &ts;
    }
    int r = ppoll(fds, n, tsp, nullptr);
    if (r < 0 && errno == EINTR) continue;
    return r;
  }
}

// "The line has no such signal": ptys and some adapters answer so.
bool NoSuchLine(int err) { return err == ENOTTY || err == EINVAL; }
// The device has gone (unplugged, pty master closed): nothing is left to
// switch or clear, and Close must still be able to finish.
bool DeviceGone(int err) { return err == EIO || err == ENXIO || err == ENODEV; }

// A read's closing gap is 1 ms, and the default 50 us of timer slack is 5 % of
// it on every command. Lowered only while a read waits, so the thread's other
// sleeps keep their coalescing.
class FineTimerSlack {
 public:
  void Engage() {
    if (engaged_) return;
    const int was = prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0);
    if (was <= 1) return;
    if (prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL) != 0) return;
    previous_ = static_cast<unsigned long>(was);
    engaged_ = true;
  }
  ~FineTimerSlack() {
    if (engaged_) prctl(PR_SET_TIMERSLACK, previous_, 0UL, 0UL, 0UL);
  }

 private:
  bool engaged_ = false;
  unsigned long previous_ = 0;
};

struct PosixOperation : CommOperation {
  bool isRead = false;
  unsigned char* buffer = nullptr;
  const unsigned char* source = nullptr;
  std::uint32_t count = 0;
  Clock::time_point started;
};

class EventFdSignal : public StopSignal {
 public:
  EventFdSignal() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
  ~EventFdSignal() override {
    if (fd_ >= 0) close(fd_);
  }
  void Signal() override {
    std::uint64_t one = 1;
    [[maybe_unused]] auto r = write(fd_, &one, sizeof one);
  }
  int fd() const { return fd_; }

 private:
  int fd_;
};

class PosixCommLayer : public CommLayer {
 public:
  PosixCommLayer() : txDone_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
  ~PosixCommLayer() override {
    CloseDevice();
    if (txDone_ >= 0) close(txDone_);
  }

  OpenResult OpenDevice(const std::string& port) override {
    CloseDevice();
    if (port.empty()) return OpenResult::NotFound;
    int fd = open(PortDevicePath(port).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return FromErrno(errno);
    // flock conflicts for every user; TIOCEXCL also keeps out programs that do
    // not flock, though root passes it.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      int err = errno;
      close(fd);
      return err == EWOULDBLOCK ? OpenResult::Busy : FromErrno(err);
    }
    ioctl(fd, TIOCEXCL);
    fd_ = fd;
    hungUp_ = false;
    lastSeenQueue_ = 0;
    rxWaiting_ = false;
    std::uint64_t stale;
    while (read(txDone_, &stale, sizeof stale) > 0) {
    }
    {
      std::lock_guard lock(errMutex_);
      haveCounts_ = ReadCounts(clearCounts_);
    }
    eventCountsValid_ = ReadCounts(eventCounts_);
    return OpenResult::Ok;
  }

  bool HasDevice() const override { return fd_ >= 0; }

  void CloseDevice() override {
    if (fd_ < 0) return;
    // The exclusive flag outlives a close while a pty master stays open.
    ioctl(fd_, TIOCNXCL);
    close(fd_);
    fd_ = -1;
  }

  bool SetupComm(std::int32_t inSize, std::int32_t outSize) override {
    // The kernel's buffers have fixed sizes; the sizes only scale the 80 %
    // mark of the input queue.
    if (!Valid()) return false;
    inSize_ = inSize;
    (void)outSize;
    return true;
  }

  bool SetCommState(const Dcb& dcb) override {
    if (!Valid()) return false;
    posix::LineParams p{dcb.BaudRate, dcb.ByteSize, dcb.Parity, dcb.StopBits, (dcb.Flags & kDcbParity) != 0};
    if (!posix::ApplyLineParams(fd_, p)) return false;
    // DTR and RTS on while open, as the block asks.
    if (dcb.Flags & kDcbDtrControlEnable) EscapeCommFunction(SETDTR);
    if (dcb.Flags & kDcbRtsControlEnable) EscapeCommFunction(SETRTS);
    return true;
  }

  bool SetCommTimeouts(const CommTimeoutsBlock& block) override {
    if (!Valid()) return false;
    timeouts_ = block;
    return true;
  }

  bool PurgeComm(std::uint32_t flags) override {
    if (!Valid()) return false;
    // Reads and writes run to their end on the caller's thread, so there is
    // never an operation to abort; only the clears touch the driver.
    bool rx = flags & PURGE_RXCLEAR, tx = flags & PURGE_TXCLEAR;
    if (rx || tx) {
      if (tcflush(fd_, rx && tx ? TCIOFLUSH : rx ? TCIFLUSH : TCOFLUSH) != 0 && !NoSuchLine(errno) &&
          !DeviceGone(errno))
        return false;
    }
    return true;
  }

  bool ClearCommError(std::uint32_t& errors, std::uint32_t& inQueue) override {
    if (!Valid()) return false;
    int n = 0;
    if (ioctl(fd_, FIONREAD, &n) != 0) return false;
    inQueue = static_cast<std::uint32_t>(n < 0 ? 0 : n);
    errors = 0;
    // Line errors only where the driver counts them (not on ptys).
    serial_icounter_struct now{};
    std::lock_guard lock(errMutex_);
    if (ReadCounts(now)) {
      if (haveCounts_) errors = ErrorBits(clearCounts_, now);
      clearCounts_ = now;
      haveCounts_ = true;
    }
    return true;
  }

  bool GetCommModemStatus(std::uint32_t& status) override {
    if (!Valid()) return false;
    int bits = 0;
    status = 0;
    if (ioctl(fd_, TIOCMGET, &bits) != 0) return NoSuchLine(errno);
    if (bits & TIOCM_CTS) status |= MS_CTS_ON;
    if (bits & TIOCM_DSR) status |= MS_DSR_ON;
    if (bits & TIOCM_RI) status |= MS_RING_ON;
    if (bits & TIOCM_CD) status |= MS_RLSD_ON;
    return true;
  }

  bool EscapeCommFunction(std::uint32_t function) override {
    if (!Valid()) return false;
    int bit = 0;
    unsigned long request = 0;
    switch (function) {
      case SETDTR: bit = TIOCM_DTR; request = TIOCMBIS; break;
      case CLRDTR: bit = TIOCM_DTR; request = TIOCMBIC; break;
      case SETRTS: bit = TIOCM_RTS; request = TIOCMBIS; break;
      case CLRRTS: bit = TIOCM_RTS; request = TIOCMBIC; break;
      default: return false;
    }
    if (ioctl(fd_, request, &bit) == 0) return true;
    // A pty has no DTR or RTS: nothing to switch, which is no failure.
    return NoSuchLine(errno) || DeviceGone(errno);
  }

  StartResult StartWrite(std::unique_ptr<CommOperation>& op, const void* buffer, std::uint32_t count,
                         std::uint32_t& done) override {
    if (!Valid()) return StartResult::Failed;
    auto p = std::make_unique<PosixOperation>();
    p->source = static_cast<const unsigned char*>(buffer);
    p->count = count;
    p->started = Clock::now();
    op = std::move(p);
    done = 0;
    return StartResult::Pending;
  }

  StartResult StartRead(std::unique_ptr<CommOperation>& op, void* buffer, std::uint32_t count,
                        std::uint32_t& done) override {
    if (!Valid()) return StartResult::Failed;
    auto p = std::make_unique<PosixOperation>();
    p->isRead = true;
    p->buffer = static_cast<unsigned char*>(buffer);
    p->count = count;
    p->started = Clock::now();
    op = std::move(p);
    done = 0;
    return StartResult::Pending;
  }

  bool WaitOperation(CommOperation& base, std::uint32_t& transferred) override {
    auto& op = static_cast<PosixOperation&>(base);
    if (!Valid()) return false;
    return op.isRead ? WaitRead(op, transferred) : WaitWrite(op, transferred);
  }

  bool SetCommMask(std::uint32_t mask) override {
    mask_.store(mask);
    return Valid();
  }

  std::unique_ptr<StopSignal> CreateStopSignal() override { return std::make_unique<EventFdSignal>(); }

  EventWaitResult WaitCommEvent(StopSignal& stopBase, std::uint32_t& mask) override {
    auto& stop = static_cast<EventFdSignal&>(stopBase);
    // poll is level-triggered: while received bytes sit unread the line stays
    // readable, so instead of watching it then, look at the queue's count every
    // kRxBackoff and report only growth.
    constexpr auto kRxBackoff = std::chrono::milliseconds(20);
    for (;;) {
      pollfd fds[3] = {{stop.fd(), POLLIN, 0}, {txDone_, POLLIN, 0}, {-1, 0, 0}};
      nfds_t n = 2;
      const bool watchLine = fd_ >= 0 && !hungUp_ && !rxWaiting_;
      if (watchLine) {
        fds[2] = {fd_, POLLIN | POLLPRI, 0};
        n = 3;
      }
      std::optional<Clock::time_point> deadline;
      if (rxWaiting_ && !hungUp_) deadline = Clock::now() + kRxBackoff;
      int r = PollUntil(fds, n, deadline);
      wakeups_.fetch_add(1);
      if (r < 0) return EventWaitResult::Failed;
      if (fds[0].revents) return EventWaitResult::Stopped;
      std::uint32_t events = 0;
      if (fds[1].revents & POLLIN) {
        std::uint64_t v;
        [[maybe_unused]] auto got = read(txDone_, &v, sizeof v);
        events |= EV_TXEMPTY;
      }
      if (watchLine && (fds[2].revents & (POLLHUP | POLLERR | POLLNVAL))) {
        // The other end is gone for good; reads will say so. Stop watching,
        // or the wait would return at once for ever.
        hungUp_ = true;
      }
      if ((watchLine && (fds[2].revents & (POLLIN | POLLPRI))) || (rxWaiting_ && r == 0)) {
        int queued = 0;
        if (ioctl(fd_, FIONREAD, &queued) != 0) queued = 0;
        const std::uint32_t q = static_cast<std::uint32_t>(queued < 0 ? 0 : queued);
        if (q > lastSeenQueue_) events |= EV_RXCHAR;
        const std::uint32_t full = inSize_ > 0 ? static_cast<std::uint32_t>(inSize_) * 8 / 10 : 0;
        if (full > 0 && q >= full && lastSeenQueue_ < full) events |= EV_RX80FULL;
        lastSeenQueue_ = q;
        rxWaiting_ = q > 0;
        serial_icounter_struct now{};
        if (eventCountsValid_ && ReadCounts(now)) {
          if (ErrorBits(eventCounts_, now) != 0) events |= EV_ERR;
          eventCounts_ = now;
        }
      }
      events &= mask_.load();
      if (events) {
        mask = events;
        return EventWaitResult::Events;
      }
    }
  }

 private:
  static OpenResult FromErrno(int err) {
    switch (err) {
      case ENOENT:
      case ENXIO:
      case ENODEV: return OpenResult::NotFound;
      case EBUSY:
      case EWOULDBLOCK: return OpenResult::Busy;
      case EACCES:
      case EPERM: return OpenResult::AccessDenied;
      default: return OpenResult::Other;
    }
  }

  bool Valid() const { return fd_ >= 0; }

  bool ReadCounts(serial_icounter_struct& c) const { return fd_ >= 0 && ioctl(fd_, TIOCGICOUNT, &c) == 0; }

  static std::uint32_t ErrorBits(const serial_icounter_struct& was, const serial_icounter_struct& now) {
    std::uint32_t e = 0;
    if (now.frame != was.frame) e |= CE_FRAME;
    if (now.parity != was.parity) e |= CE_RXPARITY;
    if (now.overrun != was.overrun) e |= CE_OVERRUN;
    if (now.buf_overrun != was.buf_overrun) e |= CE_RXOVER;
    if (now.brk != was.brk) e |= CE_BREAK;
    return e;
  }

  // The Windows meaning of the read time-outs.
  bool WaitRead(PosixOperation& op, std::uint32_t& transferred) {
    const auto& t = timeouts_;
    std::uint32_t got = 0;
    const bool intervalMax = t.ReadIntervalTimeout == kMaxDword;
    // MAXDWORD interval with no totals: take what is queued and return.
    const bool immediate = intervalMax && t.ReadTotalTimeoutMultiplier == 0 && t.ReadTotalTimeoutConstant == 0;
    // MAXDWORD interval and multiplier with a constant: wait for the first byte
    // up to the constant, then return with what is there.
    const bool firstByte = intervalMax && t.ReadTotalTimeoutMultiplier == kMaxDword &&
                           t.ReadTotalTimeoutConstant != 0 && t.ReadTotalTimeoutConstant != kMaxDword;
    std::optional<Clock::time_point> total;
    if (firstByte) {
      total = op.started + std::chrono::milliseconds(t.ReadTotalTimeoutConstant);
    } else if (!immediate && t.ReadTotalTimeoutMultiplier != kMaxDword && t.ReadTotalTimeoutConstant != kMaxDword &&
               (t.ReadTotalTimeoutMultiplier != 0 || t.ReadTotalTimeoutConstant != 0)) {
      const auto ms = static_cast<std::uint64_t>(t.ReadTotalTimeoutMultiplier) * op.count + t.ReadTotalTimeoutConstant;
      total = op.started + std::chrono::milliseconds(ms);
    }
    const bool useInterval = !intervalMax && t.ReadIntervalTimeout != 0;
    std::optional<Clock::time_point> lastByte;
    FineTimerSlack slack;
    while (got < op.count) {
      ssize_t r = read(fd_, op.buffer + got, op.count - got);
      if (r > 0) {
        got += static_cast<std::uint32_t>(r);
        lastByte = Clock::now();
        if (firstByte) break;
        continue;
      }
      if (r == 0) return false;  // with VMIN 1 only a hang-up reads 0
      if (errno == EINTR) continue;
      if (errno != EAGAIN) return false;
      if (immediate) break;
      std::optional<Clock::time_point> deadline = total;
      if (useInterval && lastByte) {
        auto gap = *lastByte + std::chrono::milliseconds(t.ReadIntervalTimeout);
        if (!deadline || gap < *deadline) deadline = gap;
      }
      if (deadline && Clock::now() >= *deadline) break;
      if (deadline) slack.Engage();
      pollfd fd{fd_, POLLIN, 0};
      int p = PollUntil(&fd, 1, deadline);
      if (p < 0) return false;
      if (p == 0) break;
      if ((fd.revents & (POLLHUP | POLLERR | POLLNVAL)) && !(fd.revents & POLLIN)) return false;
    }
    transferred = got;
    return true;
  }

  // Complete when the bytes have left the driver, within the write time-out.
  bool WaitWrite(PosixOperation& op, std::uint32_t& transferred) {
    const auto& t = timeouts_;
    std::optional<Clock::time_point> deadline;
    if (t.WriteTotalTimeoutMultiplier != kMaxDword && t.WriteTotalTimeoutConstant != kMaxDword &&
        (t.WriteTotalTimeoutMultiplier != 0 || t.WriteTotalTimeoutConstant != 0)) {
      const auto ms = static_cast<std::uint64_t>(t.WriteTotalTimeoutMultiplier) * op.count + t.WriteTotalTimeoutConstant;
      deadline = op.started + std::chrono::milliseconds(ms);
    }
    std::uint32_t sent = 0;
    bool timedOut = false;
    while (sent < op.count) {
      ssize_t r = write(fd_, op.source + sent, op.count - sent);
      if (r > 0) {
        sent += static_cast<std::uint32_t>(r);
        continue;
      }
      if (r < 0 && errno == EINTR) continue;
      if (r < 0 && errno != EAGAIN) return false;
      pollfd fd{fd_, POLLOUT, 0};
      int p = PollUntil(&fd, 1, deadline);
      if (p < 0) return false;
      if (p == 0) {
        timedOut = true;
        break;
      }
      if ((fd.revents & (POLLHUP | POLLERR | POLLNVAL)) && !(fd.revents & POLLOUT)) return false;
    }
    // tcdrain has no limit, so watch the output queue against the deadline and
    // drain only what is left on the wire.
    std::uint32_t unsent = 0;
    for (;;) {
      int queued = 0;
      if (ioctl(fd_, TIOCOUTQ, &queued) != 0 || queued <= 0) break;
      if (timedOut || (deadline && Clock::now() >= *deadline)) {
        unsent = static_cast<std::uint32_t>(queued);
        tcflush(fd_, TCOFLUSH);  // a timed-out write does not go on behind our back
        timedOut = true;
        break;
      }
      auto step = Clock::now() + std::chrono::milliseconds(1);
      if (deadline && *deadline < step) step = *deadline;
      PollUntil(nullptr, 0, step);
    }
    if (!timedOut) tcdrain(fd_);
    transferred = sent > unsent ? sent - unsent : 0;
    if (transferred > 0) {
      std::uint64_t one = 1;
      [[maybe_unused]] auto r = write(txDone_, &one, sizeof one);
    }
    return true;
  }

  int fd_ = -1;
  int txDone_ = -1;  // a finished write tells the event wait: transmit empty
  CommTimeoutsBlock timeouts_{};
  std::int32_t inSize_ = 0;
  std::atomic<std::uint32_t> mask_{0};
  // The event thread's own view.
  bool hungUp_ = false;
  bool rxWaiting_ = false;
  std::uint32_t lastSeenQueue_ = 0;
  serial_icounter_struct eventCounts_{};
  bool eventCountsValid_ = false;
  // ClearCommError's baseline, shared by the main and the event thread.
  std::mutex errMutex_;
  serial_icounter_struct clearCounts_{};
  bool haveCounts_ = false;
};

}  // namespace

std::unique_ptr<CommLayer> CreatePlatformCommLayer() { return std::make_unique<PosixCommLayer>(); }

}  // namespace serial
