#include "ui/win32/PictureButton.h"

#include <windowsx.h>

#include "ui/win32/Gdi.h"

namespace uiwin32 {

namespace {

bool Inside(HWND hwnd, LPARAM lParam) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  return PtInRect(&rc, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}) != FALSE;
}

}  // namespace

PictureButton::PictureButton(HWND parent, const Box& box, const char* picture, SIZE pictureSize, COLORREF background,
                             const ui::Palette& palette)
    : picture_(picture), size_(pictureSize), background_(background), palette_(palette) {
  Create(L"OstraPictureButton", 0, WS_CHILD | WS_VISIBLE, box, parent, 0);
}

void PictureButton::SetEnabled(bool enabled) {
  EnableWindow(hwnd(), enabled);
  if (!enabled) hover_ = pressed_ = false;
  InvalidateRect(hwnd(), nullptr, FALSE);
}

void PictureButton::SetPalette(const ui::Palette& palette, COLORREF background) {
  palette_ = palette;
  background_ = background;
  InvalidateRect(hwnd(), nullptr, FALSE);
}

void PictureButton::Paint(HDC dc) {
  const OffscreenDc mem(hwnd(), dc);
  const RECT& rc = mem.Client();
  FillRect(mem, &rc, SolidBrush(background_));
  if (hover_ && IsWindowEnabled(hwnd())) FrameRect(mem, &rc, SolidBrush(Resolve(palette_.hoverFrame)));
  const int offset = pressed_ && hover_ ? 1 : 0;
  const Box box{(rc.right - size_.cx) / 2 + offset, (rc.bottom - size_.cy) / 2 + offset, size_.cx, size_.cy};
  picture_.Draw(mem, box, IsWindowEnabled(hwnd()) != FALSE);
}

LRESULT PictureButton::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_SETCURSOR:
      SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
      return TRUE;
    case WM_MOUSEMOVE:
      if (!hover_) {
        hover_ = true;
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd(), 0};
        TrackMouseEvent(&track);
        InvalidateRect(hwnd(), nullptr, FALSE);
      } else if (pressed_ && !Inside(hwnd(), lParam)) {
        hover_ = false;
        InvalidateRect(hwnd(), nullptr, FALSE);
      }
      return 0;
    case WM_MOUSELEAVE:
      hover_ = false;
      InvalidateRect(hwnd(), nullptr, FALSE);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      // No SetFocus: a picture button takes no focus.
      pressed_ = true;
      SetCapture(hwnd());
      InvalidateRect(hwnd(), nullptr, FALSE);
      return 0;
    case WM_LBUTTONUP: {
      const bool wasPressed = pressed_;
      pressed_ = false;
      if (GetCapture() == hwnd()) ReleaseCapture();
      InvalidateRect(hwnd(), nullptr, FALSE);
      if (wasPressed && Inside(hwnd(), lParam) && onClick) onClick();
      return 0;
    }
    case WM_CAPTURECHANGED:
      pressed_ = false;
      InvalidateRect(hwnd(), nullptr, FALSE);
      return 0;
  }
  return CustomWindow::Handle(msg, wParam, lParam);
}

}  // namespace uiwin32
