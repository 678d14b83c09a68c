#pragma once
// The start-up bench's probe. With OSTRA_STARTUP_PROBE set in the environment the
// program prints, once its event loop runs, "ready <monotonic ns> <peak RSS kB>"
// (or "not-ready ...") and quits; without it nothing happens. Only the bench
// sets it: the program itself takes no configuration.
namespace ui {
class TMainForm;
}

namespace uiqt {

inline constexpr const char* kStartupProbeVariable = "OSTRA_STARTUP_PROBE";

void ArmStartupProbe(ui::TMainForm& form);

}  // namespace uiqt
