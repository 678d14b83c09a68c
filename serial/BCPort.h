#pragma once
// The serial port component: one platform serial port, its line settings, driver
// buffers and time-outs, string writes and reads, and its event thread.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "forms/Errors.h"
#include "forms/Synchronizer.h"

// <winspool.h> (through <windows.h>) maps SetPort to the printer call SetPortA
// or SetPortW: our property setter keeps its name.
#ifdef SetPort
#undef SetPort
#endif

namespace serial {

enum TBaudRate : std::uint8_t { br110, br300, br600, br1200, br2400, br4800, br9600, br14400, br19200, br38400, br56000, br57600, br115200, br128000, br256000 };
enum TByteSize : std::uint8_t { bs5, bs6, bs7, bs8 };
enum TParity : std::uint8_t { paNone, paOdd, paEven, paMark, paSpace };
enum TStopBits : std::uint8_t { sb1, sb1_5, sb2 };
enum TSyncMethod : std::uint8_t { smThreadSync, smWindowSync, smNone };
enum TComError : std::uint8_t { ceFrame, ceRxParity, ceOverrun, ceBreak, ceIO, ceMode, ceRxOver, ceTxFull };
enum TPortEvent : std::uint8_t { peRxChar, peTxEmpty, peRing, peCTS, peDSR, peRLSD, peError, peRx80Full };
enum TOperationKind : std::uint8_t { opWrite, opRead };

// A small set of enumeration members, one bit per ordinal.
template <typename E>
class EnumSet {
 public:
  constexpr EnumSet() = default;
  constexpr EnumSet(std::initializer_list<E> members) {
    for (E m : members) Include(m);
  }
  constexpr void Include(E m) { bits_ |= static_cast<std::uint8_t>(1u << m); }
  constexpr bool Contains(E m) const { return (bits_ >> m) & 1u; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr std::uint8_t Bits() const { return bits_; }
  constexpr bool operator==(const EnumSet&) const = default;

 private:
  std::uint8_t bits_ = 0;
};
using TComErrors = EnumSet<TComError>;
using TPortEvents = EnumSet<TPortEvent>;

// The platform mask of a set of line events, and back (only the eight bits).
std::uint32_t EventsToMask(TPortEvents events);
TPortEvents EventsFromMask(std::uint32_t mask);

// The speed table, indexed by the TBaudRate ordinal.
inline constexpr std::uint32_t kBaudRates[15] = {110,   300,   600,   1200,   2400,   4800,   9600,  14400,
                                                 19200, 38400, 56000, 57600, 115200, 128000, 256000};

// The speed selector's items: the speed table's rates as written, so that an
// item's index is its TBaudRate ordinal.
inline std::vector<std::string> BaudRateItems() {
  std::vector<std::string> items;
  for (std::uint32_t rate : kBaudRates) items.push_back(std::to_string(rate));
  return items;
}

class TBComPort;
class CommLayer;
class CommOperation;
class TComThread;

using TNotifyEvent = std::function<void(TBComPort& sender)>;
using TComSignalEvent = std::function<void(TBComPort& sender, bool state)>;
using TComErrorEvent = std::function<void(TBComPort& sender, TComErrors errors)>;
using TRxCharEvent = std::function<void(TBComPort& sender, int count)>;

// One overlapped operation. A fresh record behaves like one whose completion
// event is already signalled: waiting on it returns 0 at once.
struct AsyncOperation {
  std::unique_ptr<CommOperation> Overlapped;  // the platform part, made by the start step
  TOperationKind OperationKind = opWrite;
  ~AsyncOperation();
};
using PAsync = AsyncOperation*;
void NewAsyncOperation(PAsync& op);
void FreeAsyncOperation(PAsync& op);

// The value NormalizeTimeout hands the platform: a negative value is all bits set.
std::uint32_t NormalizeTimeout(std::int32_t value);

// Every failure of the component: a fixed Ukrainian text, no code.
class EComPort : public forms::Exception {
 public:
  using forms::Exception::Exception;
};

// The five time-outs in ms, in the order of the platform's time-out block. A
// negative value means "no limit" (all bits set on the platform).
class TComTimeouts {
 public:
  TComTimeouts() = default;
  // A copy holds the values only: it is bound to no port.
  TComTimeouts(const TComTimeouts& other) { other.AssignTo(*this); }
  TComTimeouts& operator=(const TComTimeouts& other) {
    other.AssignTo(*this);
    return *this;
  }
  std::int32_t ReadInterval() const { return values_[0]; }
  std::int32_t ReadTotalMultiplier() const { return values_[1]; }
  std::int32_t ReadTotalConstant() const { return values_[2]; }
  std::int32_t WriteTotalMultiplier() const { return values_[3]; }
  std::int32_t WriteTotalConstant() const { return values_[4]; }
  void SetReadInterval(std::int32_t v) { Set(0, v); }
  void SetReadTotalMultiplier(std::int32_t v) { Set(1, v); }
  void SetReadTotalConstant(std::int32_t v) { Set(2, v); }
  void SetWriteTotalMultiplier(std::int32_t v) { Set(3, v); }
  void SetWriteTotalConstant(std::int32_t v) { Set(4, v); }
  void AssignTo(TComTimeouts& target) const;

