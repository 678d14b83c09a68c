#include "ui/win32/MainWindow.h"

#include <string_view>

#include "ui/win32/Resources.h"
#include "ui/win32/Snap.h"
#include "ui/win32/Text.h"

namespace uiwin32 {

namespace {

constexpr UINT kRunPosted = WM_APP + 10;

// Handlers run from the event loop by Post, by index (a message carries no
// member pointer).
constexpr void (ui::TMainForm::*kPosted[])() = {&ui::TMainForm::FormActivate, &ui::TMainForm::FormResize};

}  // namespace

MainWindow::MainWindow(ui::TMainForm& form, Win32Shell& shell, const Dpi& dpi)
    : FormView(ui::layout::kMainForm, form, shell, dpi), form_(form) {
  look_ = LookFor(form_.sSkinManager1.SkinName());
  Build(nullptr);
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  for (auto [which, metric] : {std::pair{ICON_BIG, SM_CXICON}, std::pair{ICON_SMALL, SM_CXSMICON}}) {
    const int side = GetSystemMetrics(metric);
    if (HANDLE icon = LoadImageW(instance, MAKEINTRESOURCEW(IDI_UPLOADER), IMAGE_ICON, side, side, LR_SHARED))
      SendMessageW(hwnd(), WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
  }
  form_.sSkinManager1.Subscribe([this] { ApplyLook(LookFor(form_.sSkinManager1.SkinName())); });
  shell_.Keys().Register(hwnd(), [this](std::uint16_t key, forms::TShiftState shift) {
    ui::TMainForm& form = form_;
    shell_.Deliver([&form, key, shift] { form.FormKeyDown(key, shift); });
  });
  SyncWindow();
}

MainWindow::~MainWindow() = default;

forms::Control* MainWindow::ModelFor(std::string_view name) {
  for (forms::Control* c : form_.Controls())
    if (c->Name() == name) return c;
  return nullptr;
}

void MainWindow::UserEvent(std::string_view name) {
  if (const Handler handler = ui::TMainForm::EventHandlerOf(name)) Run(handler);
}

void MainWindow::Run(Handler handler) {
  ui::TMainForm& form = form_;
  shell_.Deliver([&form, handler] { (form.*handler)(); });
}

void MainWindow::Post(Handler handler) {
  for (std::size_t i = 0; i < std::size(kPosted); ++i)
    if (kPosted[i] == handler) PostMessageW(hwnd(), kRunPosted, i, 0);
}

void MainWindow::ApplyHeight() {
  // The compact height is the client's; any other height is the outer one.
  const int height = form_.Height();
  if (height <= 0) return;
  const SIZE outer = height == ui::TMainForm::kClientHeight
                         ? OuterSize(dpi_.Scale(ui::TMainForm::kClientWidth), dpi_.Scale(height))
                         : SIZE{OuterSize(dpi_.Scale(ui::TMainForm::kClientWidth), 0).cx, dpi_.Scale(height)};
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
  const int width = rc.right - rc.left;
  const int height = rc.bottom - rc.top;
  const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  SetWindowPos(hwnd(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
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
      const POINT p = SnapToEdges(frame, monitor.rcWork, dpi_.Scale(ui::layout::kMainForm.snapDistance));
      pos->x = p.x;
      pos->y = p.y;
      return 0;
    }
    case WM_SIZE:
      if (IsWindowVisible(hwnd())) Post(&ui::TMainForm::FormResize);
      break;
    case WM_ACTIVATE:
      FormView::Handle(msg, wParam, lParam);
      if (LOWORD(wParam) != WA_INACTIVE) Post(&ui::TMainForm::FormActivate);
      return 0;
    case kRunPosted:
      if (wParam < std::size(kPosted)) Run(kPosted[wParam]);
      return 0;
    case WM_CLOSE:
      if (closeAllowed_ || (shell_.HandlerDepth() == 0 && !form_.LongOperationRunning())) {
        DestroyWindow(hwnd());
        return 0;
      }
      // A handler is pumping below us: destroying the window now would pull it
      // from under it. Let it unwind first, then close.
      if (!shell_.Closing())
        shell_.RequestClosing([this] {
          closeAllowed_ = true;
          PostMessageW(hwnd(), WM_CLOSE, 0, 0);
        });
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      break;
  }
  return FormView::Handle(msg, wParam, lParam);
}

}  // namespace uiwin32
