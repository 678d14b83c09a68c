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

int ListPorts();
int IdentifyPort(const std::string& port, const Options& options);
int ResetPort(const std::string& port, const Options& options);
int WritePorts(const std::vector<std::string>& ports, const Options& options);
int WatchPorts(const Options& options);

}  // namespace cli
