#include "ui/qt/EarlyStart.h"

#include <QFontMetrics>
#include <QImage>
#include <QImageReader>
#include <exception>

#ifdef __linux__
#include <dlfcn.h>
#endif

#include "firmware/Firmware.h"
#include "ui/Layout.h"
#include "ui/qt/Widgets.h"

namespace uiqt {

namespace {

// Qt reads the font configuration through fontconfig on its first text layout,
// some 7 ms. fontconfig keeps one configuration per process, so loading it here
// first leaves Qt's own call nothing to do. Looked up in the process rather than
// linked: where this Qt does not use fontconfig there is nothing to warm.
void LoadFontConfiguration() {
#ifdef __linux__
  using InitFunction = int (*)();
  if (auto init = reinterpret_cast<InitFunction>(dlsym(RTLD_DEFAULT, "FcInit"))) init();
#endif
}

// The first picture read scans Qt's reader plugins (some 3 ms) and loads the
// PNG and JPEG readers; the scan is shared by every thread, so it is done here.
void LoadPictureReaders() {
  QImageReader::supportedImageFormats();
  QImage(QStringLiteral(":/images/icon16.png"));
  QImage(QStringLiteral(":/images/emblem.jpg"));
}

// Measuring a text finds the window's face among the families, matches it
// through fontconfig and works out the fallbacks for its scripts; Qt keeps all
// that for every thread, only the loaded face is this thread's own. The text
// is Cyrillic and Latin, as the window's are.
void MatchWindowFont() {
  const ui::layout::Font& font = ui::layout::kMainForm.font;
  QFontMetrics(WindowFont(font.family, font.pixelHeight)).horizontalAdvance(QString::fromUtf8("Порт COM1"));
}

}  // namespace

EarlyStart::EarlyStart() : fonts_(fontsPromise_.get_future()), carried_(carriedPromise_.get_future()) {
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (const std::system_error&) {
    // No second thread: Qt does all this itself as it goes.
    fontsPromise_.set_value();
    carriedPromise_.set_value(std::nullopt);
  }
}

EarlyStart::~EarlyStart() { Finish(); }

void EarlyStart::Finish() {
  GiveUpWaiting();
  if (thread_.joinable()) thread_.join();
}

// In the order the main thread needs them: the fonts for its first text, the
// carried firmware for FormCreate, then the picture readers, which the main
// thread looks up itself if it gets there first.
void EarlyStart::Run() {
  LoadFontConfiguration();
  fontsPromise_.set_value();
  bool started = false;
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return applicationStarted_ || givenUp_; });
    started = applicationStarted_;
  }
  if (started) MatchWindowFont();
  carriedPromise_.set_value(firmware::PrepareAhead(firmware::CarriedFirmwareText()));
  if (started) LoadPictureReaders();
}

void EarlyStart::ApplicationStarted() {
  std::lock_guard lock(mutex_);
  applicationStarted_ = true;
  changed_.notify_all();
}

void EarlyStart::GiveUpWaiting() {
  std::lock_guard lock(mutex_);
  givenUp_ = true;
  changed_.notify_all();
}

void EarlyStart::WaitForFonts() { fonts_.wait(); }

std::optional<firmware::PreparedFirmware> EarlyStart::TakeCarried() {
  GiveUpWaiting();
  return carried_.valid() ? carried_.get() : std::nullopt;
}

}  // namespace uiqt
