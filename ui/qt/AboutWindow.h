#pragma once
// The About window: the form's window, shown, hidden and brought to the front
// as the model says; its close box only hides it.
#include <cstdint>

#include "ui/Unit1.h"
#include "ui/qt/FormWidget.h"

namespace uiqt {

class AboutWindow : public FormWidget {
 public:
  AboutWindow(ui::TFormHelp& form, QtShell& shell);

 protected:
  void SyncWindow() override;
  void closeEvent(QCloseEvent* event) override;

 private:
  ui::TFormHelp& help_;
  std::uint64_t fronts_ = 0;
};

}  // namespace uiqt
