#include "ui/qt/EarlyStart.h"

#include <exception>

#ifdef __linux__
#include <dlfcn.h>
#endif

#include "firmware/Firmware.h"

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

}  // namespace

EarlyStart::EarlyStart() : fonts_(fontsPromise_.get_future()), image_(imagePromise_.get_future()) {
  try {
    thread_ = std::thread([this] {
      LoadFontConfiguration();
      fontsPromise_.set_value();
      std::string image;
      try {
        image = firmware::ImageBuffer();
      } catch (const std::exception&) {
        // The build will ask again and report it where the user sees it.
      }
      imagePromise_.set_value(std::move(image));
    });
  } catch (const std::system_error&) {
    // No second thread: Qt loads the fonts itself, the build reserves the image.
    fontsPromise_.set_value();
    imagePromise_.set_value(std::string());
  }
}

EarlyStart::~EarlyStart() {
  if (thread_.joinable()) thread_.join();
}

void EarlyStart::WaitForFonts() { fonts_.wait(); }

std::string EarlyStart::TakeImageBuffer() { return image_.valid() ? image_.get() : std::string(); }

}  // namespace uiqt
