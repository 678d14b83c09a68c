// Start-up time of the uploader, from process start to its ready state (Write
// enabled, "Мікропрограма готова до запису", the window shown and the event loop
// running), against a bare Qt window program measured in the same run,
// alternating, offscreen. Also the uploader's peak memory after start-up.
//
// The bare program is a QApplication and one shown QWidget with a title, of the
// main window's size, started the same way, in the same environment, and timed
// to the same point: its first event-loop turn. Process start, library loading
// and Qt's own start are in both figures.
//
//   bench_startup [runs] [other uploader]   (default 7 runs)
//
// With another uploader (an older build, say) it is timed in the same rounds.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "bench/startup/ProcessStats.h"

extern char** environ;

namespace {

using uiqt::MonotonicNs;

struct Run {
  bool ok = false;
  double ms = 0;
  long peakKb = 0;
};

// Starts the program, reads its "ready <ns> <kB>" line, waits for its end.
Run Measure(const char* path, const char* arg = nullptr) {
  Run run;
  int out[2];
  if (pipe(out) != 0) return run;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  char* argv[] = {const_cast<char*>(path), const_cast<char*>(arg), nullptr};
  pid_t pid = 0;
  const long long start = MonotonicNs();
  const int rc = posix_spawn(&pid, path, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (rc != 0) {
    close(out[0]);
    std::fprintf(stderr, "cannot start %s: %s\n", path, std::strerror(rc));
    return run;
  }
  std::string text;
  char buf[256];
  const long long deadline = start + 60'000'000'000LL;
  while (text.find('\n') == std::string::npos && MonotonicNs() < deadline) {
    pollfd p{out[0], POLLIN, 0};
    if (poll(&p, 1, 200) <= 0) continue;
    const ssize_t n = read(out[0], buf, sizeof buf);
    if (n <= 0) break;
    text.append(buf, static_cast<std::size_t>(n));
  }
  close(out[0]);
  if (text.find('\n') == std::string::npos) kill(pid, SIGKILL);  // never got ready: do not hang
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  long long readyNs = 0;
  long hwmKb = 0;
  char word[16] = {};
  if (std::sscanf(text.c_str(), "%15s %lld %ld", word, &readyNs, &hwmKb) == 3 && std::strcmp(word, "ready") == 0 &&
      WIFEXITED(status) && WEXITSTATUS(status) == 0) {
    run.ok = true;
    run.ms = static_cast<double>(readyNs - start) / 1e6;
    run.peakKb = std::max(hwmKb, usage.ru_maxrss);
  } else {
    std::fprintf(stderr, "%s did not reach its ready state: %s\n", path, text.c_str());
  }
  return run;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // Builds from before the probe moved into the bench's own program read it
  // from here; the probe build needs nothing.
  setenv("OSTRA_STARTUP_PROBE", "1", 1);
  if (!std::getenv("XDG_RUNTIME_DIR")) {
    char dir[] = "/tmp/bench-startup-XXXXXX";
    if (mkdtemp(dir)) setenv("XDG_RUNTIME_DIR", dir, 1);
  }

  const char* other = argc > 2 ? argv[2] : nullptr;
  // One run of each first, so all find the libraries in the page cache.
  if (!Measure(BARE_WINDOW_PATH).ok || !Measure(UPLOADER_PATH).ok || (other && !Measure(other).ok)) return 1;
  std::vector<double> bare, labelled, floor, uploader, others;
  long peakKb = 0;
  for (int i = 0; i < runs; ++i) {
    const Run b = Measure(BARE_WINDOW_PATH);
    const Run u = Measure(UPLOADER_PATH);
    const Run l = Measure(BARE_WINDOW_PATH, "--label");
    const Run f = Measure(BARE_WINDOW_PATH, "--label-early-fonts");
    if (!b.ok || !u.ok || !l.ok || !f.ok) return 1;
    bare.push_back(b.ms);
    labelled.push_back(l.ms);
    floor.push_back(f.ms);
    uploader.push_back(u.ms);
    peakKb = std::max(peakKb, u.peakKb);
    if (other) {
      const Run o = Measure(other);
      if (!o.ok) return 1;
      others.push_back(o.ms);
    }
  }
  const double mb = Median(bare), mu = Median(uploader);
  const double ratio = mu / mb;
  const double peakMb = static_cast<double>(peakKb) / 1024.0;
  // The image itself is 40,000,000 bytes; the allowance is 60 MB on top.
  const double limitMb = (40'000'000.0 + 60.0 * 1024 * 1024) / (1024.0 * 1024.0);
  std::printf("start-up to ready, median of %d runs, offscreen\n", runs);
  std::printf("  bare Qt window   %8.1f ms   (QApplication + one shown, titled QWidget, to its first loop turn)\n", mb);
  std::printf("  uploader         %8.1f ms\n", mu);
  if (other) std::printf("  %s  %8.1f ms, ratio %.2f\n", other, Median(others), Median(others) / mb);
  std::printf("  bare window with the ready text      %8.1f ms, %.2f x bare; the uploader %.2f x it\n",
              Median(labelled), Median(labelled) / mb, mu / Median(labelled));
  std::printf("  the same, fonts read on a 2nd thread %8.1f ms, %.2f x bare; the uploader %.2f x it\n",
              Median(floor), Median(floor) / mb, mu / Median(floor));
  std::printf("  ratio            %8.2f   (goal <= 1.30) %s\n", ratio, ratio <= 1.3 ? "ok" : "OVER");
  std::printf("uploader peak RSS  %8.1f MiB (goal <= %.1f MiB: the 40 MB image + 60 MiB) %s\n", peakMb, limitMb,
              peakMb <= limitMb ? "ok" : "OVER");
  return 0;
}
