#pragma once
// The About window over TFormHelp: non-modal, owned by the main window, shown,
// hidden and brought to the front as its model asks; closing it only hides it.
#include "ui/Unit1.h"
#include "ui/win32/FormView.h"

namespace uiwin32 {

class AboutWindow : public FormView {
 public:
  AboutWindow(ui::TFormHelp& form, Win32Shell& shell, const Dpi& dpi, HWND owner);

 protected:
  void SyncWindow() override;
  LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  ui::TFormHelp& form_;
  std::uint64_t fronts_ = 0;
};

}  // namespace uiwin32
