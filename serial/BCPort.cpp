#include "serial/BCPort.h"

#include <cstring>

#include "forms/Synchronizer.h"
#include "serial/ComThread.h"
#include "serial/CommLayer.h"
#include "serial/Messages.h"

namespace serial {

namespace {
[[noreturn]] void Fail(const char* message) { throw EComPort(message); }

constexpr std::int32_t EvenSize(std::int32_t size) { return (size > 0 && size % 2 != 0) ? size - 1 : size; }
}  // namespace

std::uint32_t NormalizeTimeout(std::int32_t value) {
  return value < 0 ? kMaxDword : static_cast<std::uint32_t>(value);
}

namespace {
constexpr std::uint32_t kEventMasks[8] = {EV_RXCHAR, EV_TXEMPTY, EV_RING, EV_CTS, EV_DSR, EV_RLSD, EV_ERR, EV_RX80FULL};
}

std::uint32_t EventsToMask(TPortEvents events) {
  std::uint32_t mask = 0;
  for (int i = 0; i < 8; ++i)
    if (events.Contains(static_cast<TPortEvent>(i))) mask |= kEventMasks[i];
  return mask;
}

TPortEvents EventsFromMask(std::uint32_t mask) {
  TPortEvents events;
  for (int i = 0; i < 8; ++i)
    if (mask & kEventMasks[i]) events.Include(static_cast<TPortEvent>(i));
  return events;
}

// --- operation record ---

AsyncOperation::~AsyncOperation() = default;

void NewAsyncOperation(PAsync& op) { op = new AsyncOperation(); }

void FreeAsyncOperation(PAsync& op) {
  delete op;
  op = nullptr;
}

namespace {
// WriteStr and ReadStr release their record on every way out.
struct AsyncScope {
  PAsync op = nullptr;
  AsyncScope() { NewAsyncOperation(op); }
  ~AsyncScope() { FreeAsyncOperation(op); }
};
}  // namespace

// --- time-outs ---

void TComTimeouts::AssignTo(TComTimeouts& target) const {
  for (int i = 0; i < 5; ++i) target.values_[i] = values_[i];
}

void TComTimeouts::Set(int index, std::int32_t value) {
  if (values_[index] == value) return;
  values_[index] = value;
  if (port_) port_->PushTimeouts();
}

// --- the component ---

struct TBComPort::Impl {
  std::unique_ptr<CommLayer> layer;
  TBaudRate baudRate = br9600;
  TByteSize byteSize = bs8;
  TParity parity = paNone;
  TStopBits stopBits = sb1;
  bool isOpen = false;
  TPortEvents monitored{peRxChar, peTxEmpty, peRing, peCTS, peDSR, peRLSD, peError, peRx80Full};
  std::unique_ptr<TComThread> eventThread;
  std::int32_t inBufSize = 2048;
  std::int32_t outBufSize = 2048;
  std::string port = "COM2";
  TSyncMethod syncMethod = smThreadSync;
  TComTimeouts timeouts;
  bool notifyWindow = false;  // smWindowSync's hand-offs are accepted
  forms::Synchronizer* hand = nullptr;
};

TBComPort::TBComPort() : TBComPort(CreatePlatformCommLayer()) {}

TBComPort::TBComPort(std::unique_ptr<CommLayer> layer) : impl_(std::make_unique<Impl>()) {
  impl_->layer = std::move(layer);
  impl_->timeouts.BindPort(this);
  // Pins the main thread to the one that makes the components, before any
  // event thread can ask first.
  impl_->hand = &forms::Synchronizer::Current();
}

TBComPort::~TBComPort() {
  try {
    Close();
  } catch (...) {
    // A destructor must not throw; force the rest of the close.
    impl_->eventThread.reset();
    impl_->hand->RemoveQueued(this);
    impl_->layer->CloseDevice();
    impl_->isOpen = false;
  }
  impl_->timeouts.BindPort(nullptr);
}

CommLayer& TBComPort::Layer() { return *impl_->layer; }
forms::Synchronizer& TBComPort::Hand() const { return *impl_->hand; }
bool TBComPort::IsOpen() const { return impl_->isOpen; }
TPortEvents TBComPort::MonitoredEvents() const { return impl_->monitored; }
std::uint64_t TBComPort::EventThreadWakeups() const { return impl_->layer->Wakeups(); }

bool TBComPort::Open() {
  if (impl_->isOpen) return true;
  auto& layer = *impl_->layer;
  switch (layer.OpenDevice(impl_->port)) {
    case CommLayer::OpenResult::NotFound: Fail(messages::kNoSuchPort);
    case CommLayer::OpenResult::Busy: Fail(messages::kPortBusy);
    case CommLayer::OpenResult::AccessDenied: Fail(messages::kAccessDenied);
    default: break;  // another failure shows at the first push
  }
  impl_->isOpen = true;
  try {
    PushBufferSizes();
    PushLineSettings();
    PushTimeouts();
    impl_->notifyWindow = impl_->syncMethod == smWindowSync;
    impl_->eventThread = std::make_unique<TComThread>(*this);
  } catch (...) {
    impl_->notifyWindow = false;
    layer.CloseDevice();
    impl_->isOpen = false;
    throw;
  }
  return impl_->isOpen;
}

bool TBComPort::Close() {
  if (!impl_->isOpen) return true;
  SetDTR(false);
  SetRTS(false);
  if (!impl_->layer->PurgeComm(PURGE_TXABORT | PURGE_RXABORT)) Fail(messages::kPurgeComm);
  impl_->eventThread.reset();
  if (impl_->notifyWindow) {
    impl_->hand->RemoveQueued(this);
    impl_->notifyWindow = false;
  }
  impl_->layer->CloseDevice();
  impl_->isOpen = false;
  return !impl_->isOpen;
}

void TBComPort::SetDTR(bool state) {
  if (!impl_->layer->EscapeCommFunction(state ? SETDTR : CLRDTR)) Fail(messages::kEscapeCommFunction);
}

void TBComPort::SetRTS(bool state) {
  if (!impl_->layer->EscapeCommFunction(state ? SETRTS : CLRRTS)) Fail(messages::kEscapeCommFunction);
}

void TBComPort::PushBufferSizes() {
  if (!impl_->isOpen) return;
  if (!impl_->layer->SetupComm(impl_->inBufSize, impl_->outBufSize)) Fail(messages::kSetupComm);
}

void TBComPort::PushLineSettings() {
  if (!impl_->isOpen) return;
  // An ordinal outside the tables (the speed selector's -1, say) has no entry to
  // build the block from: it is refused as the platform would refuse it.
  if (impl_->baudRate > br256000 || impl_->byteSize > bs8 || impl_->parity > paSpace || impl_->stopBits > sb2)
    Fail(messages::kSetCommState);
  Dcb dcb;
  dcb.DCBlength = 28;
  dcb.BaudRate = kBaudRates[impl_->baudRate];
  dcb.Flags = kDcbBinary | kDcbDtrControlEnable | kDcbRtsControlEnable;
  if (impl_->parity != paNone) dcb.Flags |= kDcbParity;
  dcb.ByteSize = static_cast<std::uint8_t>(5 + impl_->byteSize);
  dcb.Parity = impl_->parity;
  dcb.StopBits = impl_->stopBits;
  dcb.XonChar = 17;
  dcb.XoffChar = 19;
  if (!impl_->layer->SetCommState(dcb)) Fail(messages::kSetCommState);
}

void TBComPort::PushTimeouts() {
  if (!impl_->isOpen) return;
  const auto& t = impl_->timeouts;
  CommTimeoutsBlock block{NormalizeTimeout(t.ReadInterval()), NormalizeTimeout(t.ReadTotalMultiplier()),
                          NormalizeTimeout(t.ReadTotalConstant()), NormalizeTimeout(t.WriteTotalMultiplier()),
                          NormalizeTimeout(t.WriteTotalConstant())};
  if (!impl_->layer->SetCommTimeouts(block)) Fail(messages::kSetCommTimeouts);
}

// --- properties ---

const std::string& TBComPort::Port() const { return impl_->port; }
void TBComPort::SetPort(const std::string& port) {
  if (impl_->isOpen) Fail(messages::kPropertyWhileOpen);
  impl_->port = port;
}

TSyncMethod TBComPort::SyncMethod() const { return impl_->syncMethod; }
void TBComPort::SetSyncMethod(TSyncMethod method) {
  if (method == impl_->syncMethod) return;
  if (impl_->isOpen) Fail(messages::kPropertyWhileOpen);
  impl_->syncMethod = method;
}

TBaudRate TBComPort::BaudRate() const { return impl_->baudRate; }
void TBComPort::SetBaudRate(TBaudRate rate) {
  if (rate == impl_->baudRate) return;
  impl_->baudRate = rate;
  PushLineSettings();
}

TByteSize TBComPort::ByteSize() const { return impl_->byteSize; }
void TBComPort::SetByteSize(TByteSize size) {
  if (size == impl_->byteSize) return;
  impl_->byteSize = size;
  PushLineSettings();
}

TParity TBComPort::Parity() const { return impl_->parity; }
void TBComPort::SetParity(TParity parity) {
  if (parity == impl_->parity) return;
  impl_->parity = parity;
  PushLineSettings();
}

TStopBits TBComPort::StopBits() const { return impl_->stopBits; }
void TBComPort::SetStopBits(TStopBits bits) {
  if (bits == impl_->stopBits) return;
  impl_->stopBits = bits;
  PushLineSettings();
}

std::int32_t TBComPort::InBufSize() const { return impl_->inBufSize; }
void TBComPort::SetInBufSize(std::int32_t size) {
  size = EvenSize(size);
  if (size == impl_->inBufSize) return;
  impl_->inBufSize = size;
  PushBufferSizes();
}

std::int32_t TBComPort::OutBufSize() const { return impl_->outBufSize; }
void TBComPort::SetOutBufSize(std::int32_t size) {
  size = EvenSize(size);
  if (size == impl_->outBufSize) return;
  impl_->outBufSize = size;
  PushBufferSizes();
}

TComTimeouts& TBComPort::Timeouts() { return impl_->timeouts; }
void TBComPort::SetTimeouts(const TComTimeouts& timeouts) {
  timeouts.AssignTo(impl_->timeouts);
  PushTimeouts();
}

// --- start and wait steps ---

int TBComPort::StartWrite(const void* buffer, int count, PAsync op) {
  if (!op) Fail(messages::kBadAsync);
  op->OperationKind = opWrite;
  std::uint32_t done = 0;
  auto r = impl_->layer->StartWrite(op->Overlapped, buffer, static_cast<std::uint32_t>(count), done);
  if (r == CommLayer::StartResult::Failed) Fail(messages::kWriteError);
  return static_cast<int>(done);
}

int TBComPort::StartWriteString(const std::string& str, PAsync op) {
  if (str.empty()) return 0;
  return StartWrite(str.data(), static_cast<int>(str.size()), op);
}

int TBComPort::StartRead(void* buffer, int count, PAsync op) {
  if (!op) Fail(messages::kBadAsync);
  op->OperationKind = opRead;
  std::uint32_t done = 0;
  auto r = impl_->layer->StartRead(op->Overlapped, buffer, static_cast<std::uint32_t>(count), done);
  if (r == CommLayer::StartResult::Failed) Fail(messages::kReadError);
  return static_cast<int>(done);
}

int TBComPort::StartReadString(std::string& str, int count, PAsync op) {
  str.assign(count > 0 ? static_cast<std::size_t>(count) : 0, '\0');
  if (count <= 0) return 0;
  return StartRead(str.data(), count, op);
}

int TBComPort::WaitForCompletion(PAsync op) {
  if (!op) Fail(messages::kBadAsync);
  if (!op->Overlapped) return 0;  // nothing started: the event is already signalled
  std::uint32_t transferred = 0;
  if (!impl_->layer->WaitOperation(*op->Overlapped, transferred))
    Fail(op->OperationKind == opRead ? messages::kReadError : messages::kWriteError);
  return static_cast<int>(transferred);
}

int TBComPort::WriteStr(const std::string& str) {
  AsyncScope scope;
  StartWriteString(str, scope.op);
  return WaitForCompletion(scope.op);
}

int TBComPort::ReadStr(std::string& str, int count) {
  AsyncScope scope;
  StartReadString(str, count, scope.op);
  int n = WaitForCompletion(scope.op);
  str.resize(static_cast<std::size_t>(n));
  return n;
}

// --- driver queries and the firing routines ---

int TBComPort::BytesWaiting() {
  std::uint32_t errors = 0, inQueue = 0;
  if (!impl_->layer->ClearCommError(errors, inQueue)) Fail(messages::kClearCommError);
  return static_cast<int>(inQueue);
}

std::uint8_t TBComPort::LineSignals() {
  std::uint32_t status = 0;
  if (!impl_->layer->GetCommModemStatus(status)) Fail(messages::kGetCommModemStatus);
  std::uint8_t bits = 0;
  if (status & MS_CTS_ON) bits |= 1;
  if (status & MS_DSR_ON) bits |= 2;
  if (status & MS_RING_ON) bits |= 4;
  if (status & MS_RLSD_ON) bits |= 8;
  return bits;
}

void TBComPort::DoRxChar() {
  int n = BytesWaiting();
  if (n > 0 && OnRxChar) OnRxChar(*this, n);
}

void TBComPort::DoTxEmpty() {
  if (OnTxEmpty) OnTxEmpty(*this);
}

void TBComPort::DoRing() {
  if (OnRing) OnRing(*this);
}

void TBComPort::DoRx80Full() {
  if (OnRx80Full) OnRx80Full(*this);
}

void TBComPort::DoCTSChange() {
  if (OnCTSChange) OnCTSChange(*this, (LineSignals() & 1) != 0);
}

void TBComPort::DoDSRChange() {
  if (OnDSRChange) OnDSRChange(*this, (LineSignals() & 2) != 0);
}

void TBComPort::DoRLSDChange() {
  if (OnRLSDChange) OnRLSDChange(*this, (LineSignals() & 8) != 0);
}

void TBComPort::DoError() {
  std::uint32_t errors = 0, inQueue = 0;
  if (!impl_->layer->ClearCommError(errors, inQueue)) Fail(messages::kClearCommError);
  TComErrors set;
  if (errors & CE_FRAME) set.Include(ceFrame);
  if ((errors & CE_RXPARITY) && impl_->parity != paNone) set.Include(ceRxParity);
  if (errors & CE_OVERRUN) set.Include(ceOverrun);
  if (errors & CE_RXOVER) set.Include(ceRxOver);
  if (errors & CE_TXFULL) set.Include(ceTxFull);
  if (errors & CE_BREAK) set.Include(ceBreak);
  if (errors & CE_IOE) set.Include(ceIO);
  if (errors & CE_MODE) set.Include(ceMode);
  if (!set.Empty() && OnError) OnError(*this, set);
}

void TBComPort::NotifyWindowProc(std::uint32_t message, std::uint32_t wParam, std::uint32_t) {
  // The sender already runs on (the hand-off replied at once); here only the
  // dispatch, and only while the port is open.
  if (message != PortEventMessage || !impl_->isOpen) return;
  switch (wParam) {
    case EV_RXCHAR: DoRxChar(); break;
    case EV_TXEMPTY: DoTxEmpty(); break;
    case EV_CTS: DoCTSChange(); break;
    case EV_DSR: DoDSRChange(); break;
    case EV_RLSD: DoRLSDChange(); break;
    case EV_ERR: DoError(); break;
    case EV_RING: DoRing(); break;
    case EV_RX80FULL: DoRx80Full(); break;
    default: break;
  }
}

void ApplyMainWindowSettings(TBComPort& port) {
  port.SetBaudRate(br9600);
  port.SetByteSize(bs8);
  port.SetParity(paNone);
  port.SetStopBits(sb1);
  port.SetPort("COM2");
  port.SetInBufSize(2048);
  port.SetOutBufSize(2048);
  port.SetSyncMethod(smThreadSync);
  auto& t = port.Timeouts();
  t.SetReadInterval(1);
  t.SetReadTotalMultiplier(1);
  t.SetReadTotalConstant(1);
  t.SetWriteTotalMultiplier(1);
  t.SetWriteTotalConstant(1);
}

}  // namespace serial
