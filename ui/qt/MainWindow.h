#pragma once
// The main window: the form's window with the skin, the icon, the height the
// model holds, the first place centred, the snap to the screen's edges, and a
// close deferred while a handler pumps below it.
#include <functional>

#include "ui/Main.h"
#include "ui/qt/FormWidget.h"

namespace uiqt {

class MainWindow : public FormWidget {
 public:
  MainWindow(ui::TMainForm& form, QtShell& shell);

  // Shows the window centred on its screen (the first show).
  void ShowCentred();
  // What a close that is allowed to happen does last; tests replace it.
  std::function<void()> quitApplication;
  // Pixels the window system's frame adds to the height (0 without one).
  int FrameHeight() const;

 protected:
  void SyncWindow() override;
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void ApplySkin();
  void Centre();
  // Runs one of the form's own handlers from the event loop, at the edge.
  void Post(void (ui::TMainForm::*handler)());

  ui::TMainForm& main_;
  int appliedHeight_ = -1;
  bool snapping_ = false;
};

}  // namespace uiqt
