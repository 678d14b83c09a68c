#pragma once
// The port's event thread: waits for line events and hands them to the port by
// its SyncMethod.
#include <atomic>
#include <memory>
#include <thread>

#include "serial/BCPort.h"
#include "serial/CommLayer.h"

namespace serial {

class TComThread {
 public:
  // Creates the stop signal, sets the event mask and starts waiting.
  explicit TComThread(TBComPort& port);
  // Signals the stop and waits for the body to end, serving hand-offs meanwhile.
  ~TComThread();
  TComThread(const TComThread&) = delete;
  TComThread& operator=(const TComThread&) = delete;

  void SignalStop();
  void DeliverEvents();
  void SendEventsToWindow();

  TBComPort& OwnerPort;
  TPortEvents PendingEvents;

 private:
  void Execute();
  std::unique_ptr<StopSignal> StopEvent;
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

}  // namespace serial
