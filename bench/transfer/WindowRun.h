#pragma once
// The real program's write: the Qt main window, offscreen, its Write button
// clicked, against the device on `port`.
#include <string>
#include <vector>

namespace bench {

struct WindowRun {
  bool available = false;  // built with the Qt program
  bool completed = false;
  double transferSeconds = 0;
  long attempts = 0;
  int failedAttempts = 0;
  std::vector<double> pumpMs;  // each pump of the transfer: how long it took
};

WindowRun WriteThroughWindow(const std::string& port);

}  // namespace bench
