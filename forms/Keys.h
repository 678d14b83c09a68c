#pragma once
// What a key-down event carries: the virtual-key code and the modifiers held.
#include <cstdint>

namespace forms {

// Modifier keys held with a key (the form framework's shift state).
struct TShiftState {
  bool Shift = false;
  bool Ctrl = false;
  bool Alt = false;
};

// Virtual-key codes; letters and digits are their upper-case ASCII codes. Where
// <windows.h> came first its macros of the same values stand in.
#ifndef VK_F1
inline constexpr std::uint16_t VK_DELETE = 46;
inline constexpr std::uint16_t VK_F1 = 112;
#endif

}  // namespace forms
