// The write procedure and the flash transfer.
#include "forms/Errors.h"
#include "forms/Shell.h"
#include "protocol/Protocol.h"
#include "protocol/ProtocolTexts.h"
#include "protocol/wire/Wire.h"

namespace protocol {

namespace {

struct PhaseInfo {
  const char* logWord;
  std::string_view expected;
  std::int32_t ProcedureValues::*pause;
};

PhaseInfo Info(Phase phase) {
  switch (phase) {
    case Phase::Erase: return {texts::kLogErased, wire::kErased, &ProcedureValues::ErasePause};
    case Phase::Write: return {texts::kLogWrote, wire::kWritten, &ProcedureValues::WritePause};
    case Phase::Program: break;
  }
  return {texts::kLogFlashed, wire::kProgrammed, &ProcedureValues::ProgramPause};
}

std::string AutoCalibrationText(const ProcedureValues& v) {
  return texts::kAutoCalibration + std::to_string(v.ErasePause) + "." + std::to_string(v.WritePause) + "." +
         std::to_string(v.ProgramPause);
}

WriteOutcome Refuse(ProtocolContext& ctx, const char* message, WriteOutcome outcome) {
  ResetDevice(ctx);
  ctx.BComPort1.Close();
  ctx.shell.ShowMessage(message);
  return outcome;
}

// The window as a running transfer wants it; the procedure's values from 0.
void PrepareTransfer(ProtocolContext& ctx) {
  ctx.ButtonOpenHex.SetEnabled(true);
  ctx.shell.MessageBeep(forms::MB_ICONASTERISK);
  ctx.cbPort.SetEnabled(false);
  ctx.cbBaudRate.SetEnabled(false);
  ctx.ButtonConect.SetEnabled(false);
  ctx.ButtonWrite.SetEnabled(false);
  ctx.ProgressbarReadWrite.SetMaxValue(ctx.state.BlockCount);
  ctx.ProgressbarReadWrite.SetProgress(0);
  ctx.state.Procedure = ProcedureValues{};
  ctx.LabelNameOfHex.SetCaption(texts::kWriting);
  ctx.state.StopRequested = 0;
}

void CompletedEnd(ProtocolContext& ctx) {
  ctx.shell.BringToFront();
  ResetDevice(ctx);
  ctx.ButtonConect.SetEnabled(true);
  ctx.cbPort.SetEnabled(true);
  ctx.cbBaudRate.SetEnabled(true);
  ctx.LabelNameOfHex.SetCaption(texts::kLoadedStatus + ctx.shell.LongTimeOfDay());
  ctx.BComPort1.Close();
  ctx.shell.ShowMessage(texts::kLoadedMessageHead + ctx.shell.LongTimeOfDay() + texts::kLoadedMessageTail);
  ctx.ProgressbarReadWrite.SetProgress(0);
  ctx.ProgressbarWrite.SetPosition(0);
  ctx.ButtonConect.SetFocus();
  ctx.ButtonWrite.SetEnabled(false);
}

void FailedEnd(ProtocolContext& ctx, Phase phase) {
  ctx.shell.BringToFront();
  ctx.shell.MessageBeep(forms::MB_ICONASTERISK);
  ctx.shell.Beep(1200, 200);
  ctx.shell.Beep(800, 200);
  ctx.shell.Beep(500, 200);
  ctx.cbPort.SetEnabled(true);
  ctx.cbBaudRate.SetEnabled(true);
  ctx.ButtonConect.SetEnabled(true);
  ctx.LabelNameOfHex.SetCaption(texts::kFailedStatusHead + firmware::ShownFileName(ctx.OpenDialog1.FileName) +
                                texts::kFailedStatusTail);
  const char* text = phase == Phase::Erase ? texts::kEraseError
                     : phase == Phase::Write ? texts::kWriteError
                                             : texts::kProgramError;
  ctx.shell.ShowMessage(text + wire::HexAddress(ctx.state.Procedure.FlashAddress));
  ctx.shell.ShowMessage(texts::kIncompleteWarning);
}

}  // namespace

TransferOutcome RunAttempts(ProtocolContext& ctx, Phase phase) {
  auto& st = ctx.state;
  auto& values = st.Procedure;
  const PhaseInfo info = Info(phase);
  std::int32_t& pause = values.*info.pause;
  for (int attempt = 0; attempt < 400; ++attempt) {
    ctx.shell.ProcessMessages();
    ctx.BComPort1.WriteStr(st.CommandText);
    ctx.MemoAbout.Add("");
    ctx.MemoAbout.Add(info.logWord + st.CommandText);
    ReadAck(ctx, static_cast<unsigned>(pause));
    if (wire::AckAccepted(st.AckReply, info.expected)) break;
    ++values.FailedAttempts;
    ++pause;
    ctx.Label3.SetCaption(AutoCalibrationText(values));
    if (st.StopRequested != 0) return {TransferOutcome::Stopped, phase};
  }
  if (phase == Phase::Write) ctx.ProgressbarWrite.SetPosition(ctx.ProgressbarWrite.Position() + 1);
  if (values.FailedAttempts > 399) return {TransferOutcome::Failed, phase};
  return {TransferOutcome::Completed, phase};
}

TransferOutcome TransferImage(ProtocolContext& ctx) {
  auto& st = ctx.state;
  for (std::int32_t block = 0; block < st.BlockCount; ++block) {
    ctx.shell.ProcessMessages();
    if (st.StopRequested != 0) return {TransferOutcome::Stopped, Phase::Erase};
    st.CommandText = wire::EraseCommand(st.Procedure.FlashAddress);
    if (auto r = RunAttempts(ctx, Phase::Erase); r.kind != TransferOutcome::Completed) return r;
    ctx.ProgressbarWrite.SetMax(st.WritesPerBlock);
    ctx.ProgressbarWrite.SetPosition(0);
    for (std::int32_t writeIndex = 1; writeIndex <= st.WritesPerBlock; ++writeIndex) {
      ctx.shell.ProcessMessages();
      st.CommandText = wire::WriteCommand(writeIndex, ctx.FirmwareImage, st.Procedure.FlashAddress, st.BytesPerWrite);
      if (auto r = RunAttempts(ctx, Phase::Write); r.kind != TransferOutcome::Completed) return r;
      st.CommandText = wire::kProgram;
      if (auto r = RunAttempts(ctx, Phase::Program); r.kind != TransferOutcome::Completed) return r;
      st.Procedure.FlashAddress += st.BytesPerWrite;
    }
    ctx.ProgressbarReadWrite.StepBy(1);
  }
  return {TransferOutcome::Completed, Phase::Erase};
}

WriteOutcome ButtonWriteClick(ProtocolContext& ctx) {
  switch (IdentifyDevice(ctx, Variant::WriteProcedure)) {
    case IdentifyOutcome::Identified: break;
    case IdentifyOutcome::NotIdentified: return WriteOutcome::NotIdentified;
    case IdentifyOutcome::UnknownBootloader: return WriteOutcome::UnknownBootloader;
  }

  const std::string version = ctx.MemoAbout.Text();
  switch (wire::JudgeVersion(version)) {
    case wire::VersionVerdict::Unknown: return Refuse(ctx, texts::kWhatIsThis, WriteOutcome::UnknownVersion);
    case wire::VersionVerdict::AlreadyWritten:
      return Refuse(ctx, texts::kAlreadyWritten, WriteOutcome::AlreadyWritten);
    case wire::VersionVerdict::NotANumber: forms::ThrowConvertError(version);
    case wire::VersionVerdict::Newer: return Refuse(ctx, texts::kNewerWritten, WriteOutcome::NewerWritten);
    case wire::VersionVerdict::Older: break;
  }

  PrepareTransfer(ctx);
  const TransferOutcome outcome = TransferImage(ctx);
  switch (outcome.kind) {
    case TransferOutcome::Completed: CompletedEnd(ctx); return WriteOutcome::Written;
    case TransferOutcome::Failed: FailedEnd(ctx, outcome.phase); return WriteOutcome::Failed;
    case TransferOutcome::Stopped: break;  // the stop key has already said everything
  }
  return WriteOutcome::Stopped;
}

void StopKey(ProtocolContext& ctx) {
  ctx.state.StopRequested = -1;
  ctx.ButtonConect.SetEnabled(true);
  ctx.ButtonOpenHex.SetEnabled(true);
  ctx.ButtonWrite.SetEnabled(true);
  ctx.cbPort.SetEnabled(true);
  ctx.cbBaudRate.SetEnabled(true);
  ctx.LabelNameOfHex.SetCaption(texts::kStoppedStatus);
  ctx.shell.ShowMessage(texts::kStoppedMessage);
}

void ResetKey(ProtocolContext& ctx) {
  if (!ApplySelectorsAndOpen(ctx)) return;
  ResetDevice(ctx);
  ctx.BComPort1.Close();
  ctx.shell.ShowMessage(texts::kDeviceReset);
}

}  // namespace protocol
