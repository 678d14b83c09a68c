// The send and read steps every exchange is built from.
#include "forms/Shell.h"
#include "protocol/Protocol.h"
#include "protocol/wire/Wire.h"

namespace protocol {

bool ApplySelectorsAndOpen(ProtocolContext& ctx) {
  auto& port = ctx.BComPort1;
  if (port.Close()) {
    port.SetPort(ctx.cbPort.Text());
    // An index of -1 becomes an ordinal outside the table: the component refuses it.
    port.SetBaudRate(static_cast<serial::TBaudRate>(ctx.cbBaudRate.ItemIndex()));
  }
  return port.Open();
}

void SendStep(ProtocolContext& ctx, const std::string& command, int step, unsigned pauseMs) {
  ctx.BComPort1.WriteStr(command);
  ctx.ProgressbarReadWrite.StepBy(step);
  ctx.shell.Sleep(pauseMs);
}

void ReadAck(ProtocolContext& ctx, unsigned pauseMs) {
  ctx.shell.Sleep(pauseMs);
  ctx.state.AckReply.clear();
  ctx.BComPort1.ReadStr(ctx.state.AckReply, wire::kAckChars);
}

void ResetDevice(ProtocolContext& ctx) {
  auto& port = ctx.BComPort1;
  port.WriteStr(wire::kReset);
  ctx.shell.Sleep(100);
  port.ReadStr(ctx.state.AckReply, wire::kAckChars);
  port.WriteStr(wire::kReset);
  port.ReadStr(ctx.state.AckReply, wire::kAckChars);
  ctx.shell.MessageBeep(forms::MB_ICONEXCLAMATION);
}

}  // namespace protocol
