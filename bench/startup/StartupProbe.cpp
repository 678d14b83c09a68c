#include "bench/startup/StartupProbe.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

#include "bench/startup/ProcessStats.h"
#include "firmware/FirmwareTexts.h"
#include "ui/Main.h"

namespace uiqt {

void ArmStartupProbe(ui::TMainForm& form) {
  // The first turn of the event loop: the window has been shown and laid out.
  QTimer::singleShot(0, [&form] {
    const long long now = MonotonicNs();
    const bool ready = form.ButtonWrite.Enabled() && form.LabelNameOfHex.Caption() == firmware::texts::kReadyCarried;
    std::printf("%s %lld %ld\n", ready ? "ready" : "not-ready", now, PeakRssKb());
    std::fflush(stdout);
    QCoreApplication::exit(ready ? 0 : 3);
  });
}

}  // namespace uiqt
