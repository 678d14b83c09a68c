#pragma once
// Line settings through termios2, kept apart: <asm/termbits.h> and <termios.h>
// cannot meet in one file.
#include <cstdint>

namespace serial::posix {

struct LineParams {
  std::uint32_t rate;      // bits per second, one of the component's table
  int dataBits;            // 5 to 8
  int parity;              // 0 none, 1 odd, 2 even, 3 mark, 4 space
  int stopBits;            // 0 one, 1 one and a half, 2 two
  bool checkParity;        // the DCB's fParity
};

// Raw mode with the given settings; false (errno set) when the driver refuses.
bool ApplyLineParams(int fd, const LineParams& p);
// The rate the driver holds now (TCGETS2), for checking; 0 on failure.
std::uint32_t ReadBackRate(int fd);

}  // namespace serial::posix
