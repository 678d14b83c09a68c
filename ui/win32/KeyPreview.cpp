#include "ui/win32/KeyPreview.h"

#include <algorithm>

namespace uiwin32 {

namespace {

// The modifiers held when the message was posted.
forms::TShiftState ShiftState() {
  return {.Shift = GetKeyState(VK_SHIFT) < 0, .Ctrl = GetKeyState(VK_CONTROL) < 0, .Alt = GetKeyState(VK_MENU) < 0};
}

}  // namespace

void KeyPreview::Register(HWND window, Handler handler) { windows_[window] = std::move(handler); }

void KeyPreview::Unregister(HWND window) {
  windows_.erase(window);
  std::erase_if(popups_, [window](const auto& p) { return p.second == window; });
}

void KeyPreview::Attach(HWND popup, HWND window) {
  if (popup && window) popups_.emplace_back(popup, window);
}

HWND KeyPreview::OwnerOf(HWND hwnd) const {
  for (const auto& [popup, window] : popups_)
    if (popup == hwnd) return window;
  for (HWND h = hwnd; h; h = GetParent(h)) {
    if (windows_.contains(h)) return h;
    // Only children climb to their parent: an owned top-level window (a
    // message box, the About window) keeps its keys.
    if (!(GetWindowLongPtrW(h, GWL_STYLE) & WS_CHILD)) break;
  }
  return nullptr;
}

bool KeyPreview::Preview(const MSG& msg) const {
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
  const auto it = windows_.find(OwnerOf(msg.hwnd));
  if (it == windows_.end()) return false;
  // A copy: the handler may register or unregister windows.
  const Handler handler = it->second;
  handler(static_cast<std::uint16_t>(msg.wParam), ShiftState());
  return true;
}

void DispatchWithPreview(MSG& msg, const KeyPreview& preview) {
  preview.Preview(msg);
  if (const HWND owner = preview.OwnerOf(msg.hwnd); owner && IsWindow(owner) && IsDialogMessageW(owner, &msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

}  // namespace uiwin32
