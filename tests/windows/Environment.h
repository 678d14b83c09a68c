#pragma once
// What scripts/test-windows.sh hands the Windows tests: COM ports that wine maps
// to simulators on the Linux side, and where to leave files for it to check.
#include <windows.h>

#include <cstdlib>
#include <string>

namespace windows_test {

// The value of a variable the script sets; empty when run by hand without it.
inline std::string Setting(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// COM port names: a device that answers, one that stays silent, one that hangs
// up after its first reply.
inline std::string DevicePort() { return Setting("UPLOADER_TEST_COM"); }
inline std::string SilentPort() { return Setting("UPLOADER_TEST_COM_SILENT"); }
inline std::string HangUpPort() { return Setting("UPLOADER_TEST_COM_HANGUP"); }

// Wine, not Windows: some of the comm API differs there (see the skips).
inline bool UnderWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace windows_test

#define REQUIRE_PORT(port)                                                                 \
  if ((port).empty()) GTEST_SKIP() << "no simulator: run scripts/test-windows.sh"
