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

// The device path that Open uses for a port name of the list. A virtual port
// is opened through its link only while the folder is trusted, and never in the
// place of a system port.
std::string PortDevicePath(const std::string& name);
std::string PortDevicePath(const std::string& name, const PortSources& sources);

// Linux only. The virtual-ports folder is ours: a real folder of this user that nobody else
// may write into (anyone may create /tmp/ostra-ports-<uid> first).
bool TrustedPortsFolder(const std::string& folder);

// A name the kernel has a tty or a device node of: a virtual link of that name
// would hide or double it, so it is ignored. Any other name (ttyEMU, say) is
// free for a link.
bool IsSystemPortName(const std::string& name, const PortSources& sources = PortSources());

// Replaces `strings` with the port names, sorted case-insensitively as text; on a
// failure raises EComPort with the registry message and leaves `strings` alone.
void ListSerialPorts(std::vector<std::string>& strings, const PortSources& sources = PortSources());

}  // namespace serial
