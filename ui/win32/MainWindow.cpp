#include "ui/win32/MainWindow.h"

#include "ui/WindowRules.h"
#include "ui/win32/Resources.h"

namespace uiwin32 {

namespace {

// Handlers run from the event loop, after the message at hand: posted by their
// index (a message carries no member pointer).
constexpr UINT kRunPosted = WM_APP + 10;
constexpr void (ui::TMainForm::*kPosted[])() = {&ui::TMainForm::FormActivate, &ui::TMainForm::FormResize};
enum Posted : WPARAM { kActivate, kResize };

}  // namespace

MainWindow::MainWindow(ui::TMainForm& form, Win32Shell& shell, const Dpi& dpi)
    : FormView(form, shell, dpi), form_(form) {
  palette_ = ui::PaletteFor(form_.sSkinManager1.SkinName());
  Build(nullptr);
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  for (auto [which, metric] : {std::pair{ICON_BIG, SM_CXICON}, std::pair{ICON_SMALL, SM_CXSMICON}}) {
    const int side = GetSystemMetrics(metric);
    if (HANDLE icon = LoadImageW(instance, MAKEINTRESOURCEW(IDI_UPLOADER), IMAGE_ICON, side, side, LR_SHARED))
      SendMessageW(hwnd(), WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
  }
  form_.sSkinManager1.Subscribe([this] { SetPalette(ui::PaletteFor(form_.sSkinManager1.SkinName())); });
  SyncWindow();
}

void MainWindow::ApplyHeight() {
  const int height = form_.Height();
  if (height <= 0) return;
  SIZE outer = OuterSize(dpi_.Scale(layout_.clientWidth), ui::HeightIsClient(height) ? dpi_.Scale(height) : 0);
  if (!ui::HeightIsClient(height)) outer.cy = dpi_.Scale(height);
  RECT rc;
  GetWindowRect(hwnd(), &rc);
  if (rc.right - rc.left == outer.cx && rc.bottom - rc.top == outer.cy) return;
  SetWindowPos(hwnd(), nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::SyncWindow() {
  FormView::SyncWindow();
  ApplyHeight();
}

void MainWindow::ShowCentred() {
  RECT rc;
  GetWindowRect(hwnd(), &rc);
  const Box screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  const ui::Point p = ui::CentredIn(screen, rc.right - rc.left, rc.bottom - rc.top);
  SetWindowPos(hwnd(), nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(hwnd(), SW_SHOW);
  SetForegroundWindow(hwnd());
  // At start the focus is in the first control of the order, outside the window.
  if (!form_.ActiveControl() || !GetFocus()) RestoreFocus();
  UpdateWindow(hwnd());
}

LRESULT MainWindow::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_WINDOWPOSCHANGING: {
      auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
      if ((pos->flags & SWP_NOMOVE) || !IsWindowVisible(hwnd()) || IsIconic(hwnd())) break;
      RECT current;
      GetWindowRect(hwnd(), &current);
      const int width = (pos->flags & SWP_NOSIZE) ? current.right - current.left : pos->cx;
      const int height = (pos->flags & SWP_NOSIZE) ? current.bottom - current.top : pos->cy;
      const RECT frame{pos->x, pos->y, pos->x + width, pos->y + height};
      MONITORINFO monitor{};
      monitor.cbSize = sizeof monitor;
      if (!GetMonitorInfoW(MonitorFromRect(&frame, MONITOR_DEFAULTTONEAREST), &monitor)) break;
      const ui::Point p = ui::SnapToEdges(FromRect(frame), FromRect(monitor.rcWork), dpi_.Scale(layout_.snapDistance));
      pos->x = p.x;
      pos->y = p.y;
      return 0;
    }
    case WM_SIZE:
      if (IsWindowVisible(hwnd())) PostMessageW(hwnd(), kRunPosted, kResize, 0);
      break;
    case WM_ACTIVATE:
      FormView::Handle(msg, wParam, lParam);
      if (LOWORD(wParam) != WA_INACTIVE) PostMessageW(hwnd(), kRunPosted, kActivate, 0);
      return 0;
    case kRunPosted:
      if (wParam < std::size(kPosted)) shell_.Deliver([this, handler = kPosted[wParam]] { (form_.*handler)(); });
      return 0;
    case WM_CLOSE:
      if (shell_.MayClose(form_.LongOperationRunning(), [this] { PostMessageW(hwnd(), WM_CLOSE, 0, 0); }))
        DestroyWindow(hwnd());
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      break;
  }
  return FormView::Handle(msg, wParam, lParam);
}

}  // namespace uiwin32
