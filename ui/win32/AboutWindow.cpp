#include "ui/win32/AboutWindow.h"

namespace uiwin32 {

AboutWindow::AboutWindow(ui::TFormHelp& form, Win32Shell& shell, const Dpi& dpi, HWND owner)
    : FormView(form, shell, dpi), form_(form) {
  Build(owner);
  fronts_ = form_.FrontRequests();
  SyncWindow();
}

void AboutWindow::SyncWindow() {
  FormView::SyncWindow();
  if (form_.Visible() != (IsWindowVisible(hwnd()) != FALSE)) ShowWindow(hwnd(), form_.Visible() ? SW_SHOW : SW_HIDE);
  if (form_.Visible() && form_.FrontRequests() != fronts_) {
    fronts_ = form_.FrontRequests();
    SetForegroundWindow(hwnd());
    if (form_.ActiveControl()) RestoreFocus();
  }
}

LRESULT AboutWindow::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CLOSE) {
    // The close box and Alt+F4 only hide it; the model hears of it.
    shell_.Deliver([this] { form_.ClosedByUser(); });
    return 0;
  }
  return FormView::Handle(msg, wParam, lParam);
}

}  // namespace uiwin32
