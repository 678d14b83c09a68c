#pragma once
// The program's sounds on Linux: MessageBeep's four kinds as the desktop sound
// theme's events, Beep as a real tone of its pitch. Without a sound device or
// server both are silent and raise nothing.
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace uiqt {

// Neither copied nor moved: its thread and lock say so.
class Sounds {
 public:
  Sounds();
  ~Sounds();

  // The sound theme's event for a MessageBeep value; other values ring the bell.
  static const char* EventId(unsigned type);

  // Starts the theme's sound and returns; the sounds play in order, on a
  // thread of their own, so the first one's connection to the sound server
  // never holds up the window.
  void PlayEvent(unsigned type);

  // Plays a sine tone and returns when its time is over, as long as the tone
  // lasts even when it cannot be heard.
  void PlayTone(unsigned frequencyHz, unsigned durationMs);

  // Waits until the events asked for so far have been handed to the server.
  void Flush();

 private:
  void Run();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::deque<unsigned> queue_;
  bool busy_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace uiqt
