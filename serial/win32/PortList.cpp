// The port list on Windows: the registry's SERIALCOMM key.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "serial/BCPort.h"
#include "serial/Messages.h"
#include "serial/PortList.h"

namespace serial {

std::string VirtualPortsFolder() { return std::string(); }

std::string PortDevicePath(const std::string& name) { return name; }

namespace {

// The open registry key, closed however the listing ends (a full memory included).
class RegistryKey {
 public:
  RegistryKey() = default;
  ~RegistryKey() {
    if (key_) RegCloseKey(key_);
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  HKEY* Out() { return &key_; }
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace

void ListSerialPorts(std::vector<std::string>& strings, const PortSources&) {
  RegistryKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, key.Out()) != ERROR_SUCCESS)
    throw EComPort(messages::kRegistry);
  std::vector<std::string> names;
  LONG r = ERROR_SUCCESS;
  for (DWORD index = 0;; ++index) {
    char name[256], data[256];
    DWORD nameLength = sizeof name, dataLength = sizeof data, type = 0;
    r = RegEnumValueA(key.Get(), index, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data), &dataLength);
    if (r != ERROR_SUCCESS) break;
    // The data may or may not carry its terminating zero.
    std::string port(data, dataLength);
    if (auto z = port.find('\0'); z != std::string::npos) port.resize(z);
    names.push_back(port);
  }
  if (r != ERROR_NO_MORE_ITEMS) throw EComPort(messages::kRegistry);
  std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_LESS_THAN;
  });
  strings = std::move(names);
}

}  // namespace serial
