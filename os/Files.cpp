#include "os/Files.h"

#ifdef _WIN32
#include <windows.h>

#include <cerrno>
#include <cwchar>
#include <string>
#endif

namespace os {

#ifdef _WIN32
namespace {
// Empty when the text is not valid UTF-8 (MB_ERR_INVALID_CHARS).
std::wstring Widen(const std::string& text) {
  if (text.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}
}  // namespace

std::FILE* OpenFile(const std::string& utf8Path, const char* mode) {
  std::wstring path = Widen(utf8Path), wideMode = Widen(mode);
  if (path.empty()) {
    errno = ENOENT;
    return nullptr;
  }
  return _wfopen(path.c_str(), wideMode.c_str());
}
#else
std::FILE* OpenFile(const std::string& utf8Path, const char* mode) { return std::fopen(utf8Path.c_str(), mode); }
#endif

}  // namespace os
