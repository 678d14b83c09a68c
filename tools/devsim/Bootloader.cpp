#include "tools/devsim/Bootloader.h"

#include "forms/Ascii.h"

#include <algorithm>
#include <cstdio>

namespace devsim::detail {
namespace {

constexpr unsigned kWakeRun = 5;

int HexValue(char c) {
  // Upper case only: the uploader sends upper-case digits, and a device that
  // took lower case would hide a fault of its.
  return c >= 'a' && c <= 'f' ? -1 : forms::HexDigitValue(c);
}

std::string Hex(uint64_t value, int digits) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%0*llX", digits, static_cast<unsigned long long>(value));
  return buf;
}

std::string Ack(int code) {
  std::string status = Hex(0x80 + code, 2);
  return "r" + status + status + ";";
}

}  // namespace

Bootloader::Bootloader(const Options& o, std::vector<uint8_t> flash)
    : writesPerBlock_(o.writesPerBlock),
      bytesPerWrite_(o.bytesPerWrite),
      blockCount_(o.blockCount),
      description_(o.description),
      flash_(std::move(flash)) {
  identifyReply_ = "r" + o.status + o.loaderVersion + o.field6 + o.field8 + Hex(writesPerBlock_, 2) +
                   Hex(bytesPerWrite_, 2) + Hex(blockCount_, 4) + ";";
  // Longest good frame: a write with its data; erase addresses of up to 16 digits.
  maxDigits_ = 2 * size_t(bytesPerWrite_) + 32;
}

std::string Bootloader::Description() const {
  return description_ ? *description_ : VersionInFlash(flash_);
}

Outcome Bootloader::Bad(std::string reason) {
  ++stats_.badFrames;
  Outcome out;
  out.kind = Outcome::BadFrame;
  out.frame = frame_;
  out.reason = std::move(reason);
  inFrame_ = false;
  frame_.clear();
  return out;
}

Outcome Bootloader::Feed(char c) {
  if (!awake_) {
    // Outside the bootloader only a full wake-up burst counts.
    if (c == 'r') {
      if (++rRun_ >= kWakeRun) {
        awake_ = true;
        rRun_ = 0;
        ++stats_.wakeUps;
        // The burst's last 'r' may as well begin a frame.
        inFrame_ = true;
        frame_ = "r";
        Outcome out;
        out.kind = Outcome::Woken;
        return out;
      }
      inFrame_ = true;
      frame_ = "r";
      return {};
    }
    rRun_ = 0;
    if (inFrame_ && c == ';') {
      frame_ += c;
      Outcome out;
      out.kind = Outcome::Asleep;
      out.frame = frame_;
      ++stats_.ignoredAsleep;
      inFrame_ = false;
      frame_.clear();
      return out;
    }
    if (inFrame_ && frame_.size() < maxDigits_ + 2) {
      frame_ += c;
    } else {
      inFrame_ = false;
      frame_.clear();
    }
    return {};
  }

  if (c == 'r') {
    // A fresh start; a frame cut short by it is bad unless it was only an 'r'
    // (the wake-up bursts and stray 'r' before a frame are harmless).
    Outcome out;
    if (inFrame_ && frame_.size() > 1) out = Bad("interrupted by a new frame");
    inFrame_ = true;
    frame_ = "r";
    return out;
  }
  if (!inFrame_) {
    ++stats_.garbageBytes;
    Outcome out;
    out.kind = Outcome::Garbage;
    out.frame = std::string(1, c);
    return out;
  }
  frame_ += c;
  if (c == ';') return Finish();
  if (HexValue(c) < 0) return Bad("not an upper-case hex digit");
  if (frame_.size() - 1 > maxDigits_) return Bad("too long");
  return {};
}

Outcome Bootloader::Finish() {
  // frame_ is "r" digits ";"
  const std::string digits = frame_.substr(1, frame_.size() - 2);
  if (digits.size() % 2 != 0) return Bad("odd number of digits");
  if (digits.size() < 4) return Bad("too short");
  std::vector<uint8_t> pairs;
  for (size_t i = 0; i < digits.size(); i += 2)
    pairs.push_back(uint8_t(HexValue(digits[i]) * 16 + HexValue(digits[i + 1])));
  const uint8_t checksum = pairs.back();
  pairs.pop_back();
  unsigned sum = 0;
  for (uint8_t b : pairs) sum += b;
  if ((sum & 0xFF) != checksum)
    return Bad("checksum " + Hex(checksum, 2) + ", expected " + Hex(sum & 0xFF, 2));
  return Execute(pairs);
}

