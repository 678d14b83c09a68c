#include "ui/win32/Picture.h"

#include <objidl.h>
#include <shlwapi.h>
// GDI+'s headers use min and max unqualified.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

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
  const HRSRC res = FindResourceW(module, Widen(fileName).c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  const HGLOBAL data = res ? LoadResource(module, res) : nullptr;
  const auto* bytes = data ? static_cast<const BYTE*>(LockResource(data)) : nullptr;
  // A stream over a copy of the bytes, which GDI+ reads for the bitmap's life.
  stream_ = bytes ? SHCreateMemStream(bytes, SizeofResource(module, res)) : nullptr;
  if (!stream_) return;
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
