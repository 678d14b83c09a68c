#pragma once
// The Shell of the bench program: message and error boxes become the port's
// lines on the console, sounds are left out (a bench of ports would only
// clatter), the dialog answers with the file named on the command line, and a
// pump serves the port's own world and asks whether the stop key may act.
#include <functional>
#include <optional>
#include <string>

#include "cli/Terminal.h"
#include "forms/Shell.h"

namespace cli {

class ConsoleShell : public forms::Shell {
 public:
  ConsoleShell(Terminal& terminal, std::string port) : terminal_(terminal), port_(std::move(port)) {}

  // Runs at every pumping point.
  std::function<void()> onPump;
  // What the file dialog answers; empty: cancelled.
  std::optional<std::string> chosenFile;

  void SetApplicationTitle(const std::string& title) override { title_ = title; }
  std::string ApplicationTitle() const override { return title_; }
  void ShowMessage(const std::string& text) override { terminal_.Message(port_, text); }
  void ShowErrorBox(const std::string& text) override { terminal_.Message(port_, text); }
  void MessageBeep(unsigned) override {}
  void Beep(unsigned, unsigned) override {}
  void Sleep(unsigned ms) override;
  void ProcessMessages() override;
  void BringToFront() override {}
  void RepaintMainWindow() override {}
  void ShellExecute(const std::string&, const std::string&, unsigned) override {}
  std::optional<std::string> OpenFileDialog(const std::string&) override { return chosenFile; }
  std::string LongTimeOfDay() override;

 private:
  Terminal& terminal_;
  std::string port_;
  std::string title_;
};

}  // namespace cli
