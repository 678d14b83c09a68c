#pragma once
// A button that is only a picture with alpha: no frame, no caption, hand cursor,
// takes no focus (a click leaves the focus where it was).
#include <windows.h>

#include <functional>

#include "ui/Palette.h"
#include "ui/win32/CustomWindow.h"
#include "ui/win32/Picture.h"

namespace uiwin32 {

class PictureButton : public CustomWindow {
 public:
  PictureButton(HWND parent, const Box& box, const char* picture, SIZE pictureSize, COLORREF background,
                const ui::Palette& palette);

  std::function<void()> onClick;
  void SetEnabled(bool enabled);
  void SetPalette(const ui::Palette& palette, COLORREF background);

 protected:
  LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void Paint(HDC dc) override;

 private:
  Picture picture_;
  SIZE size_;
  COLORREF background_;
  ui::Palette palette_;
  bool hover_ = false;
  bool pressed_ = false;
};

}  // namespace uiwin32
