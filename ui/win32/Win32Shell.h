#pragma once
// The program's Shell on Win32, and the edge where every event enters the window
// models: nothing thrown by a handler crosses a window procedure.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "forms/Shell.h"
#include "ui/win32/KeyPreview.h"

// <shellapi.h> maps ShellExecute to ShellExecuteW, whichever came first.
#ifdef ShellExecute
#undef ShellExecute
#endif

namespace uiwin32 {

class Win32Shell : public forms::Shell {
 public:
  Win32Shell();
  ~Win32Shell() override;

  void SetApplicationTitle(const std::string& title) override { title_ = title; }
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

  // The window that owns the boxes and dialogs, comes to the front, repaints.
  void SetMainWindow(HWND window) { mainWindow_ = window; }
  HWND MainWindow() const { return mainWindow_; }
  KeyPreview& Keys() { return keys_; }

  // Runs a handler: an error that escapes it goes to the error box; the quiet
  // unwinding after a deferred close is swallowed.
  void Deliver(const std::function<void()>& handler);
  int HandlerDepth() const { return depth_; }

  // The user closed the main window while a handler was pumping: the next pump
  // throws EApplicationClosing, boxes are no longer shown, and once the last
  // handler has unwound `onUnwound` runs (it destroys the window).
  void RequestClosing(std::function<void()> onUnwound);
  bool Closing() const { return closing_; }

  // The event loop, until WM_QUIT; returns its exit code.
  int Run();

  // "Text|*.pat|Other|*.x" as the file dialog wants it: NUL-separated, two NULs at the end.
  static std::wstring DialogFilter(const std::string& filter);

 private:
  static LRESULT CALLBACK WakeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void Unwound();
  HWND BoxOwner() const;

  std::string title_;
  HWND mainWindow_ = nullptr;
  HWND wake_ = nullptr;  // runs the port thread's hand-offs on this thread
  KeyPreview keys_;
  int depth_ = 0;
  bool closing_ = false;
  bool unwoundPosted_ = false;
  bool quitSeen_ = false;
  int quitCode_ = 0;
  std::function<void()> onUnwound_;
};

}  // namespace uiwin32
