#include "ui/win32/Gdi.h"

namespace uiwin32 {

OffscreenDc::OffscreenDc(HWND window, HDC target) : target_(target), dc_(CreateCompatibleDC(target)) {
  GetClientRect(window, &client_);
  bitmap_ = GdiObject(CreateCompatibleBitmap(target, client_.right, client_.bottom));
  old_ = SelectObject(dc_, bitmap_);
}

OffscreenDc::~OffscreenDc() {
  BitBlt(target_, 0, 0, client_.right, client_.bottom, dc_, 0, 0, SRCCOPY);
  SelectObject(dc_, old_);
  DeleteDC(dc_);
}

}  // namespace uiwin32
