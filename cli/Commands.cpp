#include "cli/Commands.h"

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

int WritePorts(const std::vector<std::string>& ports, const Options& options) {
  Terminal terminal(PrepareConsole(), options.json);
  const auto image = PrepareImage(options.hexFile, terminal);
  if (!image) return kFileRefused;
  auto log = OpenLog(options, terminal);
  if (options.logFile && !log) return kUsage;
  Session session(terminal, log.get());
  for (const auto& port : ports) session.Start({Command::Write, port, SpeedIndex(options.speed), &*image});
  const int code = session.Finish();
  terminal.Finish();
  return code;
}

int WatchPorts(const Options& options) {
  Terminal terminal(PrepareConsole(), options.json);
  const auto image = PrepareImage(options.hexFile, terminal);
  if (!image) return kFileRefused;
  auto log = OpenLog(options, terminal);
  if (options.logFile && !log) return kUsage;
  Session session(terminal, log.get());
  serial::DeviceArrival arrival;
  // The wait is bounded only so that Ctrl+C is seen; arrivals wake it at once.
  while (!StopPressed()) {
    for (const auto& port : arrival.Wait(200))
      if (!session.Running(port)) session.Start({Command::Write, port, SpeedIndex(options.speed), &*image});
  }
  const int code = session.Finish();
  terminal.Finish();
  return code;
}

}  // namespace cli
