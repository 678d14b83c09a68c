#pragma once
// A pseudo-terminal whose master plays the device, and a comm layer that only
// records what the component hands the platform.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "serial/CommLayer.h"

namespace serial_test {

class Pty {
 public:
  Pty() {
    master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) throw std::runtime_error("no pty");
    slavePath = ptsname(master);
  }
  ~Pty() { CloseMaster(); }
  void Send(const std::string& bytes) const {
    if (write(master, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
      throw std::runtime_error("pty write");
  }
  // Everything that arrives within the wait.
  std::string Receive(int waitMs = 200) const {
    std::string got;
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (std::chrono::steady_clock::now() < end) {
      pollfd p{master, POLLIN, 0};
      if (poll(&p, 1, 10) > 0 && (p.revents & POLLIN)) {
        char buf[256];
        ssize_t n = read(master, buf, sizeof buf);
        if (n > 0) got.append(buf, static_cast<size_t>(n));
      } else if (!got.empty()) {
        break;
      }
    }
    return got;
  }
  void CloseMaster() {
    if (master >= 0) close(master);
    master = -1;
  }
  int master = -1;
  std::string slavePath;
};

using Clock = std::chrono::steady_clock;
inline double MsSince(Clock::time_point t) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

class FakeStop : public serial::StopSignal {
 public:
  void Signal() override {
    {
      std::lock_guard l(m);
      stopped = true;
    }
    cv.notify_all();
  }
  std::mutex m;
  std::condition_variable cv;
  bool stopped = false;
};

// Records every call in order; answers from its knobs.
class FakeLayer : public serial::CommLayer {
 public:
  struct State {
    std::mutex m;
    std::condition_variable cv;
    std::vector<std::string> log;
    std::vector<serial::Dcb> states;
    std::vector<serial::CommTimeoutsBlock> timeouts;
    OpenResult openResult = OpenResult::Ok;
    bool failSetup = false, failClearError = false;
    std::uint32_t errors = 0, inQueue = 0;
    std::deque<std::uint32_t> events;  // masks the event wait reports, one per round
    bool threadEnded = false;
    void Log(std::string s) {
      std::lock_guard l(m);
      log.push_back(std::move(s));
    }
    std::vector<std::string> Log() {
      std::lock_guard l(m);
      return log;
    }
    void Clear() {
      std::lock_guard l(m);
      log.clear();
    }
    void PushEvent(std::uint32_t mask) {
      {
        std::lock_guard l(m);
        events.push_back(mask);
      }
      cv.notify_all();
    }
  };
  explicit FakeLayer(State& s) : s_(s) {}

  OpenResult OpenDevice(const std::string& port) override {
    s_.Log("open:" + port);
    open_ = s_.openResult == OpenResult::Ok;
    return s_.openResult;
  }
  bool HasDevice() const override { return open_; }
  void CloseDevice() override {
    s_.Log("close");
    open_ = false;
  }
  bool SetupComm(std::int32_t in, std::int32_t out) override {
    s_.Log("setup:" + std::to_string(in) + "/" + std::to_string(out));
    return open_ && !s_.failSetup;
  }
  bool SetCommState(const serial::Dcb& dcb) override {
    s_.Log("state:" + std::to_string(dcb.BaudRate));
    std::lock_guard l(s_.m);
    s_.states.push_back(dcb);
    return open_;
  }
  bool SetCommTimeouts(const serial::CommTimeoutsBlock& b) override {
    s_.Log("timeouts");
    std::lock_guard l(s_.m);
    s_.timeouts.push_back(b);
    return open_;
  }
  bool PurgeComm(std::uint32_t flags) override {
    s_.Log("purge:" + std::to_string(flags));
    return open_;
  }
  bool ClearCommError(std::uint32_t& errors, std::uint32_t& inQueue) override {
    s_.Log("clearerror");
    errors = s_.errors;
    inQueue = s_.inQueue;
    return !s_.failClearError;
  }
  bool GetCommModemStatus(std::uint32_t& status) override {
    s_.Log("modem");
    status = serial::MS_CTS_ON;
    return true;
  }
  bool EscapeCommFunction(std::uint32_t f) override {
    s_.Log("escape:" + std::to_string(f));
    return open_;
  }
  StartResult StartWrite(std::unique_ptr<serial::CommOperation>& op, const void*, std::uint32_t count,
                         std::uint32_t&) override {
    s_.Log("write:" + std::to_string(count));
    op = std::make_unique<serial::CommOperation>();
    return StartResult::Pending;
  }
  StartResult StartRead(std::unique_ptr<serial::CommOperation>& op, void*, std::uint32_t count,
                        std::uint32_t&) override {
    s_.Log("read:" + std::to_string(count));
    op = std::make_unique<serial::CommOperation>();
    return StartResult::Pending;
  }
  bool WaitOperation(serial::CommOperation&, std::uint32_t& transferred) override {
    transferred = 0;
    return true;
  }
  bool SetCommMask(std::uint32_t mask) override {
    s_.Log("mask:" + std::to_string(mask));
    return true;
  }
  std::unique_ptr<serial::StopSignal> CreateStopSignal() override { return std::make_unique<FakeStop>(); }
  EventWaitResult WaitCommEvent(serial::StopSignal& stopBase, std::uint32_t& mask) override {
    auto& stop = static_cast<FakeStop&>(stopBase);
    for (;;) {
      {
        std::lock_guard l(stop.m);
        if (stop.stopped) return EventWaitResult::Stopped;
      }
      {
        std::lock_guard l(s_.m);
        if (!s_.events.empty()) {
          mask = s_.events.front();
          s_.events.pop_front();
          return EventWaitResult::Events;
        }
      }
      std::unique_lock l(stop.m);
      stop.cv.wait_for(l, std::chrono::milliseconds(2));
    }
  }

 private:
  State& s_;
  bool open_ = false;
};

}  // namespace serial_test

namespace serial_test {
inline bool Contains(const std::vector<std::string>& log, const std::string& entry) {
  for (const auto& e : log)
    if (e == entry) return true;
  return false;
}
}  // namespace serial_test
