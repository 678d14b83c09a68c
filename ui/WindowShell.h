#pragma once
// What both faces' Shells share: the application title, the boxes and the file
// dialog that a closing program no longer shows, the pump that a closing
// program refuses, and the edge where every event enters the window models,
// with the close of the main window deferred while a handler pumps below it.
#include <functional>
#include <optional>
#include <string>

#include "forms/Shell.h"

namespace ui {

class WindowShell : public forms::Shell {
 public:
  void SetApplicationTitle(const std::string& title) override { title_ = title; }
  std::string ApplicationTitle() const override { return title_; }
  void ShowMessage(const std::string& text) override;
  void ShowErrorBox(const std::string& text) override;
  std::optional<std::string> OpenFileDialog(const std::string& filter) override;
  void ProcessMessages() override;

  // Runs a handler: an error that escapes it goes to the error box; the quiet
  // unwinding after a deferred close is swallowed.
  void Deliver(const std::function<void()>& handler);
  // How many handlers are running, nested in each other's pumping.
  int HandlerDepth() const { return depth_; }
  // The user closed the main window while a handler was pumping: the next pump
  // throws EApplicationClosing, boxes are no longer shown, and once the last
  // handler has unwound `onUnwound` runs (it closes the window).
  void RequestClosing(std::function<void()> onUnwound);
  bool Closing() const { return closing_; }
  // The main window asks to close. True: it may close now. False: it waits
  // until the handlers below have unwound, then `closeAgain` runs, and that
  // close is let through.
  bool MayClose(bool longOperationRunning, const std::function<void()>& closeAgain);

 protected:
  // The face's box: an error box (error icon) or a plain message, one OK button.
  virtual void ShowBox(bool error, const std::string& text) = 0;
  virtual std::optional<std::string> ChooseFile(const std::string& filter) = 0;
  // Handles the pending window messages once.
  virtual void Pump() = 0;
  // Runs `work` from the event loop, after the event at hand.
  virtual void Later(std::function<void()> work) = 0;
  // The face saw the program told to quit while pumping: it closes as a close would.
  void MarkClosing() { closing_ = true; }
  // Hands the port thread's work over to this thread: `wake` is called from the
  // port thread and may only post; a failure of such work shows the error box.
  void InstallSynchronizer(std::function<void()> wake);
  void RemoveSynchronizer();

 private:
  void UnwindLater();

  std::string title_;
  int depth_ = 0;
  bool closing_ = false;
  bool unwoundPosted_ = false;
  bool closeAllowed_ = false;
  std::function<void()> onUnwound_;
};

}  // namespace ui
