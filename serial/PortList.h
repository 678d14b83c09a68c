#pragma once
// The sorted list of the serial ports the system knows.
#include <string>
#include <vector>

namespace serial {

// Where the list looks on Linux. The defaults are the system's; tests point them
// at folders of their own.
struct PortSources {
  std::string sysClassTty = "/sys/class/tty";
  std::string devDir = "/dev";
  std::string virtualDir;  // empty: VirtualPortsFolder()
};

// The per-user folder in which virtual ports (symlinks to pseudo-terminals, such
// as the simulator's) are published: $XDG_RUNTIME_DIR/ostra-ports, or
// /tmp/ostra-ports-<uid> without a runtime folder.
std::string VirtualPortsFolder();

// The device path that Open uses for a port name of the list.
std::string PortDevicePath(const std::string& name);

// Replaces `strings` with the port names, sorted case-insensitively as text; on a
// failure raises EComPort with the registry message and leaves `strings` alone.
void ListSerialPorts(std::vector<std::string>& strings, const PortSources& sources = PortSources());

}  // namespace serial
