#include "ui/win32/Text.h"

#include <windows.h>

#include "forms/Cp1251.h"

namespace uiwin32 {

namespace {

// One of the system's two converters, sized by a first call.
template <class Out, class In, class Convert>
Out Converted(In text, Convert convert) {
  const int size = static_cast<int>(text.size());
  const int n = text.empty() ? 0 : convert(text.data(), size, nullptr, 0);
  if (n <= 0) return {};
  Out out(static_cast<std::size_t>(n), {});
  convert(text.data(), size, out.data(), n);
  return out;
}

}  // namespace

std::wstring Widen(std::string_view bytes) {
  if (forms::AllAscii(bytes)) return std::wstring(bytes.begin(), bytes.end());
  // Byte by byte where it is no UTF-8, as on Linux: one stray byte leaves the
  // rest readable.
  return Converted<std::wstring>(std::string_view(forms::Utf8OrCp1251(bytes)), [](auto... a) {
    return MultiByteToWideChar(CP_UTF8, 0, a...);
  });
}

std::string Narrow(std::wstring_view text) {
  return Converted<std::string>(text, [](auto... a) { return WideCharToMultiByte(CP_UTF8, 0, a..., nullptr, nullptr); });
}

}  // namespace uiwin32
