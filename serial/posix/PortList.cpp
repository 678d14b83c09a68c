// The port list on Linux: the kernel's serial devices from sysfs, plus the
// virtual ports (symlinks to pseudo-terminals) of the per-user folder.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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

namespace {

[[noreturn]] void RegistryError() { throw EComPort(messages::kRegistry); }

bool IsCharDevice(const fs::path& p) {
  struct stat st {};
  return stat(p.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

std::string VirtualDir(const PortSources& sources) {
  return sources.virtualDir.empty() ? VirtualPortsFolder() : sources.virtualDir;
}

// The UART type the kernel reports for a serial_core port; 0 (PORT_UNKNOWN) is
// an empty slot. Read from sysfs: opening the device would raise DTR and RTS,
// which resets many devices.
int UartType(const fs::path& ttyEntry) {
  std::ifstream f(ttyEntry / "type");
  int type = 0;
  if (!(f >> type)) return 0;
  return type;
}

}  // namespace

bool TrustedPortsFolder(const std::string& folder) {
  struct stat st {};
  if (lstat(folder.c_str(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == getuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

bool IsSystemPortName(const std::string& name, const PortSources& sources) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(fs::path(sources.sysClassTty) / name, ec)) ||
         fs::exists(fs::symlink_status(fs::path(sources.devDir) / name, ec));
}

std::string PortDevicePath(const std::string& name, const PortSources& sources) {
  if (name.find('/') != std::string::npos) return name;
  const std::string device = sources.devDir + "/" + name;
  if (name.empty() || name == "." || name == ".." || IsSystemPortName(name, sources)) return device;
  const std::string folder = VirtualDir(sources);
  if (!TrustedPortsFolder(folder)) return device;
  std::error_code ec;
  fs::path link = fs::path(folder) / name;
  if (fs::is_symlink(fs::symlink_status(link, ec))) return link.string();
  return device;
}

std::string PortDevicePath(const std::string& name) { return PortDevicePath(name, PortSources()); }

namespace {

void AddKernelPorts(const PortSources& sources, std::vector<std::string>& out) {
  std::error_code ec;
  fs::directory_iterator it(sources.sysClassTty, ec);
  // The system's own list cannot be read: that is the registry failure here.
  if (ec) RegistryError();
  for (const auto& entry : it) {
    const std::string name = entry.path().filename().string();
    std::error_code e;
    if (StartsWith(name, "ttyS")) {
      // A ttyS entry exists for every 8250 slot, whatever its driver link is
      // called; only a slot with a known UART is a port.
      if (UartType(entry.path()) > 0) out.push_back(name);
      continue;
    }
    // A bound Bluetooth serial port has no device until it connects.
    if (StartsWith(name, "rfcomm")) {
      out.push_back(name);
      continue;
    }
    // Only ttys with a device behind them are hardware; consoles, ptys and
    // virtual terminals have none.
    if (fs::exists(entry.path() / "device", e)) out.push_back(name);
  }
}

void AddVirtualPorts(const PortSources& sources, std::vector<std::string>& out) {
  const std::string folder = VirtualDir(sources);
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(folder, ec))) return;  // nobody published a port
  // Links in a folder someone else could write would name ports for us.
  if (!TrustedPortsFolder(folder)) return;
  fs::directory_iterator it(folder, ec);
  if (ec) RegistryError();
  for (const auto& entry : it) {
    std::error_code e;
    if (!fs::is_symlink(entry.symlink_status(e))) continue;
    // A dangling link names a pty that has gone (its number may come back
    // for someone else): skip it.
    if (!IsCharDevice(entry.path())) continue;
    // A link never hides nor doubles a port of the system.
    const std::string name = entry.path().filename().string();
    if (IsSystemPortName(name, sources)) continue;
    out.push_back(name);
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
    AddVirtualPorts(sources, names);
  } catch (const fs::filesystem_error&) {
    RegistryError();
  }
  std::stable_sort(names.begin(), names.end(), LessIgnoringCase);
  strings = std::move(names);
}

}  // namespace serial
