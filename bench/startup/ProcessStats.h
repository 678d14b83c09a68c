#pragma once
// What the start-up probe reports, read the same way by the program and by the
// start-up bench's programs: header-only, so the bench links nothing of ours.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace uiqt {

// Monotonic clock in ns, the clock the bench reads too.
inline long long MonotonicNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1'000'000'000LL + ts.tv_nsec;
}

// The process's peak resident set in kB (0 when unknown).
inline long PeakRssKb() {
  std::FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return 0;
  char line[256];
  long kb = 0;
  while (std::fgets(line, sizeof line, f))
    if (std::strncmp(line, "VmHWM:", 6) == 0) kb = std::strtol(line + 6, nullptr, 10);
  std::fclose(f);
  return kb;
}

}  // namespace uiqt
