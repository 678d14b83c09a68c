#include "serial/posix/ModemWatch.h"

#include <linux/serial.h>
#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "serial/CommLayer.h"

namespace serial::posix {

namespace {

// A real-time signal with an empty handler installed without SA_RESTART, so
// that the driver's wait returns EINTR instead of starting again.
int WakeSignal() {
  static const int signal = [] {
    const int s = SIGRTMIN + 2;
    struct sigaction action {};
    action.sa_handler = +[](int) {};
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(s, &action, nullptr);
    return s;
  }();
  return signal;
}

std::uint32_t Changes(const serial_icounter_struct& was, const serial_icounter_struct& now) {
  std::uint32_t e = 0;
  if (now.cts != was.cts) e |= EV_CTS;
  if (now.dsr != was.dsr) e |= EV_DSR;
  if (now.dcd != was.dcd) e |= EV_RLSD;
  if (now.rng != was.rng) e |= EV_RING;
  return e;
}

std::uint32_t LineChanges(int was, int now) {
  const int diff = was ^ now;
  std::uint32_t e = 0;
  if (diff & TIOCM_CTS) e |= EV_CTS;
  if (diff & TIOCM_DSR) e |= EV_DSR;
  if (diff & TIOCM_CD) e |= EV_RLSD;
  if (diff & TIOCM_RNG) e |= EV_RING;
  return e;
}

}  // namespace

ModemWatch::ModemWatch(int fd, int wakeFd) : fd_(fd), wakeFd_(wakeFd) {
  WakeSignal();
  thread_ = std::thread([this] { Run(); });
}

ModemWatch::~ModemWatch() {
  stop_.store(true);
  // The signal may come just before the thread enters the driver's wait:
  // repeat it until the thread has seen the stop.
  while (!done_.load()) {
    pthread_kill(thread_.native_handle(), WakeSignal());
    for (int i = 0; i < 20 && !done_.load(); ++i) std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
  thread_.join();
}

void ModemWatch::Run() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, WakeSignal());
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  // The interrupt counters tell which line moved, also when it moved twice
  // before we looked; without them the lines' states are compared.
  serial_icounter_struct was{};
  const bool counted = ioctl(fd_, TIOCGICOUNT, &was) == 0;
  int lines = 0;
  if (ioctl(fd_, TIOCMGET, &lines) != 0) lines = 0;
  while (!stop_.load()) {
    if (ioctl(fd_, TIOCMIWAIT, TIOCM_CTS | TIOCM_DSR | TIOCM_CD | TIOCM_RNG) != 0) {
      if (errno == EINTR) continue;
      break;  // no such wait here (ENOTTY, EINVAL), or the device has gone
    }
    std::uint32_t events = 0;
    serial_icounter_struct now{};
    if (counted && ioctl(fd_, TIOCGICOUNT, &now) == 0) {
      events = Changes(was, now);
      was = now;
    } else if (int l = 0; ioctl(fd_, TIOCMGET, &l) == 0) {
      events = LineChanges(lines, l);
      lines = l;
    }
    if (events == 0) continue;
    pending_.fetch_or(events);
    const std::uint64_t one = 1;
    [[maybe_unused]] auto r = write(wakeFd_, &one, sizeof one);
  }
  done_.store(true);
}

}  // namespace serial::posix
