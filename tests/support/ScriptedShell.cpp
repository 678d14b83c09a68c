#include "tests/support/ScriptedShell.h"

#include <thread>

#include "forms/Errors.h"
#include "forms/Synchronizer.h"

namespace testing_support {

void ScriptedShell::SetApplicationTitle(const std::string& title) {
  title_ = title;
  log.push_back("title:" + title);
}

void ScriptedShell::ShowMessage(const std::string& text) {
  log.push_back("message:" + text);
  messages.push_back(text);
  captions.push_back(title_);
  if (onMessage) onMessage(text);
}

void ScriptedShell::ShowErrorBox(const std::string& text) {
  log.push_back("error:" + text);
  errors.push_back(text);
  captions.push_back(title_);
}

void ScriptedShell::MessageBeep(unsigned type) {
  log.push_back("beep:" + std::to_string(type));
  beeps.push_back(type);
}

void ScriptedShell::Beep(unsigned frequencyHz, unsigned durationMs) {
  log.push_back("tone:" + std::to_string(frequencyHz) + "/" + std::to_string(durationMs));
}

void ScriptedShell::Sleep(unsigned ms) {
  if (logSleeps) log.push_back("sleep:" + std::to_string(ms));
  sleptMs += ms;
  if (ms == 0) std::this_thread::yield();
  else std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void ScriptedShell::ProcessMessages() {
  ++pumps;
  forms::Synchronizer::Instance().CheckSynchronize();
  if (onProcessMessages) onProcessMessages();
}

void ScriptedShell::BringToFront() { log.push_back("front"); }

void ScriptedShell::RepaintMainWindow() { log.push_back("repaint"); }

void ScriptedShell::ShellExecute(const std::string& verb, const std::string& file, unsigned showMode) {
  log.push_back("exec:" + verb + "|" + file + "|" + std::to_string(showMode));
}

std::optional<std::string> ScriptedShell::OpenFileDialog(const std::string& filter) {
  log.push_back("dialog:" + filter);
  if (dialogAnswers.empty()) return std::nullopt;
  auto answer = dialogAnswers.front();
  dialogAnswers.pop_front();
  return answer;
}

void ScriptedShell::Run(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    ShowErrorBox(forms::ErrorBoxText(e.what()));
  }
}

std::vector<std::string> ScriptedShell::Entries(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const auto& e : log)
    if (e.rfind(prefix, 0) == 0) out.push_back(e);
  return out;
}

}  // namespace testing_support
