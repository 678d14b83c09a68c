#pragma once
// A Shell for the tests: it records every message, beep and call in order and
// answers dialogs from a script. Sleep really sleeps: the device keeps time.
#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "forms/Shell.h"

namespace testing_support {

class ScriptedShell : public forms::Shell {
 public:
  // One entry per call, such as "message:<text>", "error:<text>", "beep:64",
  // "tone:1200/200", "sleep:100", "front", "exec:<verb>|<file>|<mode>",
  // "dialog:<filter>", "title:<text>". ProcessMessages and Sleep are counted,
  // not logged, unless logSleeps is set.
  std::vector<std::string> log;
  std::vector<std::string> messages;  // texts of message boxes, in order
  std::vector<std::string> errors;    // texts of error boxes, in order
  std::vector<unsigned> beeps;        // MessageBeep values, in order
  std::deque<std::optional<std::string>> dialogAnswers;  // empty: cancelled
  std::string timeOfDay = "12:34:56";
  bool logSleeps = false;
  long pumps = 0;
  long sleptMs = 0;

  // Called at every pumping point (keys "pressed" while an operation runs).
  std::function<void()> onProcessMessages;
  // Called while a message box is "open", before the user's OK.
  std::function<void(const std::string&)> onMessage;

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
  std::string LongTimeOfDay() override { return timeOfDay; }

  // Titles in force when each message or error box was shown.
  std::vector<std::string> captions;

  // Runs a handler as the application would: an escaping error goes to the
  // error box (with its full stop rule).
  void Run(const std::function<void()>& handler);

  // Log entries that start with the prefix.
  std::vector<std::string> Entries(const std::string& prefix) const;

 private:
  std::string title_;
};

}  // namespace testing_support
