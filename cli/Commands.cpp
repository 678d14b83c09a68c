#include "cli/Commands.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "cli/Image.h"
#include "cli/Session.h"
#include "cli/StopKey.h"
#include "forms/Errors.h"
#include "serial/DeviceArrival.h"
#include "serial/PortList.h"

namespace cli {

namespace {

int SpeedIndex(unsigned speed) {
  for (int i = 0; i < 15; ++i)
    if (serial::kBaudRates[i] == speed) return i;
  return -1;  // refused by the command line before it gets here
}

// The log is opened before any port, so a log that cannot be written stops
// nothing half-way.
std::unique_ptr<LogFile> OpenLog(const Options& options, Terminal& terminal) {
  if (!options.logFile) return nullptr;
  try {
    return std::make_unique<LogFile>(*options.logFile);
  } catch (const std::exception& e) {
    terminal.Message("", forms::ErrorBoxText(e.what()));
    return nullptr;
  }
}

// One procedure on one port, on this thread, recorded like the others.
int RunOne(Command command, const std::string& port, const Options& options) {
  Terminal terminal(PrepareConsole(), options.json);
  auto log = OpenLog(options, terminal);
  if (options.logFile && !log) return kUsage;
  Session session(terminal, log.get());
  session.Start({command, port, SpeedIndex(options.speed), nullptr});
  const int code = session.Finish();
  terminal.Finish();
  return code;
}

}  // namespace

int ListPorts() {
  std::vector<std::string> ports;
  try {
    serial::ListSerialPorts(ports);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", forms::ErrorBoxText(e.what()).c_str());
    return kPortError;
  }
  for (const auto& port : ports) std::printf("%s\n", port.c_str());
  return kOk;
}

int IdentifyPort(const std::string& port, const Options& options) { return RunOne(Command::Identify, port, options); }

int ResetPort(const std::string& port, const Options& options) { return RunOne(Command::Reset, port, options); }

namespace {

// What write and watch share: the image checked before any port opens, then
// the log, then the ports of a session.
template <typename StartPorts>
int WriteSession(const Options& options, StartPorts startPorts) {
  Terminal terminal(PrepareConsole(), options.json);
  const auto image = PrepareImage(options.hexFile, terminal);
  if (!image) return kFileRefused;
  auto log = OpenLog(options, terminal);
  if (options.logFile && !log) return kUsage;
  Session session(terminal, log.get());
  startPorts(session, [&](const std::string& port) {
    session.Start({Command::Write, port, SpeedIndex(options.speed), &*image});
  });
  const int code = session.Finish();
  terminal.Finish();
  return code;
}

}  // namespace

int WritePorts(const std::vector<std::string>& ports, const Options& options) {
  return WriteSession(options, [&](Session&, const auto& write) {
    std::vector<std::string> started;
    for (const auto& port : ports) {
      // A port named twice is written once: a second open would only find it busy.
      if (std::find(started.begin(), started.end(), port) != started.end()) continue;
      started.push_back(port);
      write(port);
    }
  });
}

int WatchPorts(const Options& options) {
  return WriteSession(options, [&](Session& session, const auto& write) {
    serial::DeviceArrival arrival;
    // From here on a port that appears is written; one present already is not.
    session.Say(kWatching);
    // The wait is bounded only so that Ctrl+C is seen; arrivals wake it at once.
    while (!StopPressed())
      for (const auto& port : arrival.Wait(200))
        if (!session.Running(port)) write(port);
  });
}

}  // namespace cli
