#pragma once
// The program's Shell on Qt, and the edge where every event enters the window
// models: nothing thrown by a handler may cross Qt's event loop.
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "forms/Shell.h"
#include "ui/qt/Sounds.h"

namespace uiqt {

class QtShell : public forms::Shell {
 public:
  QtShell() = default;

  void SetApplicationTitle(const std::string& title) override;
  std::string ApplicationTitle() const override { return title_; }
  void ShowMessage(const std::string& text) override;
  void ShowErrorBox(const std::string& text) override;
  void MessageBeep(unsigned type) override;
  void Beep(unsigned frequencyHz, unsigned durationMs) override;
  void Sleep(unsigned ms) override;
  void ProcessMessages() override;
  void BringToFront() override;
  void RepaintMainWindow() override;
  void ShellExecute(const std::string& verb, const std::string& file, unsigned showMode) override;
  std::optional<std::string> OpenFileDialog(const std::string& filter) override;
  std::string LongTimeOfDay() override;

  // The window that BringToFront and RepaintMainWindow act on.
  void SetMainWindow(QWidget* window) { mainWindow_ = window; }

  // Runs a handler: an error that escapes it goes to the error box; the quiet
  // unwinding after a deferred close is swallowed.
  void Deliver(const std::function<void()>& handler);
  // How many handlers are running, nested in each other's pumping.
  int HandlerDepth() const { return depth_; }

  // The user closed the main window while a handler was pumping: the next pump
  // throws EApplicationClosing, boxes are no longer shown, and once the last
  // handler has unwound `onUnwound` runs (it closes the window and quits).
  void RequestClosing(std::function<void()> onUnwound);
  bool Closing() const { return closing_; }

  // The port thread's hand-offs: when it leaves work for the main thread, the
  // event loop is woken to run it; a failure of such work shows the error box.
  void InstallSynchronizerWake();

  // "Text|*.pat|Other|*.x" to Qt's "Text (*.pat);;Other (*.x)".
  static QString QtFilter(const std::string& filter);

 private:
  std::string title_;
  Sounds sounds_;
  QPointer<QWidget> mainWindow_;
  int depth_ = 0;
  bool closing_ = false;
  bool unwoundPosted_ = false;
  std::function<void()> onUnwound_;
};

}  // namespace uiqt
