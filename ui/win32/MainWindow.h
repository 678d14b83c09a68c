#pragma once
// The main window over TMainForm: its icon, the height its model holds (compact
// or expanded), the snap to the screen's edges, the activation and resize
// handlers run from the event loop, and the close deferred while a handler pumps.
#include "ui/Main.h"
#include "ui/win32/FormView.h"

namespace uiwin32 {

class MainWindow : public FormView {
 public:
  MainWindow(ui::TMainForm& form, Win32Shell& shell, const Dpi& dpi);

  // Shows the window centred on the screen (the first show).
  void ShowCentred();

 protected:
  void SyncWindow() override;
  LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void ApplyHeight();

  ui::TMainForm& form_;
};

}  // namespace uiwin32
