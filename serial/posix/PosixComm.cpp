// The comm layer on Linux: termios, poll against a monotonic clock, eventfd.
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <mutex>
#include <memory>
#include <optional>

#include "serial/CommLayer.h"
#include "serial/PortList.h"
#include "serial/WireTime.h"
#include "serial/posix/LineSettings.h"
#include "serial/posix/ModemWatch.h"
#include "os/UniqueFd.h"

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
  void Signal() override {
    std::uint64_t one = 1;
    [[maybe_unused]] auto r = write(fd_.Get(), &one, sizeof one);
  }
  int fd() const { return fd_.Get(); }

 private:
  os::UniqueFd fd_;
};

class PosixCommLayer : public CommLayer {
 public:
  PosixCommLayer()
      : txDone_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), modemChanged_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
  ~PosixCommLayer() override { CloseDevice(); }

  OpenResult OpenDevice(const std::string& port) override {
    CloseDevice();
    if (port.empty()) return OpenResult::NotFound;
    os::UniqueFd fd(open(PortDevicePath(port).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid()) return FromErrno(errno);
    // flock conflicts for every user; TIOCEXCL also keeps out programs that do
    // not flock, though root passes it.
    if (flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
      const int err = errno;
      return err == EWOULDBLOCK ? OpenResult::Busy : FromErrno(err);
    }
    ioctl(fd.Get(), TIOCEXCL);
    fd_ = std::move(fd);
    RequestLowLatency();
    hungUp_ = false;
    lastSeenQueue_ = 0;
    Drain(txDone_.Get());
    Drain(modemChanged_.Get());
    {
      std::lock_guard lock(rxMutex_);
      consumed_ = 0;
      int queued = 0;
      seenTotal_ = ioctl(fd_.Get(), FIONREAD, &queued) == 0 && queued > 0 ? static_cast<std::uint64_t>(queued) : 0;
    }
    {
      std::lock_guard lock(errMutex_);
      haveCounts_ = ReadCounts(clearCounts_);
    }
    eventCountsValid_ = ReadCounts(eventCounts_);
    // Every arrival wakes an edge-triggered wait, also while earlier bytes
    // still sit unread; a level-triggered one would report them for ever.
    epoll_.Reset(epoll_create1(EPOLL_CLOEXEC));
    Watch(fd_.Get(), kLine, EPOLLIN | EPOLLPRI | EPOLLET);
    Watch(txDone_.Get(), kTxDone, EPOLLIN);
    Watch(modemChanged_.Get(), kModem, EPOLLIN);
    return OpenResult::Ok;
  }

  bool HasDevice() const override { return fd_.Get() >= 0; }

  void CloseDevice() override {
    if (fd_.Get() < 0) return;
    modem_.reset();
    epoll_.Reset();
    watchedStop_ = -1;
    RestoreLatency();
    // The exclusive flag outlives a close while a pty master stays open.
    ioctl(fd_.Get(), TIOCNXCL);
    fd_.Reset();
  }

  bool SetupComm(std::int32_t inSize, std::int32_t outSize) override {
    // The kernel's buffers have fixed sizes; the sizes only scale the 80 %
    // mark of the input queue.
    if (!Valid()) return false;
    inSize_.store(inSize);
    (void)outSize;
    return true;
  }

  bool SetCommState(const Dcb& dcb) override {
    if (!Valid()) return false;
    posix::LineParams p{dcb.BaudRate, dcb.ByteSize, dcb.Parity, dcb.StopBits, (dcb.Flags & kDcbParity) != 0};
    if (!posix::ApplyLineParams(fd_.Get(), p)) return false;
    dcb_ = dcb;
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
      // Flushed bytes count as taken, so the next arrival is still told.
      std::lock_guard lock(rxMutex_);
      int queued = 0;
      if (rx && ioctl(fd_.Get(), FIONREAD, &queued) == 0 && queued > 0) consumed_ += static_cast<std::uint64_t>(queued);
      if (tcflush(fd_.Get(), rx && tx ? TCIOFLUSH : rx ? TCIFLUSH : TCOFLUSH) != 0 && !NoSuchLine(errno) &&
          !DeviceGone(errno))
        return false;
    }
    return true;
  }

  bool ClearCommError(std::uint32_t& errors, std::uint32_t& inQueue) override {
    if (!Valid()) return false;
    int n = 0;
    if (ioctl(fd_.Get(), FIONREAD, &n) != 0) return false;
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
    if (ioctl(fd_.Get(), TIOCMGET, &bits) != 0) return NoSuchLine(errno);
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
    if (ioctl(fd_.Get(), request, &bit) == 0) return true;
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
    if (!Valid()) return false;
    // The driver's wait for modem lines needs a thread; only while watched.
    if (mask & (EV_CTS | EV_DSR | EV_RLSD | EV_RING)) {
      if (!modem_) modem_ = std::make_unique<posix::ModemWatch>(fd_.Get(), modemChanged_.Get());
    } else {
      modem_.reset();
    }
    return true;
  }

  std::unique_ptr<StopSignal> CreateStopSignal() override { return std::make_unique<EventFdSignal>(); }

  EventWaitResult WaitCommEvent(StopSignal& stopBase, std::uint32_t& mask) override {
    auto& stop = static_cast<EventFdSignal&>(stopBase);
    if (epoll_.Get() < 0) return EventWaitResult::Failed;
    if (watchedStop_ != stop.fd()) {
      Watch(stop.fd(), kStop, EPOLLIN);
      watchedStop_ = stop.fd();
    }
    for (;;) {
      epoll_event ready[4];
      const int n = epoll_wait(epoll_.Get(), ready, 4, -1);
      if (n < 0 && errno == EINTR) continue;
      wakeups_.fetch_add(1);
      if (n < 0) return EventWaitResult::Failed;
      std::uint32_t events = 0;
      bool line = false;
      for (int i = 0; i < n; ++i) {
        switch (ready[i].data.u32) {
          case kStop: return EventWaitResult::Stopped;
          case kTxDone:
            Drain(txDone_.Get());
            events |= EV_TXEMPTY;
            break;
          case kModem:
            Drain(modemChanged_.Get());
            if (modem_) events |= modem_->Take();
            break;
          case kLine:
            line = true;
            if (ready[i].events & (EPOLLHUP | EPOLLERR)) {
              // The other end is gone for good; reads will say so.
              hungUp_ = true;
              epoll_ctl(epoll_.Get(), EPOLL_CTL_DEL, fd_.Get(), nullptr);
            }
            break;
          default: break;
        }
      }
      if (line) events |= LineEvents();
      events &= mask_.load();
      if (events) {
        mask = events;
        return EventWaitResult::Events;
      }
    }
  }

 private:
  enum : std::uint32_t { kStop, kTxDone, kLine, kModem };

  void Watch(int fd, std::uint32_t tag, std::uint32_t what) {
    epoll_event e{};
    e.events = what;
    e.data.u32 = tag;
    epoll_ctl(epoll_.Get(), EPOLL_CTL_ADD, fd, &e);
  }

  static void Drain(int eventFd) {
    std::uint64_t v;
    while (read(eventFd, &v, sizeof v) > 0) {
    }
  }

  // What a wake of the line brought: new bytes (everything ever queued, read
  // or not, has grown), the 80 % mark, and line errors the driver counted.
  std::uint32_t LineEvents() {
    std::uint32_t events = 0;
    std::uint32_t q = 0;
    std::uint64_t total = 0;
    {
      std::lock_guard lock(rxMutex_);
      int queued = 0;
      if (ioctl(fd_.Get(), FIONREAD, &queued) == 0 && queued > 0) q = static_cast<std::uint32_t>(queued);
      total = consumed_ + q;
    }
    if (total > seenTotal_) events |= EV_RXCHAR;
    seenTotal_ = total;
    const std::int32_t inSize = inSize_.load();
    const std::uint32_t full = inSize > 0 ? static_cast<std::uint32_t>(inSize) * 8 / 10 : 0;
    if (full > 0 && q >= full && lastSeenQueue_ < full) events |= EV_RX80FULL;
    lastSeenQueue_ = q;
    serial_icounter_struct now{};
    if (eventCountsValid_ && ReadCounts(now)) {
      if (ErrorBits(eventCounts_, now) != 0) events |= EV_ERR;
      eventCounts_ = now;
    }
    return events;
  }

  // USB adapters hold received bytes up to 16 ms before passing them on;
  // where the driver allows, ask it not to, and put its flags back on close.
  void RequestLowLatency() {
    latencyRaised_ = false;
    serial_struct info{};
    if (ioctl(fd_.Get(), TIOCGSERIAL, &info) != 0 || (info.flags & ASYNC_LOW_LATENCY)) return;
    savedSerialFlags_ = info.flags;
    info.flags |= ASYNC_LOW_LATENCY;
    latencyRaised_ = ioctl(fd_.Get(), TIOCSSERIAL, &info) == 0;
  }

  void RestoreLatency() {
    if (!latencyRaised_) return;
    latencyRaised_ = false;
    serial_struct info{};
    if (ioctl(fd_.Get(), TIOCGSERIAL, &info) != 0) return;
    info.flags = savedSerialFlags_;
    ioctl(fd_.Get(), TIOCSSERIAL, &info);
  }

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

  bool Valid() const { return fd_.Get() >= 0; }

  bool ReadCounts(serial_icounter_struct& c) const { return fd_.Get() >= 0 && ioctl(fd_.Get(), TIOCGICOUNT, &c) == 0; }

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
      ssize_t r;
      {
        // Taken bytes are counted with the read, so the event thread's look
        // at the queue never misses an arrival that a read just took.
        std::lock_guard lock(rxMutex_);
        r = read(fd_.Get(), op.buffer + got, op.count - got);
        if (r > 0) consumed_ += static_cast<std::uint64_t>(r);
      }
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
      pollfd fd{fd_.Get(), POLLIN, 0};
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
    std::optional<Clock::time_point> deadline;
    if (const auto ms = WriteLimitMs(timeouts_, dcb_, op.count); ms > 0)
      deadline = op.started + std::chrono::milliseconds(ms);
    std::uint32_t sent = 0;
    bool timedOut = false;
    while (sent < op.count) {
      ssize_t r = write(fd_.Get(), op.source + sent, op.count - sent);
      if (r > 0) {
        sent += static_cast<std::uint32_t>(r);
        continue;
      }
      if (r < 0 && errno == EINTR) continue;
      if (r < 0 && errno != EAGAIN) return false;
      pollfd fd{fd_.Get(), POLLOUT, 0};
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
      if (ioctl(fd_.Get(), TIOCOUTQ, &queued) != 0 || queued <= 0) break;
      if (timedOut || (deadline && Clock::now() >= *deadline)) {
        unsent = static_cast<std::uint32_t>(queued);
        tcflush(fd_.Get(), TCOFLUSH);  // a timed-out write does not go on behind our back
        timedOut = true;
        break;
      }
      auto step = Clock::now() + std::chrono::milliseconds(1);
      if (deadline && *deadline < step) step = *deadline;
      PollUntil(nullptr, 0, step);
    }
    if (!timedOut) tcdrain(fd_.Get());
    transferred = sent > unsent ? sent - unsent : 0;
    if (transferred > 0) {
      std::uint64_t one = 1;
      [[maybe_unused]] auto r = write(txDone_.Get(), &one, sizeof one);
    }
    return true;
  }

  os::UniqueFd fd_;
  os::UniqueFd txDone_;  // a finished write tells the event wait: transmit empty
  CommTimeoutsBlock timeouts_{};
  Dcb dcb_{};
  // Set on the main thread while the event thread's wait reads it.
  std::atomic<std::int32_t> inSize_{0};
  std::atomic<std::uint32_t> mask_{0};
  os::UniqueFd modemChanged_;  // the modem watch tells the event wait
  std::unique_ptr<posix::ModemWatch> modem_;
  os::UniqueFd epoll_;
  int watchedStop_ = -1;
  bool latencyRaised_ = false;
  int savedSerialFlags_ = 0;
  // Bytes taken from the queue by reads and purges, and the event thread's
  // last look at taken + queued.
  std::mutex rxMutex_;
  std::uint64_t consumed_ = 0;
  std::uint64_t seenTotal_ = 0;
  // The event thread's own view.
  bool hungUp_ = false;
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
