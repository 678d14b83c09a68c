#include "forms/Shell.h"

#include <exception>

#include "forms/Errors.h"

namespace forms {

void RunAtTheEdge(Shell& shell, const std::function<void()>& handler) {
  try {
    handler();
  } catch (const EApplicationClosing&) {
    // The window was closed under a pumping operation: unwind quietly.
  } catch (const std::exception& e) {
    try {
      shell.ShowErrorBox(ErrorBoxText(e.what()));
    } catch (...) {
    }
  } catch (...) {
    try {
      shell.ShowErrorBox(ErrorBoxText("Unknown error"));
    } catch (...) {
    }
  }
}

}  // namespace forms
