#pragma once
// The serial port component: one platform serial port, its line settings, driver
// buffers and time-outs, string writes and reads, and its event thread.
#include <cstdint>
#include <memory>
#include <string>

#include "forms/Errors.h"

namespace serial {

enum TBaudRate : std::uint8_t { br110, br300, br600, br1200, br2400, br4800, br9600, br14400, br19200, br38400, br56000, br57600, br115200, br128000, br256000 };
enum TByteSize : std::uint8_t { bs5, bs6, bs7, bs8 };
enum TParity : std::uint8_t { paNone, paOdd, paEven, paMark, paSpace };
enum TStopBits : std::uint8_t { sb1, sb1_5, sb2 };
enum TSyncMethod : std::uint8_t { smThreadSync, smWindowSync, smNone };

// Every failure of the component: a fixed Ukrainian text, no code.
class EComPort : public forms::Exception {
 public:
  using forms::Exception::Exception;
};

// The five time-outs in ms, in the order of the platform's time-out block. A
// negative value means "no limit" (all bits set on the platform).
class TComTimeouts {
 public:
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

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// BComPort1's stored values on the main window (they replace the defaults).
void ApplyMainWindowSettings(TBComPort& port);

}  // namespace serial
