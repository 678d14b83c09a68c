#pragma once
// Both windows on real Qt widgets, offscreen, with a watcher that answers the
// modal boxes as a user would (it reads them, then presses OK).
#include <gtest/gtest.h>

#include <QMessageBox>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <vector>

#include "ui/Main.h"
#include "ui/Unit1.h"
#include "ui/qt/AboutWindow.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/QtShell.h"

namespace qttest {

struct SeenBox {
  QString title;
  QString text;
  QMessageBox::Icon icon;
  bool linesWhole;  // every line shown on one line
};

class BoxWatcher {
 public:
  BoxWatcher();
  std::vector<SeenBox> boxes;

 private:
  QTimer timer_;
};

// Lets queued work and painting happen.
void Pump(int ms = 20);

class Windows : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  template <class W = QWidget>
  W* Find(const char* name) {
    for (QWidget* top : {static_cast<QWidget*>(window.get()), static_cast<QWidget*>(about.get())}) {
      if (top && top->objectName() == name) return qobject_cast<W*>(top);
      if (top)
        if (W* w = top->findChild<W*>(QString::fromLatin1(name))) return w;
    }
    return nullptr;
  }
  // The model control whose widget has the focus now (walking up from an inner
  // editor), or nullptr.
  QWidget* FocusedNamed();
  void ShowMain();

  BoxWatcher watcher;
  uiqt::QtShell shell;
  std::unique_ptr<ui::TFormHelp> help;
  std::unique_ptr<ui::TMainForm> form;
  std::unique_ptr<uiqt::MainWindow> window;
  std::unique_ptr<uiqt::AboutWindow> about;
  int quits = 0;
};

}  // namespace qttest
