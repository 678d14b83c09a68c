// Identification: wake-up, identify tries, the reply's fields and the description.
#include "forms/Cp1251.h"
#include "forms/Shell.h"
#include "protocol/Protocol.h"
#include "protocol/ProtocolTexts.h"

namespace protocol {

namespace {

// Characters `position` (1-based) onwards, at most `length`, as far as the text reaches.
std::string Copy(const std::string& text, std::size_t position, std::size_t length) {
  if (position == 0 || position > text.size()) return {};
  return text.substr(position - 1, length);
}

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

std::int32_t ReplyHexField(std::string_view reply, std::size_t position, std::size_t length) {
  // A field the end of the reply cuts into is as good as missing.
  if (position == 0 || position - 1 + length > reply.size()) return 0;
  std::string_view field = reply.substr(position - 1, length);
  std::int32_t value = 0;
  for (char c : field) {
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else return 0;
    value = value * 16 + digit;
  }
  return value;
}

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

IdentifyOutcome IdentifyDevice(ProtocolContext& ctx, Variant variant) {
  auto& st = ctx.state;
  auto& gauge = ctx.ProgressbarReadWrite;
  if (variant == Variant::IdentifyButton) ctx.shell.MessageBeep(forms::MB_ICONQUESTION);
  ApplySelectorsAndOpen(ctx);
  ctx.ProgressbarWrite.SetPosition(0);
  ctx.Label3.SetCaption(texts::kAutoCalibrationZero);
  gauge.SetMaxValue(100);
  gauge.SetProgress(0);

  for (int i = 0; i < 5; ++i) SendStep(ctx, texts::kWakeUp, 10, 50);
  ctx.shell.ProcessMessages();

  for (int i = 0; i < 5; ++i) {
    SendStep(ctx, texts::kIdentify, 10, 100);
    ctx.BComPort1.ReadStr(st.LastReply, 40);
    if (!st.LastReply.empty() && st.LastReply.back() == ';') break;
  }
  st.ReplyStatus = Copy(st.LastReply, 2, 2);
  ctx.shell.BringToFront();
  if (st.ReplyStatus != "82") {
    NotIdentifiedEnd(ctx, variant);
    return IdentifyOutcome::NotIdentified;
  }

  st.LoaderVersion = Copy(st.LastReply, 4, 2);
  st.WritesPerBlock = ReplyHexField(st.LastReply, 10, 2);
  st.BytesPerWrite = ReplyHexField(st.LastReply, 12, 2);
  st.BlockCount = ReplyHexField(st.LastReply, 14, 4);
  if (st.LoaderVersion != "02") {
    UnknownBootloaderEnd(ctx, variant);
    return IdentifyOutcome::UnknownBootloader;
  }

  ctx.MemoAbout.Clear();
  st.ReplyStatus.clear();
  SendStep(ctx, texts::kDescribe, 20, 1000);
  ctx.BComPort1.ReadStr(st.LastReply, 1000);
  st.ReplyStatus = Copy(st.LastReply, 2, 2);
  st.LastReply = st.LastReply.size() > 4 ? st.LastReply.substr(3, st.LastReply.size() - 4) : std::string();
  gauge.SetProgress(0);

  if (st.LastReply.empty()) {
    ctx.MemoAbout.SetText(variant == Variant::IdentifyButton ? texts::kNoDescriptionByButton
                                                             : texts::kNoDescriptionByWrite);
  } else if (st.LastReply.size() > 2) {
    AppendDescription(ctx.MemoAbout, std::string_view(st.LastReply).substr(0, st.LastReply.size() - 2));
  }
  return IdentifyOutcome::Identified;
}

void ButtonConectClick(ProtocolContext& ctx) {
  if (IdentifyDevice(ctx, Variant::IdentifyButton) != IdentifyOutcome::Identified) return;
  ctx.ButtonOpenHex.SetEnabled(true);
  ctx.shell.MessageBeep(forms::MB_ICONASTERISK);
  ctx.shell.ShowMessage(texts::kIdentifiedPrefix + ctx.MemoAbout.Text());
  ctx.shell.ShowMessage(texts::kSuspended);
  ctx.LabelNameOfHex.SetCaption(texts::kOpenHexStatus);
  ctx.ButtonOpenHex.SetFocus();
}

}  // namespace protocol
