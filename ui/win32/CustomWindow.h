#pragma once
// A window of our own class whose messages reach a C++ object, painted whole by
// it. Nothing thrown below Handle crosses the window procedure.
#include <windows.h>

#include "ui/win32/Dpi.h"

namespace uiwin32 {

class CustomWindow {
 public:
  CustomWindow() = default;
  virtual ~CustomWindow();
  CustomWindow(const CustomWindow&) = delete;
  CustomWindow& operator=(const CustomWindow&) = delete;

  HWND hwnd() const { return hwnd_; }

 protected:
  // Registers `className` once (arrow cursor, no background brush) and creates
  // the window; `box` is in the parent's client area (or on the screen).
  HWND Create(const wchar_t* className, DWORD exStyle, DWORD style, const Box& box, HWND parent, UINT_PTR id,
              const wchar_t* title = L"");
  // The window's messages; what a window leaves to this one: its painting
  // (WM_PAINT and WM_PRINTCLIENT to Paint; the background is Paint's too), and
  // the rest to the default.
  virtual LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual void Paint(HDC dc) = 0;
  LRESULT Default(UINT msg, WPARAM wParam, LPARAM lParam) { return DefWindowProcW(hwnd_, msg, wParam, lParam); }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  HWND hwnd_ = nullptr;
};

}  // namespace uiwin32
