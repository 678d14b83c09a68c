// The comm layer on Windows: the comm API itself, overlapped.
#include <windows.h>
#include <mmsystem.h>

#include "serial/CommLayer.h"
#include "serial/WireTime.h"

namespace serial {

namespace {

// Wine, and some drivers, end a read or write that ran into its time-outs with
// ERROR_TIMEOUT; Windows' own ports complete it with the bytes that came. Both
// are the same normal end.
bool TimedOut() { return GetLastError() == ERROR_TIMEOUT; }

// A port without modem lines (virtual and many USB ports) has no DTR or RTS to
// switch, which is no failure: else every Close would fail for ever.
bool NoSuchLine(DWORD error) { return error == ERROR_NOT_SUPPORTED; }
// The device has gone (a USB adapter pulled, wine's pseudo-terminal hung up):
// nothing is left to switch or clear, and Close must still be able to finish.
bool DeviceGone(DWORD error) {
  switch (error) {
    case ERROR_NOT_READY:
    case ERROR_BAD_COMMAND:
    case ERROR_GEN_FAILURE:
    case ERROR_OPERATION_ABORTED:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
      return true;
    default:
      return false;
  }
}

struct Win32Operation : CommOperation {
  OVERLAPPED ov{};
  // Ended at its start by the time-outs: the wait has nothing to wait for.
  bool timedOutAtStart = false;
  Win32Operation() { ov.hEvent = CreateEventA(nullptr, TRUE, TRUE, nullptr); }
  ~Win32Operation() override {
    if (ov.hEvent) CloseHandle(ov.hEvent);
  }
};

class EventSignal : public StopSignal {
 public:
  EventSignal() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~EventSignal() override {
    if (event_) CloseHandle(event_);
  }
  void Signal() override { SetEvent(event_); }
  HANDLE handle() const { return event_; }

 private:
  HANDLE event_;
};

class Win32CommLayer : public CommLayer {
 public:
  ~Win32CommLayer() override { CloseDevice(); }

  OpenResult OpenDevice(const std::string& port) override {
    CloseDevice();
    const std::string path = "\\\\.\\" + port;
    handle_ = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                          FILE_FLAG_OVERLAPPED, nullptr);
    if (handle_ != INVALID_HANDLE_VALUE) {
      // The pauses of the transfer (Sleep of 1 to 3 ms) and the 1 ms read
      // time-outs mean milliseconds only while the system timer runs at 1 ms.
      timerRaised_ = timeBeginPeriod(1) == TIMERR_NOERROR;
      return OpenResult::Ok;
    }
    switch (GetLastError()) {
      case ERROR_FILE_NOT_FOUND: return OpenResult::NotFound;
      case ERROR_ACCESS_DENIED: return OpenResult::Busy;
      default: return OpenResult::Other;  // the first push step reports it
    }
  }
  bool HasDevice() const override { return handle_ != INVALID_HANDLE_VALUE; }
  void CloseDevice() override {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    if (timerRaised_) timeEndPeriod(1);
    timerRaised_ = false;
    timeoutsSet_ = false;
  }

  bool SetupComm(std::int32_t in, std::int32_t out) override {
    return ::SetupComm(handle_, static_cast<DWORD>(in), static_cast<DWORD>(out)) != 0;
  }

  bool SetCommState(const Dcb& d) override {
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = d.BaudRate;
    dcb.fBinary = (d.Flags & kDcbBinary) ? 1 : 0;
    dcb.fParity = (d.Flags & kDcbParity) ? 1 : 0;
    dcb.fDtrControl = (d.Flags & kDcbDtrControlEnable) ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    dcb.fRtsControl = (d.Flags & kDcbRtsControlEnable) ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
    dcb.XonLim = d.XonLim;
    dcb.XoffLim = d.XoffLim;
    dcb.ByteSize = d.ByteSize;
    dcb.Parity = d.Parity;
    dcb.StopBits = d.StopBits;
    dcb.XonChar = d.XonChar;
    dcb.XoffChar = d.XoffChar;
    dcb.ErrorChar = d.ErrorChar;
    dcb.EofChar = d.EofChar;
    dcb.EvtChar = d.EvtChar;
    if (!::SetCommState(handle_, &dcb)) return false;
    // A new rate changes the wire time a write needs.
    state_ = d;
    return !timeoutsSet_ || PushTimeouts();
  }

  bool SetCommTimeouts(const CommTimeoutsBlock& b) override {
    timeouts_ = b;
    timeoutsSet_ = true;
    return PushTimeouts();
  }

  bool PurgeComm(std::uint32_t flags) override { return ::PurgeComm(handle_, flags) || DeviceGone(GetLastError()); }

