#pragma once
// The program's Shell on Qt, and the edge where every event enters the window
// models: nothing thrown by a handler may cross Qt's event loop.
#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "ui/WindowShell.h"
#include "ui/qt/Sounds.h"

namespace uiqt {

class QtShell : public ui::WindowShell {
 public:
  void MessageBeep(unsigned type) override { sounds_.PlayEvent(type); }
  void Beep(unsigned frequencyHz, unsigned durationMs) override { sounds_.PlayTone(frequencyHz, durationMs); }
  void Sleep(unsigned ms) override;
  void BringToFront() override;
  void RepaintMainWindow() override;
  void ShellExecute(const std::string& verb, const std::string& file, unsigned showMode) override;
  std::string LongTimeOfDay() override;

  // The window that BringToFront and RepaintMainWindow act on.
  void SetMainWindow(QWidget* window) { mainWindow_ = window; }
  // The port thread's hand-offs: when it leaves work for the main thread, the
  // event loop is woken to run it; a failure of such work shows the error box.
  void InstallSynchronizerWake();

  // "Text|*.pat|Other|*.x" to Qt's "Text (*.pat);;Other (*.x)".
  static QString QtFilter(const std::string& filter);

 protected:
  void ShowBox(bool error, const std::string& text) override;
  std::optional<std::string> ChooseFile(const std::string& filter) override;
  void Pump() override { QCoreApplication::processEvents(); }
  void Later(std::function<void()> work) override { QTimer::singleShot(0, std::move(work)); }

 private:
  Sounds sounds_;
  QPointer<QWidget> mainWindow_;
};

}  // namespace uiqt
