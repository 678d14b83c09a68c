#pragma once
// The program's Shell on Win32: what ui::WindowShell leaves to a face (the
// boxes, the file dialog, the pump, work run from the event loop) and the
// system's sounds, time and shell.
#include <windows.h>

#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "ui/WindowShell.h"
#include "ui/win32/KeyPreview.h"

// <shellapi.h> maps ShellExecute to ShellExecuteW, whichever came first.
#ifdef ShellExecute
#undef ShellExecute
#endif

namespace uiwin32 {

class Win32Shell : public ui::WindowShell {
 public:
  Win32Shell();
  ~Win32Shell() override;

  void MessageBeep(unsigned type) override { ::MessageBeep(type); }
  void Beep(unsigned frequencyHz, unsigned durationMs) override { ::Beep(frequencyHz, durationMs); }
  void Sleep(unsigned ms) override { ::Sleep(ms); }
  std::string LongTimeOfDay() override;

  void BringToFront() override;
  void RepaintMainWindow() override;
  void ShellExecute(const std::string& verb, const std::string& file, unsigned showMode) override;

  // The window that owns the boxes and dialogs, comes to the front, repaints.
  void SetMainWindow(HWND window) { mainWindow_ = window; }
  KeyPreview& Keys() { return keys_; }

  // The event loop, until WM_QUIT; returns its exit code.
  int Run();

  // "Text|*.pat|Other|*.x" as the file dialog wants it: NUL-separated, two NULs at the end.
  static std::wstring DialogFilter(const std::string& filter);

 protected:
  void ShowBox(bool error, const std::string& text) override;
  std::optional<std::string> ChooseFile(const std::string& filter) override;
  void Pump() override;
  void Later(std::function<void()> work) override;

 private:
  static LRESULT CALLBACK WakeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  HWND BoxOwner() const;

  HWND mainWindow_ = nullptr;
  HWND wake_ = nullptr;  // runs the port thread's hand-offs and Later's work on this thread
  KeyPreview keys_;
  std::deque<std::function<void()>> later_;
  bool quitSeen_ = false;
  int quitCode_ = 0;
};

}  // namespace uiwin32
