// Identification: wake-up, identify tries, the reply's fields and the description.
#include "forms/Cp1251.h"
#include "forms/Shell.h"
#include "protocol/Protocol.h"
#include "protocol/ProtocolTexts.h"
#include "protocol/wire/Wire.h"

namespace protocol {

namespace {

void ShowAndClearIdentity(ProtocolContext& ctx) {
  ctx.TextTerminal.Clear();
  ctx.MemoAbout.Clear();
}

void NotIdentifiedEnd(ProtocolContext& ctx, Variant variant) {
  ctx.shell.MessageBeep(forms::MB_ICONHAND);
  ctx.LabelNameOfHex.SetCaption(texts::kReadyForWriting);
  ctx.ProgressbarReadWrite.SetProgress(0);
  ShowAndClearIdentity(ctx);
  ctx.BComPort1.Close();
  ctx.shell.ShowMessage(variant == Variant::IdentifyButton ? texts::kNotIdentifiedByButton
                                                           : texts::kNotIdentifiedByWrite);
  ctx.ProgressbarReadWrite.SetProgress(0);
}

void UnknownBootloaderEnd(ProtocolContext& ctx, Variant variant) {
  ctx.shell.MessageBeep(forms::MB_ICONASTERISK);
  ctx.LabelNameOfHex.SetCaption(texts::kReadyForWriting);
  ctx.ProgressbarReadWrite.SetProgress(0);
  if (variant == Variant::WriteProcedure) ctx.ButtonOpenHex.SetEnabled(false);
  ShowAndClearIdentity(ctx);
  // The version is whatever two bytes the device sent: shown, like the description, decoded.
  ctx.shell.ShowMessage(forms::Cp1251ToUtf8(ctx.state.LoaderVersion) + texts::kUnknownLoader);
  ctx.ProgressbarReadWrite.SetProgress(0);
}

}  // namespace

void AppendDescription(forms::Memo& memo, std::string_view bytes) {
  // Runs between line feeds go in whole; the memo's own line break does not
  // stack, so a second line feed in a row first adds the empty line it makes.
  bool justBroken = false;
  std::size_t start = 0;
  auto flush = [&](std::size_t end) {
    if (end > start) {
      memo.AppendToText(forms::Cp1251ToUtf8(bytes.substr(start, end - start)));
      justBroken = false;
    }
  };
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\n') continue;
    flush(i);
    if (justBroken) memo.Add("");
    memo.BreakLine();
    justBroken = true;
    start = i + 1;
  }
  flush(bytes.size());
}

namespace {

// Steps 5-7: five wake-up bursts, one pump, then up to five identify tries
// until a reply ends its frame.
void WakeUpAndAsk(ProtocolContext& ctx) {
  for (int i = 0; i < 5; ++i) SendStep(ctx, wire::kWakeUp, 10, 50);
  ctx.shell.ProcessMessages();
  for (int i = 0; i < 5; ++i) {
    SendStep(ctx, wire::kIdentify, 10, 100);
    ctx.BComPort1.ReadStr(ctx.state.LastReply, wire::kIdentifyReplyChars);
    if (wire::EndsFrame(ctx.state.LastReply)) break;
  }
}

void TakeIdentity(ProtocolState& st) {
  const wire::Identity identity = wire::ReadIdentity(st.LastReply);
  st.LoaderVersion = identity.loaderVersion;
  st.WritesPerBlock = identity.writesPerBlock;
  st.BytesPerWrite = identity.bytesPerWrite;
  st.BlockCount = identity.blockCount;
}

// Steps 13-14: the description into MemoAbout, or the variant's stand-in text.
void ReadDescription(ProtocolContext& ctx, Variant variant) {
  auto& st = ctx.state;
  ctx.MemoAbout.Clear();
  st.ReplyStatus.clear();
  SendStep(ctx, wire::kDescribe, 20, 1000);
  ctx.BComPort1.ReadStr(st.LastReply, wire::kDescribeReplyChars);
  st.ReplyStatus = wire::ReplyStatus(st.LastReply);
  st.LastReply = wire::CutDescription(st.LastReply);
  ctx.ProgressbarReadWrite.SetProgress(0);
  if (st.LastReply.empty()) {
    ctx.MemoAbout.SetText(variant == Variant::IdentifyButton ? texts::kNoDescriptionByButton
                                                             : texts::kNoDescriptionByWrite);
  } else {
    AppendDescription(ctx.MemoAbout, wire::ShownDescription(st.LastReply));
  }
}

}  // namespace

IdentifyOutcome IdentifyDevice(ProtocolContext& ctx, Variant variant) {
  auto& st = ctx.state;
  if (variant == Variant::IdentifyButton) ctx.shell.MessageBeep(forms::MB_ICONQUESTION);
  ApplySelectorsAndOpen(ctx);
  ctx.ProgressbarWrite.SetPosition(0);
  ctx.Label3.SetCaption(texts::kAutoCalibrationZero);
  ctx.ProgressbarReadWrite.SetMaxValue(100);
  ctx.ProgressbarReadWrite.SetProgress(0);

  WakeUpAndAsk(ctx);
  st.ReplyStatus = wire::ReplyStatus(st.LastReply);
  ctx.shell.BringToFront();
  if (st.ReplyStatus != wire::kIdentifiedStatus) {
    NotIdentifiedEnd(ctx, variant);
    return IdentifyOutcome::NotIdentified;
  }
  TakeIdentity(st);
  if (st.LoaderVersion != wire::kKnownLoaderVersion) {
    UnknownBootloaderEnd(ctx, variant);
    return IdentifyOutcome::UnknownBootloader;
  }
  ReadDescription(ctx, variant);
  return IdentifyOutcome::Identified;
}

IdentifyOutcome ButtonConectClick(ProtocolContext& ctx) {
  const IdentifyOutcome outcome = IdentifyDevice(ctx, Variant::IdentifyButton);
  if (outcome != IdentifyOutcome::Identified) return outcome;
  ctx.ButtonOpenHex.SetEnabled(true);
  ctx.shell.MessageBeep(forms::MB_ICONASTERISK);
  ctx.shell.ShowMessage(texts::kIdentifiedPrefix + ctx.MemoAbout.Text());
  ctx.shell.ShowMessage(texts::kSuspended);
  ctx.LabelNameOfHex.SetCaption(texts::kOpenHexStatus);
  ctx.ButtonOpenHex.SetFocus();
  return outcome;
}

}  // namespace protocol
