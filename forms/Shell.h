#pragma once
// Everything a handler asks of the platform and the window system. Each face
// implements it: Qt on Linux (ui/qt), Win32 on Windows (ui/win32), the console
// for the bench program; the tests use a scripted Shell that records each call.
#include <functional>
#include <optional>
#include <string>

// <shellapi.h> maps ShellExecute to ShellExecuteA or ShellExecuteW: our method
// keeps its one name (the Windows view calls ShellExecuteW by name).
#ifdef ShellExecute
#undef ShellExecute
#endif

namespace forms {

// System sound values for MessageBeep, and the show modes of ShellExecute. Where
// <windows.h> came first, its macros of the same values stand in.
#ifndef MB_ICONHAND
inline constexpr unsigned MB_ICONHAND = 16;         // error
inline constexpr unsigned MB_ICONQUESTION = 32;     // question
inline constexpr unsigned MB_ICONEXCLAMATION = 48;  // exclamation
inline constexpr unsigned MB_ICONASTERISK = 64;     // information
#endif
#ifndef SW_SHOW
inline constexpr unsigned SW_SHOWNORMAL = 1;
inline constexpr unsigned SW_SHOW = 5;
#endif

class Shell {
 public:
  virtual ~Shell() = default;

  // The application title: the caption of every message box and error box.
  virtual void SetApplicationTitle(const std::string& title) = 0;
  virtual std::string ApplicationTitle() const = 0;

  // A modal message box with one OK button; returns when the user closed it.
  virtual void ShowMessage(const std::string& text) = 0;
  // The application's error box (error icon, one OK button). The text is shown as
  // given: callers pass it through ErrorBoxText.
  virtual void ShowErrorBox(const std::string& text) = 0;

  virtual void MessageBeep(unsigned type) = 0;
  virtual void Beep(unsigned frequencyHz, unsigned durationMs) = 0;
  // Blocks the caller; 0 is a plain yield.
  virtual void Sleep(unsigned ms) = 0;
  // Handles all pending window messages (painting, keys, clicks), then returns.
  virtual void ProcessMessages() = 0;
  virtual void BringToFront() = 0;
  // Repaints the whole main window at once.
  virtual void RepaintMainWindow() = 0;
  // Hands a request to the system (open a URL, a tool); the result is not looked at.
  virtual void ShellExecute(const std::string& verb, const std::string& file, unsigned showMode) = 0;
  // The modal file-open dialog; "Text|*.pat" filter. Empty when cancelled.
  virtual std::optional<std::string> OpenFileDialog(const std::string& filter) = 0;
  // The time of day in the system's long time format (hours, minutes, seconds).
  virtual std::string LongTimeOfDay() = 0;
};

// Runs a handler as the application's event loop does: an error that escapes
// it goes to the error box, a close during a pumping operation unwinds quietly,
// and nothing escapes to the window system.
void RunAtTheEdge(Shell& shell, const std::function<void()>& handler);

}  // namespace forms
