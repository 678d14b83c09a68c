// devsim: plays the device's bootloader on a pseudo-terminal until SIGINT or SIGTERM.
#include <signal.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <stdexcept>
#include <string>

#include "tools/devsim/Simulator.h"

namespace {

const char kHelp[] = R"(Usage: devsim [options]

Plays a device's bootloader on a pseudo-terminal and publishes it as a virtual
port in the per-user folder ($XDG_RUNTIME_DIR/ostra-ports, or
/tmp/ostra-ports-<uid>). Prints the port name, serves until SIGINT or SIGTERM
(or a hang-up), then writes the requested files and a one-line summary.

Device:
  --geometry W,B,C      writes per block, bytes per write, block count
                        (default 10,64,192; the flash holds W*B*C bytes)
  --status XX           status of the identify reply (default 82)
  --loader-version XX   bootloader version (default 02)
  --field6 XX           characters 6-7 of the identify reply (default 01)
  --field8 XX           characters 8-9 of the identify reply (default 04)
  --description TEXT    fixed description; \n stands for a line feed
                        (default: the six digits at 0xF984 of the flash)
Starting flash (default: an older firmware, version 210824):
  --version V           an older firmware with this six-character version
  --hex FILE            the data records of an Intel HEX file
  --erased              all FF
Timing:
  --baud N              emulate the wire time of N baud, 10 bits a character,
                        both ways (default 0: none)
  --erase-ms N          busy time of an erase before its reply
  --write-ms N          busy time of a write before its reply
  --program-ms N        busy time of a program before its reply
  --late-ms N           every reply N ms late (lands in the uploader's next read)
  --tick-ms N           pass replies on only at ticks N ms apart, as USB
                        adapters do (16 by default on many; 0: at once)
Faults (reproducible from the seed):
  --drop R              drop this fraction (0..1) of the replies
  --garble R            garble this fraction: one bit of the status digit flips
  --delay R             delay this fraction of the replies by --delay-ms
  --delay-ms N          the delay (default 50)
  --seed N              seed of the fault decisions (default 1)
  --silent              answer nothing
  --stop-after N        answer N commands, then nothing
  --hang-up-after N     close the pseudo-terminal after the N-th reply
Port and outputs:
  --no-publish          publish no link; print the /dev/pts path instead
  --link-name NAME      publish under this name (default: first free devsimN)
  --link-folder DIR     publish in this folder instead of the per-user one
  --transcript FILE     write the wire's transcript (time, direction, text)
  --flash FILE          write the flash (binary, whole geometry)
  --help                this text
)";

struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

template <typename T>
T Number(const std::string& option, const std::string& text) {
  T value{};
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty())
    throw UsageError(option + " needs a number, not '" + text + "'");
  return value;
}

double Rate(const std::string& option, const std::string& text) {
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty() || value < 0 || value > 1)
    throw UsageError(option + " needs a fraction between 0 and 1, not '" + text + "'");
  return value;
}

std::string Unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      const char next = text[++i];
      out += next == 'n' ? '\n' : next == 'r' ? '\r' : next == 't' ? '\t' : next;
    } else {
      out += text[i];
    }
  }
  return out;
}

devsim::Options Parse(int argc, char** argv, bool& help) {
  devsim::Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) throw UsageError(arg + " needs a value");
      return argv[++i];
    };
    if (arg == "--help" || arg == "-h") {
      help = true;
    } else if (arg == "--geometry") {
      const std::string v = value();
      const size_t a = v.find(','), b = a == std::string::npos ? a : v.find(',', a + 1);
      if (b == std::string::npos) throw UsageError("--geometry needs W,B,C");
      o.writesPerBlock = Number<unsigned>(arg, v.substr(0, a));
      o.bytesPerWrite = Number<unsigned>(arg, v.substr(a + 1, b - a - 1));
      o.blockCount = Number<unsigned>(arg, v.substr(b + 1));
    } else if (arg == "--status") {
      o.status = value();
    } else if (arg == "--loader-version") {
      o.loaderVersion = value();
    } else if (arg == "--field6") {
      o.field6 = value();
    } else if (arg == "--field8") {
      o.field8 = value();
    } else if (arg == "--description") {
      o.description = Unescape(value());
    } else if (arg == "--version") {
      o.flashStart = devsim::FlashStart::OlderFirmware;
      o.firmwareVersion = value();
    } else if (arg == "--hex") {
      o.flashStart = devsim::FlashStart::HexFile;
      o.hexPath = value();
    } else if (arg == "--erased") {
      o.flashStart = devsim::FlashStart::Erased;
    } else if (arg == "--baud") {
      o.baud = Number<unsigned>(arg, value());
    } else if (arg == "--erase-ms") {
      o.eraseBusyMs = Number<unsigned>(arg, value());
    } else if (arg == "--write-ms") {
      o.writeBusyMs = Number<unsigned>(arg, value());
    } else if (arg == "--program-ms") {
      o.programBusyMs = Number<unsigned>(arg, value());
    } else if (arg == "--tick-ms") {
      o.deliveryTickMs = Number<double>(arg, value());
    } else if (arg == "--late-ms") {
      o.lateMs = Number<unsigned>(arg, value());
    } else if (arg == "--drop") {
      o.dropRate = Rate(arg, value());
    } else if (arg == "--garble") {
      o.garbleRate = Rate(arg, value());
    } else if (arg == "--delay") {
      o.delayRate = Rate(arg, value());
    } else if (arg == "--delay-ms") {
      o.delayMs = Number<unsigned>(arg, value());
    } else if (arg == "--seed") {
      o.seed = Number<uint32_t>(arg, value());
    } else if (arg == "--silent") {
      o.silent = true;
    } else if (arg == "--stop-after") {
      o.stopAfter = Number<uint64_t>(arg, value());
    } else if (arg == "--hang-up-after") {
      o.hangUpAfter = Number<uint64_t>(arg, value());
    } else if (arg == "--no-publish") {
      o.publish = false;
    } else if (arg == "--link-name") {
      o.linkName = value();
    } else if (arg == "--link-folder") {
      o.linkFolder = value();
    } else if (arg == "--transcript") {
      o.transcriptPath = value();
    } else if (arg == "--flash") {
      o.flashPath = value();
    } else {
      throw UsageError("unknown option " + arg + " (see --help)");
    }
  }
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  bool help = false;
  devsim::Options options;
  try {
    options = Parse(argc, argv, help);
  } catch (const std::exception& e) {
    std::cerr << "devsim: " << e.what() << "\n";
    return 2;
  }
  if (help) {
    std::cout << kHelp;
    return 0;
  }

  // Signals are taken synchronously below; the serving thread inherits the mask.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  try {
    devsim::Simulator sim(options);
    sim.Start();
    if (sim.PortName().empty())
      std::cout << sim.SlavePath() << std::endl;
    else
      std::cout << sim.PortName() << " (" << sim.LinkPath() << " -> " << sim.SlavePath() << ")" << std::endl;

    const timespec tick{0, 100'000'000};
    while (!sim.Finished()) {
      const int sig = sigtimedwait(&signals, nullptr, &tick);
      if (sig > 0) break;
    }
    sim.Stop();
    std::cout << "devsim: " << sim.Summary() << std::endl;
  } catch (const std::exception& e) {
    std::cerr << "devsim: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
