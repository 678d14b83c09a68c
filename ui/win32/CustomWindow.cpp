#include "ui/win32/CustomWindow.h"

#include <exception>

namespace uiwin32 {

CustomWindow::~CustomWindow() {
  if (hwnd_ && IsWindow(hwnd_)) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

HWND CustomWindow::Create(const wchar_t* className, DWORD exStyle, DWORD style, const Box& box, HWND parent,
                          UINT_PTR id, const wchar_t* title) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  // Registered by the first window of the class; the later calls fail harmlessly.
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.lpszClassName = className;
  RegisterClassExW(&wc);
  return CreateWindowExW(exStyle, className, title, style, box.left, box.top, box.width, box.height, parent,
                         reinterpret_cast<HMENU>(id), instance, this);
}

LRESULT CustomWindow::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      const HDC dc = BeginPaint(hwnd_, &ps);
      Paint(dc);
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      Paint(reinterpret_cast<HDC>(wParam));
      return 0;
  }
  return Default(msg, wParam, lParam);
}

LRESULT CALLBACK CustomWindow::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<CustomWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<CustomWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
  try {
    const LRESULT result = self->Handle(msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      self->hwnd_ = nullptr;
    }
    return result;
  } catch (const std::exception& e) {
    // Handlers run through Win32Shell::Deliver, which catches; this guards the rest.
    OutputDebugStringA(e.what());
  } catch (...) {
    OutputDebugStringA("uploader: unexpected error in a window procedure");
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace uiwin32
