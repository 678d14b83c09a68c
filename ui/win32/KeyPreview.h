#pragma once
// Key preview: every key-down for one of our windows, or for any control in it,
// reaches that window's FormKeyDown before the control, and is then delivered
// as usual (the preview never swallows a key).
#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "forms/Keys.h"

namespace uiwin32 {

class KeyPreview {
 public:
  using Handler = std::function<void(std::uint16_t key, forms::TShiftState shift)>;

  void Register(HWND window, Handler handler);
  void Unregister(HWND window);
  // A window that belongs to `window` without being its child: the popup list
  // of a drop-down is a top-level window of its own.
  void Attach(HWND popup, HWND window);

  // The registered window that `hwnd` belongs to, or nullptr.
  HWND OwnerOf(HWND hwnd) const;
  // Runs the owner's handler for WM_KEYDOWN / WM_SYSKEYDOWN; true when it ran.
  bool Preview(const MSG& msg) const;

 private:
  std::map<HWND, Handler> windows_;
  std::vector<std::pair<HWND, HWND>> popups_;
};

// One message: the preview, then the dialog keys of its window (Tab moves the
// focus), then the window procedure.
void DispatchWithPreview(MSG& msg, const KeyPreview& preview);

}  // namespace uiwin32