 private:
  friend class TBComPort;
  void BindPort(TBComPort* port) { port_ = port; }
  void Set(int index, std::int32_t value);
  TBComPort* port_ = nullptr;
  std::int32_t values_[5] = {-1, 0, 0, 100, 1000};
};

// The public face of the component as the program uses it. The implementation
// (serial/BCPort.cpp and the comm layer below it) may add private members.
class TBComPort {
 public:
  TBComPort();
  // With a comm layer of the caller's (the tests record what reaches the platform).
  explicit TBComPort(std::unique_ptr<CommLayer> layer);
  ~TBComPort();
  TBComPort(const TBComPort&) = delete;
  TBComPort& operator=(const TBComPort&) = delete;

  bool Open();
  bool Close();
  bool IsOpen() const;
  int WriteStr(const std::string& str);
  int ReadStr(std::string& str, int count);
  void SetDTR(bool state);
  void SetRTS(bool state);

  const std::string& Port() const;
  void SetPort(const std::string& port);
  TBaudRate BaudRate() const;
  void SetBaudRate(TBaudRate rate);
  TByteSize ByteSize() const;
  void SetByteSize(TByteSize size);
  TParity Parity() const;
  void SetParity(TParity parity);
  TStopBits StopBits() const;
  void SetStopBits(TStopBits bits);
  TSyncMethod SyncMethod() const;
  void SetSyncMethod(TSyncMethod method);
  std::int32_t InBufSize() const;
  void SetInBufSize(std::int32_t size);
  std::int32_t OutBufSize() const;
  void SetOutBufSize(std::int32_t size);
  TComTimeouts& Timeouts();
  void SetTimeouts(const TComTimeouts& timeouts);

  // The operation record's start and wait steps.
  int StartWrite(const void* buffer, int count, PAsync op);
  int StartWriteString(const std::string& str, PAsync op);
  int StartRead(void* buffer, int count, PAsync op);
  int StartReadString(std::string& str, int count, PAsync op);
  int WaitForCompletion(PAsync op);

  // Bytes in the driver's input queue; clears the driver's error state.
  int BytesWaiting();
  // Modem input lines: bit 0 CTS, bit 1 DSR, bit 2 ring, bit 3 RLSD.
  std::uint8_t LineSignals();

  // The firing routines of the event thread's delivery.
  void DoRxChar();
  void DoTxEmpty();
  void DoRing();
  void DoCTSChange();
  void DoDSRChange();
  void DoRLSDChange();
  void DoError();
  void DoRx80Full();
  // smWindowSync's message handler, on the main thread (message 1025).
  void NotifyWindowProc(std::uint32_t message, std::uint32_t wParam, std::uint32_t lParam);

  TPortEvents MonitoredEvents() const;
  // How often the event thread's wait woke up since the port was created.
  std::uint64_t EventThreadWakeups() const;
  CommLayer& Layer();
  // The world whose main thread receives this port's hand-offs: the one of the
  // thread that made the port.
  forms::Synchronizer& Hand() const;

  TComSignalEvent OnCTSChange;
  TComSignalEvent OnDSRChange;
  TComErrorEvent OnError;
  TNotifyEvent OnRing;
  TComSignalEvent OnRLSDChange;
  TNotifyEvent OnRx80Full;
  TRxCharEvent OnRxChar;
  TNotifyEvent OnTxEmpty;

 private:
  friend class TComTimeouts;
  friend class TComThread;
  void PushBufferSizes();
  void PushLineSettings();
  void PushTimeouts();
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// PortEventMessage: sent to the notify window under smWindowSync.
inline constexpr std::uint32_t PortEventMessage = 1025;

// BComPort1's stored values on the main window (they replace the defaults).
void ApplyMainWindowSettings(TBComPort& port);

}  // namespace serial