Outcome Bootloader::Execute(const std::vector<uint8_t>& body) {
  const int code = body[0];
  const size_t params = body.size() - 1;
  const size_t blockSize = size_t(writesPerBlock_) * bytesPerWrite_;

  Outcome out;
  out.kind = Outcome::Command;
  out.code = code;
  out.frame = frame_;

  switch (code) {
    case 0x01:
      if (params != 0) return Bad("reset takes no parameters");
      ++stats_.resets;
      awake_ = false;
      rRun_ = 0;
      out.reply = Ack(code);
      break;
    case 0x02:
      if (params != 0) return Bad("identify takes no parameters");
      out.reply = identifyReply_;
      break;
    case 0x03: {
      if (params != 0) return Bad("description takes no parameters");
      const std::string text = Description();
      unsigned sum = 0;
      for (unsigned char ch : text) sum += ch;
      out.reply = "r83" + text + Hex(sum & 0xFF, 2) + ";";
      break;
    }
    case 0x04: {
      if (params < 3) return Bad("erase address shorter than six digits");
      if (params > 8) return Bad("erase address too long");
      uint64_t address = 0;
      for (size_t i = 1; i < body.size(); ++i) address = address * 256 + body[i];
      if (address >= flash_.size()) return Bad("erase address " + Hex(address, 6) + " outside the flash");
      if (blockSize == 0 || address % blockSize != 0) return Bad("erase address " + Hex(address, 6) + " not at a block start");
      std::fill_n(flash_.begin() + address, blockSize, 0xFF);
      blockAddress_ = uint32_t(address);
      lastWrite_ = 0;
      committed_ = false;
      staged_.clear();
      ++stats_.erases;
      out.reply = Ack(code);
      break;
    }
    case 0x05: {
      if (params < 1) return Bad("write without a number");
      const unsigned number = body[1];
      if (params - 1 != bytesPerWrite_)
        return Bad("write carries " + std::to_string(params - 1) + " bytes, not " + std::to_string(bytesPerWrite_));
      if (!blockAddress_) return Bad("write before any erase");
      if (number < 1 || number > writesPerBlock_) return Bad("write number " + Hex(number, 2) + " out of range");
      std::vector<uint8_t> data(body.begin() + 2, body.end());
      if (number == lastWrite_) {
        // A re-send after a lost acknowledgement: the new copy replaces the staged one.
        if (data != staged_) {
          committed_ = false;
          countedCommit_ = false;
        }
      } else if (number == lastWrite_ + 1 && (lastWrite_ == 0 || committed_)) {
        committed_ = false;
        countedCommit_ = false;
      } else if (number == lastWrite_ + 1) {
        return Bad("write " + Hex(number, 2) + " before piece " + Hex(lastWrite_, 2) + " was programmed");
      } else {
        return Bad("write " + Hex(number, 2) + " out of order, expected " + Hex(lastWrite_ + 1, 2));
      }
      staged_ = std::move(data);
      lastWrite_ = number;
      ++stats_.writes;
      out.reply = Ack(code);
      break;
    }
    case 0x06: {
      if (params != 0) return Bad("program takes no parameters");
      if (!blockAddress_ || lastWrite_ == 0) return Bad("program with nothing written");
      const size_t at = *blockAddress_ + size_t(lastWrite_ - 1) * bytesPerWrite_;
      for (size_t i = 0; i < staged_.size(); ++i) flash_[at + i] &= staged_[i];
      committed_ = true;
      if (!countedCommit_) stats_.bytesProgrammed += staged_.size();
      countedCommit_ = true;
      ++stats_.programs;
      out.reply = Ack(code);
      break;
    }
    default:
      return Bad("unknown command " + Hex(code, 2));
  }
  ++stats_.commands;
  inFrame_ = false;
  frame_.clear();
  return out;
}

}  // namespace devsim::detail
