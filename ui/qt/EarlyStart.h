#pragma once
// Start-up work that needs neither the window nor the application object, done
// on a second thread from the first line of main() while Qt starts on the first:
// the font configuration is read and the image's 40 MB are faulted in.
#include <future>
#include <string>
#include <thread>

namespace uiqt {

class EarlyStart {
 public:
  EarlyStart();
  ~EarlyStart();
  EarlyStart(const EarlyStart&) = delete;
  EarlyStart& operator=(const EarlyStart&) = delete;

  // Returns once the font configuration is loaded. Call before anything lays
  // out text, so Qt does not load it a second time alongside.
  void WaitForFonts();
  // The image buffer (see firmware::ImageBuffer), or an empty string when it
  // could not be had; the build then reserves its own. Once only.
  std::string TakeImageBuffer();

 private:
  std::promise<void> fontsPromise_;
  std::promise<std::string> imagePromise_;
  std::future<void> fonts_;
  std::future<std::string> image_;
  std::thread thread_;
};

}  // namespace uiqt
