#include "ui/win32/KeyPreview.h"

#include <algorithm>

namespace uiwin32 {

void KeyPreview::Register(HWND window, Handler handler) {
  std::erase_if(windows_, [window](const Entry& e) { return e.window == window; });
  windows_.push_back({window, std::move(handler)});
}

void KeyPreview::Unregister(HWND window) {
  std::erase_if(windows_, [window](const Entry& e) { return e.window == window; });
  std::erase_if(popups_, [window](const auto& p) { return p.second == window; });
}

void KeyPreview::Attach(HWND popup, HWND window) {
  if (popup && window) popups_.emplace_back(popup, window);
}

HWND KeyPreview::OwnerOf(HWND hwnd) const {
  for (const auto& [popup, window] : popups_)
    if (popup == hwnd) return window;
  for (HWND h = hwnd; h; h = GetParent(h)) {
    for (const Entry& e : windows_)
      if (e.window == h) return h;
    // Only children climb to their parent: an owned top-level window (a
    // message box, the About window) keeps its keys.
    if (!(GetWindowLongPtrW(h, GWL_STYLE) & WS_CHILD)) break;
  }
  return nullptr;
}

forms::TShiftState KeyPreview::ShiftState() {
  forms::TShiftState s;
  s.Shift = GetKeyState(VK_SHIFT) < 0;
  s.Ctrl = GetKeyState(VK_CONTROL) < 0;
  s.Alt = GetKeyState(VK_MENU) < 0;
  return s;
}

bool KeyPreview::Preview(const MSG& msg) const {
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
  const HWND owner = OwnerOf(msg.hwnd);
  if (!owner) return false;
  for (const Entry& e : windows_)
    if (e.window == owner) {
      // A copy: the handler may register or unregister windows.
      const Handler handler = e.handler;
      handler(static_cast<std::uint16_t>(msg.wParam), ShiftState());
      return true;
    }
  return false;
}

void DispatchWithPreview(MSG& msg, const KeyPreview& preview) {
  preview.Preview(msg);
  if (const HWND owner = preview.OwnerOf(msg.hwnd); owner && IsWindow(owner) && IsDialogMessageW(owner, &msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

}  // namespace uiwin32
