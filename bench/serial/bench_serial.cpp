// Read time-out accuracy on a pseudo-terminal, and the event thread's wake-ups
// while the port is open and idle. Figures beside a baseline from the same run.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "serial/BCPort.h"

using Clock = std::chrono::steady_clock;

namespace {
double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Stats {
  double median, p95, max;
};
Stats Of(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return {v[v.size() / 2], v[std::min(v.size() - 1, v.size() * 95 / 100)], v.back()};
}

void BareWait(double ms) {
  timespec ts{0, static_cast<long>(ms * 1e6)};
  ppoll(nullptr, 0, &ts, nullptr);
}

void ReadAccuracy(serial::TBComPort& port, int count, int reads) {
  const double nominal = count + 1;  // 1 ms x count + 1 ms, nothing sent
  std::vector<double> late, base;
  std::string s;
  for (int i = 0; i < reads; ++i) {
    auto t0 = Clock::now();
    port.ReadStr(s, count);
    late.push_back(Ms(Clock::now() - t0) - nominal);
    t0 = Clock::now();
    BareWait(nominal);
    base.push_back(Ms(Clock::now() - t0) - nominal);
  }
  auto a = Of(late), b = Of(base);
  std::printf("read of %d bytes, nothing sent, nominal %.0f ms, %d reads:\n", count, nominal, reads);
  std::printf("  ReadStr     late by  median %.3f ms  p95 %.3f ms  max %.3f ms\n", a.median, a.p95, a.max);
  std::printf("  bare ppoll  late by  median %.3f ms  p95 %.3f ms  max %.3f ms\n", b.median, b.p95, b.max);
  std::printf("  ReadStr / ppoll lateness: median %.2fx, p95 %.2fx\n", a.median / std::max(b.median, 1e-6),
              a.p95 / std::max(b.p95, 1e-6));
}
}  // namespace

int main(int argc, char** argv) {
  // 1000 reads of 40 bytes take 41 s; the default is shorter, a full run
  // is "bench_serial 1000".
  int reads40 = argc > 1 ? std::atoi(argv[1]) : 200;
  int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
    std::fprintf(stderr, "no pseudo-terminal\n");
    return 1;
  }
  serial::TBComPort port;
  serial::ApplyMainWindowSettings(port);
  port.SetPort(ptsname(master));
  port.SetBaudRate(serial::br115200);
  port.SetSyncMethod(serial::smNone);  // nobody pumps here
  port.Open();

  ReadAccuracy(port, 40, reads40);
  ReadAccuracy(port, 4, 1000);

  const double idleSeconds = 5;
  auto w0 = port.EventThreadWakeups();
  std::this_thread::sleep_for(std::chrono::duration<double>(idleSeconds));
  double idle = (port.EventThreadWakeups() - w0) / idleSeconds;

  if (write(master, "unread", 6) != 6) return 1;
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  w0 = port.EventThreadWakeups();
  std::this_thread::sleep_for(std::chrono::seconds(2));
  double unread = (port.EventThreadWakeups() - w0) / 2.0;

  // Baseline: a loop that polls every millisecond, the busy way to watch a line.
  int loops = 0;
  auto t0 = Clock::now();
  while (Ms(Clock::now() - t0) < 1000) {
    pollfd p{master, POLLIN, 0};
    poll(&p, 1, 1);
    ++loops;
  }
  std::printf("event thread wake-ups per second: idle %.1f, with 6 bytes left unread %.1f\n", idle, unread);
  std::printf("  a 1 ms polling loop: %d per second (idle thread wakes %.4fx as often)\n", loops, idle / loops);
  port.Close();
  close(master);
  return 0;
}
