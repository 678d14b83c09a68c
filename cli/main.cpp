// zor5-flash: list, identify, write, reset and watch serial ports from the
// command line, several at once, through the window program's own core.
#include <CLI/CLI.hpp>
#include <cstdio>

#include "cli/Commands.h"
#include "cli/ExitCodes.h"
#include "cli/StopKey.h"
#include "Version.h"

namespace {

void AddWriteOptions(CLI::App& command, cli::Options& options) {
  command.add_option("--hex", options.hexFile, "Intel HEX file to write (default: the carried firmware)");
  command.add_option("--speed", options.speed, "baud rate (default 115200)")
      ->check(CLI::IsMember({110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200, 128000,
                             256000}));
  command.add_option("--log", options.logFile, "append one JSON line per procedure to this file");
  command.add_flag("--json", options.json, "print the same JSON lines on standard output");
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Writes the ZOR-5 firmware into devices on serial ports, several at once.", "zor5-flash"};
  app.set_version_flag("--version", std::string("zor5-flash ") + UPLOADER_PRODUCT_VERSION);
  app.footer(std::string("Ports go by the names `zor5-flash ports` lists (ttyUSB0, COM3, devsim1);\n"
                         "on Linux a /dev/... path is taken too. Ctrl+C stops every port after its block.\n\n") +
             cli::kExitCodesHelp);
  app.require_subcommand(1);

  cli::Options options;
  std::string port;
  std::vector<std::string> ports;

  auto* list = app.add_subcommand("ports", "list the serial ports, as the window's port selector does");
  auto* identify = app.add_subcommand("identify", "identify the device on PORT");
  identify->add_option("PORT", port, "serial port")->required();
  identify->add_option("--speed", options.speed, "baud rate (default 115200)");
  identify->add_flag("--json", options.json, "print the JSON record on standard output");
  auto* write = app.add_subcommand("write", "write the firmware into the devices on PORT..., all at once");
  AddWriteOptions(*write, options);
  write->add_option("PORT", ports, "serial ports")->required();
  auto* watch = app.add_subcommand("watch", "write every device whose port appears, until Ctrl+C");
  AddWriteOptions(*watch, options);
  auto* reset = app.add_subcommand("reset", "reset the device on PORT (as Ctrl+L does)");
  reset->add_option("PORT", port, "serial port")->required();
  reset->add_option("--speed", options.speed, "baud rate (default 115200)");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? cli::kOk : cli::kUsage;
  }

  cli::InstallStopKey();
  if (*list) return cli::ListPorts();
  if (*identify) return cli::IdentifyPort(port, options);
  if (*reset) return cli::ResetPort(port, options);
  if (*write) return cli::WritePorts(ports, options);
  return cli::WatchPorts(options);
}
