#include "serial/posix/LineSettings.h"

#include <asm/termbits.h>
#include <cerrno>
#include <sys/ioctl.h>

namespace serial::posix {

namespace {
// The rates with a code of their own; the rest (14400, 56000, 128000, 256000)
// go as BOTHER with the exact number.
tcflag_t StandardCode(std::uint32_t rate) {
  switch (rate) {
    case 110: return B110;
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return BOTHER;
  }
}
}  // namespace

bool ApplyLineParams(int fd, const LineParams& p) {
  if (p.rate == 0 || p.dataBits < 5 || p.dataBits > 8 || p.parity < 0 || p.parity > 4 || p.stopBits < 0 ||
      p.stopBits > 2) {
    errno = EINVAL;
    return false;
  }
  struct termios2 t {};
  if (ioctl(fd, TCGETS2, &t) != 0) return false;
  t.c_iflag = 0;
  if (p.checkParity && p.parity != 0) t.c_iflag |= INPCK;
  t.c_oflag = 0;
  t.c_lflag = 0;
  t.c_cflag = CREAD | CLOCAL;
  static const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
  t.c_cflag |= sizes[p.dataBits - 5];
  switch (p.parity) {
    case 1: t.c_cflag |= PARENB | PARODD; break;
    case 2: t.c_cflag |= PARENB; break;
    case 3: t.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case 4: t.c_cflag |= PARENB | CMSPAR; break;
    default: break;
  }
  // termios knows one or two stop bits only: one and a half is sent as two,
  // the nearest that a receiver expecting 1.5 still accepts.
  if (p.stopBits != 0) t.c_cflag |= CSTOPB;
  // Input speed follows the output speed (CIBAUD zero), so no BOTHER is left
  // behind when a standard rate comes back.
  t.c_cflag |= StandardCode(p.rate);
  t.c_ispeed = p.rate;
  t.c_ospeed = p.rate;
  for (auto& c : t.c_cc) c = 0;
  // VMIN 1: a non-blocking read of an empty queue says EAGAIN, so a 0 means
  // the other end hung up.
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  return ioctl(fd, TCSETS2, &t) == 0;
}

std::uint32_t ReadBackRate(int fd) {
  struct termios2 t {};
  if (ioctl(fd, TCGETS2, &t) != 0) return 0;
  return t.c_ospeed;
}

}  // namespace serial::posix
