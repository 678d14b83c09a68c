#include "serial/ComThread.h"

#include "forms/Synchronizer.h"

namespace serial {

TComThread::TComThread(TBComPort& port) : OwnerPort(port) {
  auto& layer = port.Layer();
  StopEvent = layer.CreateStopSignal();
  layer.SetCommMask(EventsToMask(port.MonitoredEvents()));
  thread_ = std::thread([this] { Execute(); });
}

TComThread::~TComThread() {
  SignalStop();
  // The body may be waiting for the main thread to deliver; keep serving until
  // it has ended, or the two would wait for each other.
  auto& sync = OwnerPort.Hand();
  while (!finished_.load()) sync.CheckSynchronize(20);
  thread_.join();
}

void TComThread::SignalStop() {
  StopEvent->Signal();
  std::this_thread::yield();
}

void TComThread::Execute() {
  auto& layer = OwnerPort.Layer();
  try {
    for (;;) {
      std::uint32_t mask = 0;
      auto r = layer.WaitCommEvent(*StopEvent, mask);
      if (r != CommLayer::EventWaitResult::Events) break;
      PendingEvents = EventsFromMask(mask);
      if (PendingEvents.Empty()) continue;
      switch (OwnerPort.SyncMethod()) {
        case smThreadSync: OwnerPort.Hand().Synchronize([this] { DeliverEvents(); }); break;
        case smWindowSync: SendEventsToWindow(); break;
        case smNone: DeliverEvents(); break;
      }
    }
    // Stopped, or the wait failed: the port is left without events and with
    // empty buffers.
    layer.SetCommMask(0);
    layer.PurgeComm(PURGE_TXCLEAR | PURGE_RXCLEAR);
  } catch (...) {
    // A failed delivery ends the thread quietly and leaves the open port as it
    // is: a reply already queued is still there for the next read.
  }
  finished_.store(true);
  OwnerPort.Hand().Signal();
}

void TComThread::DeliverEvents() {
  const auto e = PendingEvents;
  if (e.Contains(peError)) OwnerPort.DoError();
  if (e.Contains(peRxChar)) OwnerPort.DoRxChar();
  if (e.Contains(peTxEmpty)) OwnerPort.DoTxEmpty();
  if (e.Contains(peRing)) OwnerPort.DoRing();
  if (e.Contains(peCTS)) OwnerPort.DoCTSChange();
  if (e.Contains(peDSR)) OwnerPort.DoDSRChange();
  if (e.Contains(peRLSD)) OwnerPort.DoRLSDChange();
  if (e.Contains(peRx80Full)) OwnerPort.DoRx80Full();
}

void TComThread::SendEventsToWindow() {
  // Each hand-off returns at once, as the window's ReplyMessage releases the
  // sender; the main thread dispatches later, in the same order.
  static constexpr std::pair<TPortEvent, std::uint32_t> kOrder[] = {
      {peError, EV_ERR}, {peRxChar, EV_RXCHAR}, {peTxEmpty, EV_TXEMPTY}, {peRing, EV_RING},
      {peCTS, EV_CTS},   {peDSR, EV_DSR},       {peRLSD, EV_RLSD},       {peRx80Full, EV_RX80FULL}};
  auto& sync = OwnerPort.Hand();
  TBComPort* port = &OwnerPort;
  for (auto [member, bit] : kOrder)
    if (PendingEvents.Contains(member))
      sync.Queue(port, [port, bit = bit] { port->NotifyWindowProc(PortEventMessage, bit, 0); });
}

}  // namespace serial
