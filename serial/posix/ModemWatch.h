#pragma once
// Modem-line changes (CTS, DSR, carrier, ring) on a thread of their own:
// TIOCMIWAIT sleeps in the driver until a line changes, and only a signal
// ends it early, so the watch is stopped by signalling its thread.
#include <atomic>
#include <cstdint>
#include <thread>

namespace serial::posix {

class ModemWatch {
 public:
  // Watches `fd`; each change is added to Take()'s bits (EV_CTS, EV_DSR,
  // EV_RLSD, EV_RING) and announced by a write to the eventfd `wakeFd`.
  ModemWatch(int fd, int wakeFd);
  // Interrupts the driver's wait and waits for the thread.
  ~ModemWatch();
  ModemWatch(const ModemWatch&) = delete;
  ModemWatch& operator=(const ModemWatch&) = delete;

  // The changes since the last call.
  std::uint32_t Take() { return pending_.exchange(0); }
  // Whether the thread has ended (the driver cannot wait for lines, as on a
  // pseudo-terminal, or the device has gone).
  bool Ended() const { return done_.load(); }

 private:
  void Run();
  int fd_;
  int wakeFd_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> done_{false};
  std::atomic<std::uint32_t> pending_{0};
  std::thread thread_;
};

}  // namespace serial::posix
