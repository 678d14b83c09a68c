#include "ui/win32/AboutWindow.h"

#include "ui/Main.h"

namespace uiwin32 {

AboutWindow::AboutWindow(ui::TFormHelp& form, Win32Shell& shell, const Dpi& dpi, HWND owner)
    : FormView(ui::layout::kFormHelp, form, shell, dpi), form_(form) {
  Build(owner);
  shell_.Keys().Register(hwnd(), [this](std::uint16_t key, forms::TShiftState shift) {
    ui::TFormHelp& f = form_;
    shell_.Deliver([&f, key, shift] { f.FormKeyDown(key, shift); });
  });
  fronts_ = form_.FrontRequests();
  SyncWindow();
}

AboutWindow::~AboutWindow() = default;

forms::Control* AboutWindow::ModelFor(std::string_view name) {
  if (name == "Image_Emblem") return &form_.Image_Emblem;
  if (name == "sWebLabel1") return &form_.sWebLabel1;
  if (name == "Button1") return &form_.Button1;
  return nullptr;
}

void AboutWindow::UserEvent(std::string_view name) {
  ui::TFormHelp& f = form_;
  if (name == "Button1") shell_.Deliver([&f] { f.Button1Click(); });
  if (name == "sWebLabel1") shell_.Deliver([&f] { f.sWebLabel1Click(); });
}

void AboutWindow::SyncWindow() {
  FormView::SyncWindow();
  const bool shown = IsWindowVisible(hwnd()) != FALSE;
  if (form_.Visible() && !shown) ShowWindow(hwnd(), SW_SHOW);
  if (!form_.Visible() && shown) ShowWindow(hwnd(), SW_HIDE);
  if (form_.Visible() && form_.FrontRequests() != fronts_) {
    fronts_ = form_.FrontRequests();
    SetForegroundWindow(hwnd());
    if (form_.ActiveControl()) RestoreFocus();
  }
}

LRESULT AboutWindow::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CLOSE) {
    // The close box and Alt+F4 only hide it; the model hears of it.
    ui::TFormHelp& f = form_;
    shell_.Deliver([&f] { f.ClosedByUser(); });
    return 0;
  }
  return FormView::Handle(msg, wParam, lParam);
}

}  // namespace uiwin32
