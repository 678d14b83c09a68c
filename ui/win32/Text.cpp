#include "ui/win32/Text.h"

#include <windows.h>

#include "forms/Cp1251.h"

namespace uiwin32 {

namespace {

std::wstring FromUtf8(std::string_view bytes) {
  if (bytes.empty()) return {};
  const int size = static_cast<int>(bytes.size());
  const int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, nullptr, 0);
  if (n <= 0) return {};
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, out.data(), n);
  return out;
}

}  // namespace

std::wstring Widen(std::string_view bytes) {
  if (forms::AllAscii(bytes)) return std::wstring(bytes.begin(), bytes.end());
  // Byte by byte where it is no UTF-8, as on Linux: one stray byte leaves the
  // rest readable.
  return FromUtf8(forms::Utf8OrCp1251(bytes));
}

std::string Narrow(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), size, out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace uiwin32
