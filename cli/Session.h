#pragma once
// Ports written at once: a thread per port, each a world of its own. A port's
// record goes to the log (on the disk) and to the JSON output before its
// outcome is shown; the worst outcome decides the exit code.
#include <atomic>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "cli/LogFile.h"
#include "cli/PortWorld.h"
#include "cli/Terminal.h"

namespace cli {

class Session {
 public:
  Session(Terminal& terminal, LogFile* log) : terminal_(terminal), log_(log) {}
  ~Session() { Finish(); }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  void Start(PortJob job);
  // A line of the program's own, above the ports' lines.
  void Say(const std::string& text) { terminal_.Message("", text); }
  // Whether a procedure on this port is still running.
  bool Running(const std::string& port);
  // Waits for every port; returns the worst exit code so far.
  int Finish();
  int ExitCode() const { return exitCode_.load(); }

 private:
  struct Running_ {
    PortJob job;
    std::thread thread;
    std::atomic<bool> done{false};
  };
  void Conclude(const ProcedureRecord& record);
  void Reap();

  Terminal& terminal_;
  LogFile* log_;
  std::mutex mutex_;
  std::list<std::unique_ptr<Running_>> running_;
  std::atomic<int> exitCode_{kOk};
};

}  // namespace cli
