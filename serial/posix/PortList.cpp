// The port list on Linux: the kernel's serial devices from sysfs, plus the
// virtual ports (symlinks to pseudo-terminals) of the per-user folder.
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "serial/BCPort.h"
#include "serial/Messages.h"
#include "serial/PortList.h"

namespace serial {

namespace fs = std::filesystem;

std::string VirtualPortsFolder() {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
    return std::string(runtime) + "/ostra-ports";
  return "/tmp/ostra-ports-" + std::to_string(getuid());
}

std::string PortDevicePath(const std::string& name) {
  if (name.find('/') != std::string::npos) return name;
  std::error_code ec;
  fs::path link = fs::path(VirtualPortsFolder()) / name;
  if (!name.empty() && fs::is_symlink(fs::symlink_status(link, ec))) return link.string();
  return "/dev/" + name;
}

namespace {

[[noreturn]] void RegistryError() { throw EComPort(messages::kRegistry); }

bool IsCharDevice(const fs::path& p) {
  struct stat st {};
  return stat(p.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

// A ttyS entry exists for every possible 8250 slot; only one with a UART
// behind it is a port. Unopenable ones are judged by their driver link alone.
bool IsRealSerial8250(const fs::path& devNode) {
  int fd = open(devNode.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return true;
  serial_struct info{};
  bool real = true;
  if (ioctl(fd, TIOCGSERIAL, &info) == 0) real = info.type != PORT_UNKNOWN;
  close(fd);
  return real;
}

void AddKernelPorts(const PortSources& sources, std::vector<std::string>& out) {
  std::error_code ec;
  fs::directory_iterator it(sources.sysClassTty, ec);
  // The system's own list cannot be read: that is the registry failure here.
  if (ec) RegistryError();
  for (const auto& entry : it) {
    const std::string name = entry.path().filename().string();
    std::error_code e;
    fs::path device = entry.path() / "device";
    // Only ttys with a device behind them are hardware; consoles, ptys and
    // virtual terminals have none.
    if (!fs::exists(device, e)) continue;
    if (name.rfind("ttyS", 0) == 0) {
      fs::path driver = device / "driver";
      if (!fs::exists(driver, e)) continue;
      const std::string driverName = fs::read_symlink(driver, e).filename().string();
      if (driverName == "serial8250" && !IsRealSerial8250(fs::path(sources.devDir) / name)) continue;
    }
    out.push_back(name);
  }
}

void AddVirtualPorts(const std::string& folder, std::vector<std::string>& out) {
  std::error_code ec;
  if (!fs::exists(folder, ec)) return;  // nobody published a port
  fs::directory_iterator it(folder, ec);
  if (ec) RegistryError();
  for (const auto& entry : it) {
    std::error_code e;
    if (!fs::is_symlink(entry.symlink_status(e))) continue;
    // A dangling link names a pty that has gone (its number may come back
    // for someone else): skip it.
    if (!IsCharDevice(entry.path())) continue;
    out.push_back(entry.path().filename().string());
  }
}

bool LessIgnoringCase(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
    auto lx = (x >= 'A' && x <= 'Z') ? x + 32 : x;
    auto ly = (y >= 'A' && y <= 'Z') ? y + 32 : y;
    return lx < ly;
  });
}

}  // namespace

void ListSerialPorts(std::vector<std::string>& strings, const PortSources& sources) {
  std::vector<std::string> names;
  try {
    AddKernelPorts(sources, names);
    AddVirtualPorts(sources.virtualDir.empty() ? VirtualPortsFolder() : sources.virtualDir, names);
  } catch (const fs::filesystem_error&) {
    RegistryError();
  }
  std::stable_sort(names.begin(), names.end(), LessIgnoringCase);
  strings = std::move(names);
}

}  // namespace serial
