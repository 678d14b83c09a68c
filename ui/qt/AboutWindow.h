#pragma once
// The About window drawn from TFormHelp: shown, hidden and brought to the front
// as the model says; its close box only hides it.
#include <QWidget>
#include <cstdint>

#include "ui/Unit1.h"
#include "ui/qt/QtShell.h"

class QPushButton;

namespace uiqt {

class WebLabel;

class AboutWindow : public QWidget {
 public:
  AboutWindow(ui::TFormHelp& form, QtShell& shell);
  ~AboutWindow() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Sync();

  ui::TFormHelp& form_;
  QtShell& shell_;
  QPushButton* button1_ = nullptr;
  std::uint64_t fronts_ = 0;
};

}  // namespace uiqt
