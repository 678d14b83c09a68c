#pragma once
// Texts are UTF-8 in the core and UTF-16 at every W call of the window system.
#include <string>
#include <string_view>

namespace uiwin32 {

// UTF-8 to UTF-16. A byte that is no part of UTF-8 is read as Windows-1251 (a
// device's description in MemoAbout), by the core's one rule for outside bytes.
std::wstring Widen(std::string_view bytes);
// UTF-16 to UTF-8.
std::string Narrow(std::wstring_view text);

}  // namespace uiwin32
