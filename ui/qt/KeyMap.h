#pragma once
// Qt's keys as the virtual-key codes and shift state the key handlers know.
#include <cstdint>

class QKeyEvent;

namespace ui {
struct TShiftState;
}

namespace uiqt {

// 0 for keys that have no virtual-key code here.
std::uint16_t VirtualKey(int qtKey);
ui::TShiftState ShiftState(const QKeyEvent& event);

}  // namespace uiqt