  bool ClearCommError(std::uint32_t& errors, std::uint32_t& inQueue) override {
    DWORD e = 0;
    COMSTAT status{};
    if (!::ClearCommError(handle_, &e, &status)) return false;
    errors = e;
    inQueue = status.cbInQue;
    return true;
  }

  bool GetCommModemStatus(std::uint32_t& status) override {
    DWORD s = 0;
    if (!::GetCommModemStatus(handle_, &s)) return false;
    status = s;
    return true;
  }

  bool EscapeCommFunction(std::uint32_t function) override {
    if (::EscapeCommFunction(handle_, function)) return true;
    return NoSuchLine(GetLastError()) || DeviceGone(GetLastError());
  }

  StartResult StartWrite(std::unique_ptr<CommOperation>& op, const void* buffer, std::uint32_t count,
                         std::uint32_t& done) override {
    return Start(op, done, [&](DWORD* n, OVERLAPPED* ov) { return WriteFile(handle_, buffer, count, n, ov); });
  }

  StartResult StartRead(std::unique_ptr<CommOperation>& op, void* buffer, std::uint32_t count,
                        std::uint32_t& done) override {
    return Start(op, done, [&](DWORD* n, OVERLAPPED* ov) { return ReadFile(handle_, buffer, count, n, ov); });
  }

  bool WaitOperation(CommOperation& base, std::uint32_t& transferred) override {
    auto& op = static_cast<Win32Operation&>(base);
    if (op.timedOutAtStart) {
      transferred = 0;
      return true;
    }
    if (WaitForSingleObject(op.ov.hEvent, INFINITE) != WAIT_OBJECT_0) return false;
    DWORD n = 0;
    if (!GetOverlappedResult(handle_, &op.ov, &n, FALSE) && !TimedOut()) return false;
    transferred = n;
    return true;
  }

  bool SetCommMask(std::uint32_t mask) override { return ::SetCommMask(handle_, mask) != 0; }

  std::unique_ptr<StopSignal> CreateStopSignal() override { return std::make_unique<EventSignal>(); }

  EventWaitResult WaitCommEvent(StopSignal& stopBase, std::uint32_t& mask) override {
    auto& stop = static_cast<EventSignal&>(stopBase);
    Win32Operation op;
    for (;;) {
      DWORD events = 0;
      ResetEvent(op.ov.hEvent);
      ::WaitCommEvent(handle_, &events, &op.ov);  // result not checked, as the thread's loop says
      HANDLE list[2] = {stop.handle(), op.ov.hEvent};
      DWORD r = WaitForMultipleObjects(2, list, FALSE, INFINITE);
      wakeups_.fetch_add(1);
      if (r != WAIT_OBJECT_0 + 1) {
        // Leave no wait pending on the handle, whose block goes out of scope.
        ::SetCommMask(handle_, 0);
        DWORD ignored = 0;
        GetOverlappedResult(handle_, &op.ov, &ignored, TRUE);
        return r == WAIT_OBJECT_0 ? EventWaitResult::Stopped : EventWaitResult::Failed;
      }
      DWORD count = 0;
      if (GetOverlappedResult(handle_, &op.ov, &count, FALSE)) {
        mask = events;
        return EventWaitResult::Events;
      }
      // A failed result only skips this round.
    }
  }

 private:
  // A write is never cut short before its bytes can have left at the set rate:
  // the stored 1 ms a character is less than a character takes below 9600 baud.
  bool PushTimeouts() {
    const CommTimeoutsBlock b = WireSafeTimeouts(timeouts_, state_);
    COMMTIMEOUTS t{b.ReadIntervalTimeout, b.ReadTotalTimeoutMultiplier, b.ReadTotalTimeoutConstant,
                   b.WriteTotalTimeoutMultiplier, b.WriteTotalTimeoutConstant};
    return ::SetCommTimeouts(handle_, &t) != 0;
  }

  template <typename Call>
  static StartResult Start(std::unique_ptr<CommOperation>& op, std::uint32_t& done, Call call) {
    auto p = std::make_unique<Win32Operation>();
    DWORD n = 0;
    BOOL ok = call(&n, &p->ov);
    DWORD err = ok ? 0 : GetLastError();
    if (err == ERROR_TIMEOUT) {
      ok = TRUE;
      p->timedOutAtStart = true;
    }
    op = std::move(p);
    done = n;
    if (ok) return StartResult::Done;
    return err == ERROR_IO_PENDING ? StartResult::Pending : StartResult::Failed;
  }

  HANDLE handle_ = INVALID_HANDLE_VALUE;
  bool timerRaised_ = false;
  Dcb state_;
  CommTimeoutsBlock timeouts_;
  bool timeoutsSet_ = false;
};

}  // namespace

std::unique_ptr<CommLayer> CreatePlatformCommLayer() { return std::make_unique<Win32CommLayer>(); }

}  // namespace serial
