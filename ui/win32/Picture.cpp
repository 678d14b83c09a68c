#include "ui/win32/Picture.h"

#include <objidl.h>
// GDI+'s headers use min and max unqualified.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include <cstring>
#include <string>

#include "ui/win32/Text.h"

namespace uiwin32 {

GdiPlusSession::GdiPlusSession() {
  Gdiplus::GdiplusStartupInput input;
  Gdiplus::GdiplusStartup(&token_, &input, nullptr);
}

GdiPlusSession::~GdiPlusSession() {
  if (token_) Gdiplus::GdiplusShutdown(token_);
}

Picture::Picture(const char* fileName) {
  const HMODULE module = GetModuleHandleW(nullptr);
  const std::wstring name = Widen(fileName);
  const HRSRC res = FindResourceW(module, name.c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  if (!res) return;
  const DWORD size = SizeofResource(module, res);
  const HGLOBAL data = LoadResource(module, res);
  const void* bytes = data ? LockResource(data) : nullptr;
  if (!bytes || !size) return;
  HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!copy) return;
  std::memcpy(GlobalLock(copy), bytes, size);
  GlobalUnlock(copy);
  if (CreateStreamOnHGlobal(copy, TRUE, &stream_) != S_OK) {
    GlobalFree(copy);
    return;
  }
  std::unique_ptr<Gdiplus::Bitmap> bitmap(Gdiplus::Bitmap::FromStream(stream_));
  if (bitmap && bitmap->GetLastStatus() == Gdiplus::Ok) bitmap_ = std::move(bitmap);
}

Picture::~Picture() {
  bitmap_.reset();
  if (stream_) stream_->Release();
}

int Picture::Width() const { return bitmap_ ? static_cast<int>(bitmap_->GetWidth()) : 0; }
int Picture::Height() const { return bitmap_ ? static_cast<int>(bitmap_->GetHeight()) : 0; }

void Picture::Draw(HDC dc, const Box& box, bool enabled) const {
  if (!bitmap_) return;
  Gdiplus::Graphics g(dc);
  // At 96 DPI the picture is drawn pixel for pixel; scaled, it is smoothed.
  const bool exact = box.width == Width() && box.height == Height();
  g.SetInterpolationMode(exact ? Gdiplus::InterpolationModeNearestNeighbor
                               : Gdiplus::InterpolationModeHighQualityBicubic);
  g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
  const Gdiplus::Rect dest(box.left, box.top, box.width, box.height);
  if (enabled) {
    g.DrawImage(bitmap_.get(), dest, 0, 0, Width(), Height(), Gdiplus::UnitPixel);
    return;
  }
  Gdiplus::ColorMatrix grey = {{{0.30f, 0.30f, 0.30f, 0, 0},
                                {0.59f, 0.59f, 0.59f, 0, 0},
                                {0.11f, 0.11f, 0.11f, 0, 0},
                                {0, 0, 0, 0.45f, 0},
                                {0, 0, 0, 0, 1}}};
  Gdiplus::ImageAttributes attributes;
  attributes.SetColorMatrix(&grey);
  g.DrawImage(bitmap_.get(), dest, 0, 0, Width(), Height(), Gdiplus::UnitPixel, &attributes);
}

}  // namespace uiwin32
