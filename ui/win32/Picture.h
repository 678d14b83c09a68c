#pragma once
// Our PNG and JPEG pictures, carried as resources and decoded by GDI+ (a system
// DLL since Windows XP), drawn with their alpha.
#include <windows.h>

#include <memory>

#include "ui/win32/Dpi.h"

namespace Gdiplus {
class Bitmap;
}

namespace uiwin32 {

// GDI+ for the program's lifetime.
class GdiPlusSession {
 public:
  GdiPlusSession();
  ~GdiPlusSession();
  GdiPlusSession(const GdiPlusSession&) = delete;
  GdiPlusSession& operator=(const GdiPlusSession&) = delete;

 private:
  ULONG_PTR token_ = 0;
};

class Picture {
 public:
  // An RCDATA resource of this program, named by its file name (as the layout
  // names pictures), holding a PNG or JPEG file.
  explicit Picture(const char* fileName);
  ~Picture();
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;

  int Width() const;
  int Height() const;
  // Draws into `box`, blended over what is there; a disabled picture is grey
  // and faint.
  void Draw(HDC dc, const Box& box, bool enabled = true) const;

 private:
  std::unique_ptr<Gdiplus::Bitmap> bitmap_;
  IStream* stream_ = nullptr;  // GDI+ reads from it for the bitmap's life
};

}  // namespace uiwin32
