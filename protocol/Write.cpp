// The write procedure and the flash transfer.
#include <cstdio>

#include "forms/Errors.h"
#include "forms/Shell.h"
#include "protocol/Protocol.h"
#include "protocol/ProtocolTexts.h"

namespace protocol {

namespace {

std::string HexAddress(std::int64_t address) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%06llX", static_cast<unsigned long long>(address));
  return buf;
}

// Frames `body`, already standing in CommandText after its "r", in place: the
// command's buffer is reused from one command to the next.
void CloseFrame(std::string& command) {
  std::string sum = firmware::HexByteSum(std::string_view(command).substr(1));
  command += sum;
  command += ';';
}

void SetEraseCommand(ProtocolContext& ctx) {
  auto& cmd = ctx.state.CommandText;
  cmd.assign("r04");
  cmd += HexAddress(ctx.state.Procedure.FlashAddress);
  CloseFrame(cmd);
}

void SetWriteCommand(ProtocolContext& ctx, int writeIndex) {
  auto& st = ctx.state;
  auto& cmd = st.CommandText;
  char index[8];
  std::snprintf(index, sizeof index, "%02X", static_cast<unsigned>(writeIndex) & 0xFFu);
  cmd.assign("r05");
  cmd += index;
  // Only the digits the image has: a range past its end sends fewer, or none.
  const std::string& image = ctx.FirmwareImage;
  const std::uint64_t first = 2 * static_cast<std::uint64_t>(st.Procedure.FlashAddress);
  const std::uint64_t wanted = 2 * static_cast<std::uint64_t>(st.BytesPerWrite > 0 ? st.BytesPerWrite : 0);
  if (first < image.size()) cmd.append(image, static_cast<std::size_t>(first), static_cast<std::size_t>(wanted));
  CloseFrame(cmd);
}

struct PhaseInfo {
  const char* logWord;
  const char* expected;
  std::int32_t ProcedureValues::*pause;
};

PhaseInfo Info(Phase phase) {
  switch (phase) {
    case Phase::Erase: return {texts::kLogErased, "r84", &ProcedureValues::ErasePause};
    case Phase::Write: return {texts::kLogWrote, "r85", &ProcedureValues::WritePause};
    case Phase::Program: break;
  }
  return {texts::kLogFlashed, "r86", &ProcedureValues::ProgramPause};
}

std::string AutoCalibrationText(const ProcedureValues& v) {
  return texts::kAutoCalibration + std::to_string(v.ErasePause) + "." + std::to_string(v.WritePause) + "." +
         std::to_string(v.ProgramPause);
}

// V is judged by characters; the memo holds one UTF-8 sequence per description byte.
std::size_t CharacterCount(const std::string& text) {
  std::size_t n = 0;
  for (char c : text)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  return n;
}

// A decimal integer: an optional sign and digits, nothing else.
bool ParseDecimal(const std::string& text, long long& value) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return false;
  long long v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    v = v * 10 + (text[i] - '0');
  }
  value = negative ? -v : v;
  return true;
}

void Refuse(ProtocolContext& ctx, const char* message) {
  ResetDevice(ctx);
  ctx.BComPort1.Close();
  ctx.shell.ShowMessage(message);
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
  ctx.shell.ShowMessage(text + HexAddress(ctx.state.Procedure.FlashAddress));
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
    if (AckAccepted(st, info.expected)) break;
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
    SetEraseCommand(ctx);
    if (auto r = RunAttempts(ctx, Phase::Erase); r.kind != TransferOutcome::Completed) return r;
    ctx.ProgressbarWrite.SetMax(st.WritesPerBlock);
    ctx.ProgressbarWrite.SetPosition(0);
    for (std::int32_t writeIndex = 1; writeIndex <= st.WritesPerBlock; ++writeIndex) {
      ctx.shell.ProcessMessages();
      SetWriteCommand(ctx, writeIndex);
      if (auto r = RunAttempts(ctx, Phase::Write); r.kind != TransferOutcome::Completed) return r;
      st.CommandText.assign(texts::kProgram);
      if (auto r = RunAttempts(ctx, Phase::Program); r.kind != TransferOutcome::Completed) return r;
      st.Procedure.FlashAddress += st.BytesPerWrite;
    }
    ctx.ProgressbarReadWrite.StepBy(1);
  }
  return {TransferOutcome::Completed, Phase::Erase};
}

void ButtonWriteClick(ProtocolContext& ctx) {
  if (IdentifyDevice(ctx, Variant::WriteProcedure) != IdentifyOutcome::Identified) return;

  const std::string version = ctx.MemoAbout.Text();
  if (CharacterCount(version) != 6) return Refuse(ctx, texts::kWhatIsThis);
  if (version == texts::kCarriedVersion) return Refuse(ctx, texts::kAlreadyWritten);
  long long number = 0;
  if (!ParseDecimal(version, number)) forms::ThrowConvertError(version);
  if (number > 210825) return Refuse(ctx, texts::kNewerWritten);

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

  const TransferOutcome outcome = TransferImage(ctx);
  switch (outcome.kind) {
    case TransferOutcome::Completed: CompletedEnd(ctx); break;
    case TransferOutcome::Failed: FailedEnd(ctx, outcome.phase); break;
    case TransferOutcome::Stopped: break;  // the stop key has already said everything
  }
}

}  // namespace protocol
