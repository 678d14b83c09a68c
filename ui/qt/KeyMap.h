#pragma once
// Qt's keys as the virtual-key codes and shift state the key handlers know.
#include <cstdint>

#include "forms/Keys.h"

class QKeyEvent;

namespace uiqt {

// 0 for keys that have no virtual-key code here.
std::uint16_t VirtualKey(int qtKey);
forms::TShiftState ShiftState(const QKeyEvent& event);

}  // namespace uiqt
