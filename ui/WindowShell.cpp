#include "ui/WindowShell.h"

#include <exception>
#include <utility>

#include "forms/Errors.h"
#include "forms/Synchronizer.h"

namespace ui {

void WindowShell::ShowMessage(const std::string& text) {
  if (!closing_) ShowBox(false, text);
}

void WindowShell::ShowErrorBox(const std::string& text) {
  if (!closing_) ShowBox(true, text);
}

std::optional<std::string> WindowShell::OpenFileDialog(const std::string& filter) {
  if (closing_) return std::nullopt;
  return ChooseFile(filter);
}

void WindowShell::ProcessMessages() {
  if (closing_) throw forms::EApplicationClosing();
  Pump();
  forms::Synchronizer::Instance().CheckSynchronize();
  if (closing_) throw forms::EApplicationClosing();
}

void WindowShell::Deliver(const std::function<void()>& handler) {
  ++depth_;
  forms::RunAtTheEdge(*this, handler);
  --depth_;
  if (depth_ == 0 && closing_) UnwindLater();
}

void WindowShell::RequestClosing(std::function<void()> onUnwound) {
  closing_ = true;
  onUnwound_ = std::move(onUnwound);
  if (depth_ == 0) UnwindLater();
}

void WindowShell::UnwindLater() {
  if (unwoundPosted_) return;
  unwoundPosted_ = true;
  // From the event loop, not from inside the event that ran the handler.
  Later([fn = onUnwound_] {
    if (fn) fn();
  });
}

bool WindowShell::MayClose(bool longOperationRunning, const std::function<void()>& closeAgain) {
  if (closeAllowed_ || (depth_ == 0 && !longOperationRunning)) return true;
  // A handler is pumping below us: closing now would pull the window from
  // under it. Let it unwind first, then close.
  if (!closing_)
    RequestClosing([this, closeAgain] {
      closeAllowed_ = true;
      closeAgain();
    });
  return false;
}

void WindowShell::InstallSynchronizer(std::function<void()> wake) {
  auto& sync = forms::Synchronizer::Instance();
  sync.SetMainThread();
  sync.SetWakeMainThread(std::move(wake));
  sync.SetErrorHandler([this](const std::exception_ptr& error) { Deliver([error] { std::rethrow_exception(error); }); });
}

void WindowShell::RemoveSynchronizer() {
  auto& sync = forms::Synchronizer::Instance();
  sync.SetWakeMainThread(nullptr);
  sync.SetErrorHandler(nullptr);
}

}  // namespace ui
