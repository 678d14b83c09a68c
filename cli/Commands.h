#pragma once
// The program's commands; each returns its exit code.
#include <optional>
#include <string>
#include <vector>

namespace cli {

struct Options {
  std::optional<std::string> hexFile;
  unsigned speed = 115200;
  std::optional<std::string> logFile;
  bool json = false;
};

// What watch says once it listens: a port that appears from then on is written.
inline constexpr const char* kWatching = "Watching for ports to appear; Ctrl+C ends.";

int ListPorts();
int IdentifyPort(const std::string& port, const Options& options);
int ResetPort(const std::string& port, const Options& options);
int WritePorts(const std::vector<std::string>& ports, const Options& options);
int WatchPorts(const Options& options);

}  // namespace cli
