#pragma once
// A Shell that shows nothing and never waits: the fuzz targets run the handlers
// as fast as they can.
#include <optional>
#include <string>

#include "forms/Shell.h"

namespace fuzzing {

class QuietShell final : public forms::Shell {
 public:
  void SetApplicationTitle(const std::string& title) override { title_ = title; }
  std::string ApplicationTitle() const override { return title_; }
  void ShowMessage(const std::string& text) override { lastMessage = text; }
  void ShowErrorBox(const std::string&) override {}
  void MessageBeep(unsigned) override {}
  void Beep(unsigned, unsigned) override {}
  void Sleep(unsigned) override {}
  void ProcessMessages() override {}
  void BringToFront() override {}
  void RepaintMainWindow() override {}
  void ShellExecute(const std::string&, const std::string&, unsigned) override {}
  std::optional<std::string> OpenFileDialog(const std::string&) override { return std::nullopt; }
  std::string LongTimeOfDay() override { return "12:00:00"; }

  std::string lastMessage;

 private:
  std::string title_;
};

// Stops the run with a finding libFuzzer reports and keeps.
[[noreturn]] void Fail(const char* what);

}  // namespace fuzzing
