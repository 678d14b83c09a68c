#pragma once
// Start-up work that needs no window, done on a second thread from the first
// line of main() while Qt starts on the first: the font configuration is read,
// the picture readers are looked up, and the image's 40 MB are faulted in.
#include <condition_variable>
#include <future>
#include <mutex>
#include <string>
#include <thread>

namespace uiqt {

class EarlyStart {
 public:
  EarlyStart();
  ~EarlyStart();
  EarlyStart(const EarlyStart&) = delete;
  EarlyStart& operator=(const EarlyStart&) = delete;

  // The application object exists: Qt's picture readers can be looked up.
  void ApplicationStarted();
  // Returns once the font configuration is loaded. Call before anything lays
  // out text, so Qt does not load it a second time alongside.
  void WaitForFonts();
  // The image buffer (see firmware::ImageBuffer), or an empty string when it
  // could not be had; the build then reserves its own. Once only.
  std::string TakeImageBuffer();

 private:
  void Run();
  // Lets the thread go on without the application object.
  void GiveUpWaiting();

  std::promise<void> fontsPromise_;
  std::promise<std::string> imagePromise_;
  std::future<void> fonts_;
  std::future<std::string> image_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool applicationStarted_ = false;
  bool givenUp_ = false;
  std::thread thread_;
};

}  // namespace uiqt
