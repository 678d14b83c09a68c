// Identification: wake-up, identify tries, the reply's fields and the description.
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

// The upper half of Windows-1251; 0x98 has no character and shows as U+FFFD.
constexpr char16_t kCp1251High[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0xFFFD, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    // 0xC0..0xFF: А..я in order.
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C,
    0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429,
    0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436,
    0x0437, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443,
    0x0444, 0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F};

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
  ctx.shell.ShowMessage(Cp1251ToUtf8(ctx.state.LoaderVersion) + texts::kUnknownLoader);
  ctx.ProgressbarReadWrite.SetProgress(0);
}

}  // namespace

std::string Cp1251ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char c : bytes) {
    auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      out += c;
      continue;
    }
    char32_t cp = kCp1251High[b - 0x80];
    if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
    } else {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    }
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return out;
}

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
      memo.AppendToText(Cp1251ToUtf8(bytes.substr(start, end - start)));
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
