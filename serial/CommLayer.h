#pragma once
// The small platform layer under TBComPort. It speaks in the Windows comm API's
// own terms (DCB, time-out block, purge flags, error and modem bits), so the
// component above is written once; serial/posix and serial/win32 give the same
// results on their systems.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace serial {

// The device control block as SetCommState takes it (28 bytes on the platform).
struct Dcb {
  std::uint32_t DCBlength = 0;
  std::uint32_t BaudRate = 0;
  std::uint32_t Flags = 0;  // fBinary bit 0, fParity bit 1, fDtrControl bits 4-5, fRtsControl bits 12-13, ...
  std::uint16_t wReserved = 0;
  std::uint16_t XonLim = 0;
  std::uint16_t XoffLim = 0;
  std::uint8_t ByteSize = 0;
  std::uint8_t Parity = 0;
  std::uint8_t StopBits = 0;
  char XonChar = 0;
  char XoffChar = 0;
  char ErrorChar = 0;
  char EofChar = 0;
  char EvtChar = 0;
  std::uint16_t wReserved1 = 0;
};

inline constexpr std::uint32_t kDcbBinary = 0x0001;
inline constexpr std::uint32_t kDcbParity = 0x0002;
inline constexpr std::uint32_t kDcbDtrControlEnable = 0x0010;
inline constexpr std::uint32_t kDcbRtsControlEnable = 0x1000;

// The time-out block; all bits set (0xFFFFFFFF) is the platform's "maximum".
struct CommTimeoutsBlock {
  std::uint32_t ReadIntervalTimeout = 0;
  std::uint32_t ReadTotalTimeoutMultiplier = 0;
  std::uint32_t ReadTotalTimeoutConstant = 0;
  std::uint32_t WriteTotalTimeoutMultiplier = 0;
  std::uint32_t WriteTotalTimeoutConstant = 0;
};
inline constexpr std::uint32_t kMaxDword = 0xFFFFFFFFu;

// Where <windows.h> came first its macros, of the same values, stand in.
#ifndef PURGE_TXABORT
inline constexpr std::uint32_t PURGE_TXABORT = 1, PURGE_RXABORT = 2, PURGE_TXCLEAR = 4, PURGE_RXCLEAR = 8;
inline constexpr std::uint32_t SETRTS = 3, CLRRTS = 4, SETDTR = 5, CLRDTR = 6;
inline constexpr std::uint32_t EV_RXCHAR = 1, EV_TXEMPTY = 4, EV_CTS = 8, EV_DSR = 16, EV_RLSD = 32, EV_ERR = 128,
                               EV_RING = 256, EV_RX80FULL = 1024;
inline constexpr std::uint32_t CE_RXOVER = 1, CE_OVERRUN = 2, CE_RXPARITY = 4, CE_FRAME = 8, CE_BREAK = 16,
                               CE_TXFULL = 256, CE_IOE = 1024, CE_MODE = 32768;
inline constexpr std::uint32_t MS_CTS_ON = 16, MS_DSR_ON = 32, MS_RING_ON = 64, MS_RLSD_ON = 128;
#endif

// The platform part of one overlapped operation: created by a start step, ended
// by the wait.
class CommOperation {
 public:
  virtual ~CommOperation() = default;
};

// The stop signal of the event thread's wait.
class StopSignal {
 public:
  virtual ~StopSignal() = default;
  virtual void Signal() = 0;
};

class CommLayer {
 public:
  enum class OpenResult { Ok, NotFound, Busy, AccessDenied, Other };
  enum class StartResult { Done, Pending, Failed };
  enum class EventWaitResult { Stopped, Events, Failed };

  virtual ~CommLayer() = default;

  // Opens the named port exclusively. Other: the handle stays invalid and the
  // first push step fails, as on the original platform.
  virtual OpenResult OpenDevice(const std::string& port) = 0;
  virtual bool HasDevice() const = 0;
  virtual void CloseDevice() = 0;

  virtual bool SetupComm(std::int32_t inSize, std::int32_t outSize) = 0;
  virtual bool SetCommState(const Dcb& dcb) = 0;
  virtual bool SetCommTimeouts(const CommTimeoutsBlock& block) = 0;
  virtual bool PurgeComm(std::uint32_t flags) = 0;
  virtual bool ClearCommError(std::uint32_t& errors, std::uint32_t& inQueue) = 0;
  virtual bool GetCommModemStatus(std::uint32_t& status) = 0;
  virtual bool EscapeCommFunction(std::uint32_t function) = 0;

  // Overlapped I/O: start (the buffer must live until the wait), then wait
  // without a limit of its own; only the port's time-outs bound it.
  virtual StartResult StartWrite(std::unique_ptr<CommOperation>& op, const void* buffer, std::uint32_t count,
                                 std::uint32_t& done) = 0;
  virtual StartResult StartRead(std::unique_ptr<CommOperation>& op, void* buffer, std::uint32_t count,
                                std::uint32_t& done) = 0;
  virtual bool WaitOperation(CommOperation& op, std::uint32_t& transferred) = 0;

  // The event thread's side.
  virtual bool SetCommMask(std::uint32_t mask) = 0;
  virtual std::unique_ptr<StopSignal> CreateStopSignal() = 0;
  // Waits until a watched line event or the stop signal; mask gets the events.
  virtual EventWaitResult WaitCommEvent(StopSignal& stop, std::uint32_t& mask) = 0;

  // How often the event wait woke up (each return of the system's wait).
  std::uint64_t Wakeups() const { return wakeups_.load(); }

 protected:
  std::atomic<std::uint64_t> wakeups_{0};
};

// The layer of the system the program is built for.
std::unique_ptr<CommLayer> CreatePlatformCommLayer();

}  // namespace serial
