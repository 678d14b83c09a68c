#pragma once
// The program's exit codes. The higher code is the worse one, so the worst port
// decides by a plain maximum: an incomplete write outranks everything, since
// that device may not start.
#include <algorithm>

namespace cli {

enum ExitCode : int {
  kOk = 0,               // every port written, or already holding this version
  kUsage = 2,            // the command line was not understood
  kFileRefused = 3,      // the firmware failed its check: no port was opened
  kNotIdentified = 4,    // no device answered, or its bootloader is unknown
  kVersionRefused = 5,   // the device holds a newer or an unknown version
  kPortError = 6,        // a port could not be opened or failed
  kStopped = 7,          // stopped by Ctrl+C after a block: written in part
  kIncompleteWrite = 8,  // the write failed or its port failed mid-write
};

inline int Worse(int a, int b) { return std::max(a, b); }

inline constexpr const char* kExitCodesHelp =
    "Exit codes (the worst port decides):\n"
    "  0  every port written, or already holding this version\n"
    "  2  usage: the command line was not understood\n"
    "  3  the firmware file was refused; no port was opened\n"
    "  4  a device was not identified (or its bootloader is unknown)\n"
    "  5  a device holds a newer or an unknown version\n"
    "  6  a port could not be opened or failed\n"
    "  7  stopped by Ctrl+C: a device is written in part\n"
    "  8  incomplete write: a device may not start\n";

}  // namespace cli
