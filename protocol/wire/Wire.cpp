#include "protocol/wire/Wire.h"

#include <cstdio>

#include "firmware/Hex.h"
#include "forms/Ascii.h"

namespace protocol::wire {

namespace {

// A decimal integer: an optional sign and digits, nothing else.
bool ParseDecimal(std::string_view text, long long& value) {
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

std::size_t CharacterCount(std::string_view text) {
  std::size_t n = 0;
  for (char c : text)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  return n;
}

}  // namespace

std::string FrameCommand(std::string_view body) {
  std::string frame;
  frame.reserve(body.size() + 4);
  frame += 'r';
  frame += body;
  frame += firmware::HexByteSum(body);
  frame += ';';
  return frame;
}

std::string HexAddress(std::int64_t address) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%06llX", static_cast<unsigned long long>(address));
  return buf;
}

std::string EraseCommand(std::int64_t address) { return FrameCommand("04" + HexAddress(address)); }

std::string WriteCommand(int writeIndex, std::string_view image, std::int64_t address, std::int32_t bytesPerWrite) {
  char index[8];
  std::snprintf(index, sizeof index, "%02X", static_cast<unsigned>(writeIndex) & 0xFFu);
  std::string body = "05";
  body += index;
  const std::uint64_t first = 2 * static_cast<std::uint64_t>(address);
  const std::uint64_t wanted = 2 * static_cast<std::uint64_t>(bytesPerWrite > 0 ? bytesPerWrite : 0);
  if (first < image.size()) body += image.substr(static_cast<std::size_t>(first), static_cast<std::size_t>(wanted));
  return FrameCommand(body);
}

bool AckAccepted(std::string_view reply, std::string_view expected) {
  if (reply.size() < 3) return false;
  return reply.substr(0, 3) == expected && EndsFrame(reply);
}

std::string Field(std::string_view reply, std::size_t position, std::size_t length) {
  if (position == 0 || position > reply.size()) return {};
  return std::string(reply.substr(position - 1, length));
}

std::int32_t ReplyHexField(std::string_view reply, std::size_t position, std::size_t length) {
  // A field the end of the reply cuts into is as good as missing.
  if (position == 0 || position - 1 + length > reply.size()) return 0;
  std::int32_t value = 0;
  for (char c : reply.substr(position - 1, length)) {
    const int digit = forms::HexDigitValue(c);
    if (digit < 0) return 0;
    value = value * 16 + digit;
  }
  return value;
}

std::string ReplyStatus(std::string_view reply) { return Field(reply, 2, 2); }

Identity ReadIdentity(std::string_view reply) {
  return {.loaderVersion = Field(reply, 4, 2),
          .writesPerBlock = ReplyHexField(reply, 10, 2),
          .bytesPerWrite = ReplyHexField(reply, 12, 2),
          .blockCount = ReplyHexField(reply, 14, 4)};
}

std::string CutDescription(std::string_view reply) {
  return reply.size() > 4 ? std::string(reply.substr(3, reply.size() - 4)) : std::string();
}

std::string_view ShownDescription(std::string_view cut) {
  return cut.size() > 2 ? cut.substr(0, cut.size() - 2) : std::string_view();
}

VersionVerdict JudgeVersion(std::string_view description, std::string_view carried) {
  if (CharacterCount(description) != 6) return VersionVerdict::Unknown;
  if (description == carried) return VersionVerdict::AlreadyWritten;
  long long number = 0, carriedNumber = 0;
  if (!ParseDecimal(description, number)) return VersionVerdict::NotANumber;
  ParseDecimal(carried, carriedNumber);
  if (number > carriedNumber) return VersionVerdict::Newer;
  return VersionVerdict::Older;
}

}  // namespace protocol::wire
