#pragma once
// Serial ports that appear while the program runs, told by the system's own
// notification: udev and the virtual-ports folder on Linux, the device-change
// message on Windows. Each notification is answered by reading the port list
// again, so a port is reported by the name the list gives it.
#include <memory>
#include <string>
#include <vector>

#include "serial/PortList.h"

namespace serial {

class DeviceArrival {
 public:
  // The ports present now are known, not new. Call Wait on the same thread.
  explicit DeviceArrival(const PortSources& sources = PortSources());
  ~DeviceArrival();
  DeviceArrival(const DeviceArrival&) = delete;
  DeviceArrival& operator=(const DeviceArrival&) = delete;

  // Waits up to timeoutMs for a notification; returns the ports that have
  // appeared since the last call (a port that went away and came back counts
  // again), in the list's order.
  std::vector<std::string> Wait(int timeoutMs);

  struct Impl;

 private:
  std::vector<std::string> Appeared();
  PortSources sources_;
  std::vector<std::string> known_;
  std::unique_ptr<Impl> impl_;
};

}  // namespace serial
