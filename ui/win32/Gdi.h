#pragma once
// GDI objects that free themselves, painting done off-screen first, and the
// colours of the layout and of the skin's palette as the screen shows them.
#include <windows.h>

#include <memory>
#include <utility>

#include "ui/Layout.h"

namespace uiwin32 {

// A layout colour as the screen shows it; `fallback` for the view's default.
COLORREF Resolve(const ui::layout::Color& color, COLORREF fallback = 0);

// A pen, brush, font or bitmap, deleted with its owner. Converts to the handle,
// so a temporary serves a single call: FillRect(dc, &rc, GdiObject(CreateSolidBrush(c))).
template <class H>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(H handle) : handle_(handle) {}
  ~GdiObject() {
    if (handle_) DeleteObject(handle_);
  }
  GdiObject(GdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  GdiObject& operator=(GdiObject&& other) noexcept {
    std::swap(handle_, other.handle_);
    return *this;
  }
  operator H() const { return handle_; }

 private:
  H handle_ = nullptr;
};

// A memory DC, deleted with its owner.
struct DcDeleter {
  void operator()(HDC dc) const { DeleteDC(dc); }
};
using MemoryDc = std::unique_ptr<HDC__, DcDeleter>;

inline GdiObject<HBRUSH> SolidBrush(COLORREF color) { return GdiObject(CreateSolidBrush(color)); }

// A memory DC as large as a window's client area: drawn into, then copied onto
// `target` in one go when it goes (no flicker while a long run steps a gauge).
class OffscreenDc {
 public:
  OffscreenDc(HWND window, HDC target);
  ~OffscreenDc();  // not copied: it owns its bitmap
  operator HDC() const { return dc_.get(); }
  const RECT& Client() const { return client_; }

 private:
  HDC target_;
  RECT client_{};
  MemoryDc dc_;
  GdiObject<HBITMAP> bitmap_;
  HGDIOBJ old_ = nullptr;
};

}  // namespace uiwin32
