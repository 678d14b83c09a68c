#pragma once
// Start-up work that needs no window, done on a second thread from the first
// line of main() while Qt starts on the first: the font configuration is read,
// the carried firmware is checked and its image built, the picture readers are
// looked up.
#include <condition_variable>
#include <future>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "firmware/Firmware.h"

namespace uiqt {

// Neither copied nor moved: its thread and lock say so.
class EarlyStart {
 public:
  EarlyStart();
  ~EarlyStart();

  // The application object exists: Qt's picture readers can be looked up.
  void ApplicationStarted();
  // Returns once the font configuration is loaded. Call before anything lays
  // out text, so Qt does not load it a second time alongside.
  void WaitForFonts();
  // The carried firmware prepared ahead (see firmware::PrepareAhead); empty
  // when it could not be, and the start-up then does it all. Once only.
  std::optional<firmware::PreparedFirmware> TakeCarried();
  // Waits for the thread to end. Call before the application object goes: the
  // thread may still be using Qt.
  void Finish();

 private:
  void Run();
  // Lets the thread go on without the application object.
  void GiveUpWaiting();

  std::promise<void> fontsPromise_;
  std::promise<std::optional<firmware::PreparedFirmware>> carriedPromise_;
  std::future<void> fonts_;
  std::future<std::optional<firmware::PreparedFirmware>> carried_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool applicationStarted_ = false;
  bool givenUp_ = false;
  std::thread thread_;
};

}  // namespace uiqt
