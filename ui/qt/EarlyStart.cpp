#include "ui/qt/EarlyStart.h"

#include <QFontMetrics>
#include <QImage>
#include <QImageReader>
#include <exception>

#ifdef __linux__
#include <dlfcn.h>
#endif

#include "firmware/Firmware.h"
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

// Measuring a text finds the window's face among the families and matches it
// through fontconfig; Qt keeps that for every thread, only the loaded face is
// this thread's own. Saves the window about a third of its first text layout.
void MatchWindowFont() { QFontMetrics(WindowFont(11)).horizontalAdvance(QStringLiteral("0")); }

}  // namespace

EarlyStart::EarlyStart() : fonts_(fontsPromise_.get_future()), image_(imagePromise_.get_future()) {
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (const std::system_error&) {
    // No second thread: Qt does all this itself as it goes.
    fontsPromise_.set_value();
    imagePromise_.set_value(std::string());
  }
}

EarlyStart::~EarlyStart() {
  GiveUpWaiting();
  if (thread_.joinable()) thread_.join();
}

void EarlyStart::Run() {
  LoadFontConfiguration();
  fontsPromise_.set_value();
  bool started = false;
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return applicationStarted_ || givenUp_; });
    started = applicationStarted_;
  }
  if (started) {
    MatchWindowFont();
    LoadPictureReaders();
  }
  std::string image;
  try {
    image = firmware::ImageBuffer();
  } catch (const std::exception&) {
    // The build will ask again and report it where the user sees it.
  }
  imagePromise_.set_value(std::move(image));
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

std::string EarlyStart::TakeImageBuffer() {
  GiveUpWaiting();
  return image_.valid() ? image_.get() : std::string();
}

}  // namespace uiqt
