#pragma once
// The main window drawn from TMainForm's models and the layout table: controls
// bound to their models, events into the form's handlers through the Shell's
// edge, key preview, edge snapping, the expanded height, deferred closing.
#include "ui/Main.h"
#include "ui/win32/FormView.h"

namespace uiwin32 {

class MainWindow : public FormView {
 public:
  MainWindow(ui::TMainForm& form, Win32Shell& shell, const Dpi& dpi);
  ~MainWindow() override;

  // Shows the window centred on the screen (the first show).
  void ShowCentred();

 protected:
  forms::Control* ModelFor(std::string_view name) override;
  void UserEvent(std::string_view name) override;
  void SyncWindow() override;
  LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  using Handler = ui::TMainForm::Handler;
  void Run(Handler handler);
  // Runs the handler from the event loop, after the message at hand.
  void Post(Handler handler);
  void ApplyHeight();

  ui::TMainForm& form_;
  bool closeAllowed_ = false;
};

}  // namespace uiwin32
