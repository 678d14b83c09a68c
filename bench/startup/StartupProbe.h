#pragma once
// The start-up bench's probe, built into the bench's own copy of the program
// only: once its event loop runs, the program prints "ready <monotonic ns>
// <peak RSS kB>" (or "not-ready ...") and quits.
namespace ui {
class TMainForm;
}

namespace uiqt {

void ArmStartupProbe(ui::TMainForm& form);

}  // namespace uiqt
