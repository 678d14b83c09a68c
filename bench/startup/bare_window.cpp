// The yardstick: a bare Qt window program. It shows one window of the main
// window's size and, on the first turn of its event loop, prints the same
// "ready <monotonic ns> <peak RSS kB>" line as the uploader's probe, then quits.
// With --label it also shows one line of text, which loads the fonts; with
// --label-early-fonts the font configuration is read on a second thread started
// first, as the uploader does: the least any window showing text can cost.
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstring>
#include <thread>

#ifdef __linux__
#include <dlfcn.h>
#endif

#include "bench/startup/ProcessStats.h"

using uiqt::MonotonicNs;
using uiqt::PeakRssKb;

int main(int argc, char** argv) {
  const bool earlyFonts = argc > 1 && std::strcmp(argv[1], "--label-early-fonts") == 0;
  const bool label = earlyFonts || (argc > 1 && std::strcmp(argv[1], "--label") == 0);
  std::thread fonts;
  if (earlyFonts)
    fonts = std::thread([] {
#ifdef __linux__
      using InitFunction = int (*)();
      if (auto init = reinterpret_cast<InitFunction>(dlsym(RTLD_DEFAULT, "FcInit"))) init();
#endif
    });
  QApplication app(argc, argv);
  if (fonts.joinable()) fonts.join();
  QWidget window;
  window.setWindowTitle(QStringLiteral("bare"));
  window.resize(302, 132);
  if (label) {
    auto* label = new QLabel(QString::fromUtf8("Мікропрограма готова до запису"), &window);
    label->move(10, 87);
  }
  window.show();
  QTimer::singleShot(0, [] {
    std::printf("ready %lld %ld\n", MonotonicNs(), PeakRssKb());
    std::fflush(stdout);
    QCoreApplication::exit(0);
  });
  return app.exec();
}
