#pragma once
// zor5-flash run as a user runs it: its own process, its output in a file, in
// a runtime folder of the test's own (where its virtual ports are published).
#include <sys/types.h>

#include <string>
#include <vector>

#include "tools/devsim/Simulator.h"

namespace cli_tests {

class Program {
 public:
  // Starts `zor5-flash args...` with XDG_RUNTIME_DIR = runtimeDir.
  Program(const std::string& runtimeDir, const std::vector<std::string>& args);
  ~Program();
  // Waits for the end; the exit code (-1 when it had to be killed after the limit).
  int Wait(int limitMs = 240000);
  void Signal(int signal) const;
  std::string Output() const;

 private:
  pid_t pid_ = -1;
  std::string outputPath_;
  int status_ = -1;
};

// A private runtime folder (mode 700), removed with the object.
class RuntimeDir {
 public:
  RuntimeDir();
  ~RuntimeDir();
  const std::string& Path() const { return path_; }
  std::string PortsFolder() const { return path_ + "/ostra-ports"; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// A simulator published in the folder, on a small flash so tests stay quick.
devsim::Options SmallDevice(const RuntimeDir& dir, const std::string& name, unsigned blocks);

// The log's lines.
std::vector<std::string> Lines(const std::string& path);

// How many whole blocks from the start hold the carried image, with every byte
// after them still erased; -1 when the flash is anything else (a part-block).
int WholeBlocksWritten(const std::vector<std::uint8_t>& flash, unsigned blockBytes);

}  // namespace cli_tests
