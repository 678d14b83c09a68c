// The flash the device starts with: an older firmware, a HEX file or nothing.
#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "forms/Ascii.h"
#include "tools/devsim/Simulator.h"

namespace devsim {
namespace {

// Keeps the simulator's memory within reason: 192 blocks of 640 bytes is 120 KiB.
constexpr uint64_t kMaxFlashBytes = 64ull << 20;

// The older firmware's program bytes: any fixed pattern will do, as long as it
// differs from what a write brings.
constexpr uint32_t kProgramBytes = 0x4000;

[[noreturn]] void HexError(const std::string& path, size_t line, const std::string& what) {
  throw std::runtime_error(path + ":" + std::to_string(line) + ": " + what);
}

void ReadHexFile(const std::string& path, std::vector<uint8_t>& flash) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open HEX file " + path);
  std::string text;
  uint32_t base = 0;
  size_t lineNo = 0;
  bool ended = false;
  while (std::getline(in, text)) {
    ++lineNo;
    while (!text.empty() && (text.back() == '\r' || text.back() == ' ' || text.back() == '\t')) text.pop_back();
    if (text.empty()) continue;
    if (ended) HexError(path, lineNo, "record after the end-of-file record");
    if (text[0] != ':') HexError(path, lineNo, "a record must begin with ':'");
    if (text.size() < 11 || (text.size() - 1) % 2 != 0) HexError(path, lineNo, "record too short or odd length");
    std::vector<uint8_t> bytes;
    for (size_t i = 1; i < text.size(); i += 2) {
      int hi = forms::HexDigitValue(text[i]), lo = forms::HexDigitValue(text[i + 1]);
      if (hi < 0 || lo < 0) HexError(path, lineNo, "not a hex digit");
      bytes.push_back(uint8_t(hi * 16 + lo));
    }
    const size_t count = bytes[0];
    if (bytes.size() != count + 5) HexError(path, lineNo, "byte count does not match the record length");
    unsigned sum = 0;
    for (uint8_t b : bytes) sum += b;
    if ((sum & 0xFF) != 0) HexError(path, lineNo, "checksum mismatch");
    const uint32_t offset = uint32_t(bytes[1]) << 8 | bytes[2];
    const uint8_t type = bytes[3];
    const uint8_t* data = bytes.data() + 4;
    switch (type) {
      case 0x00:
        for (size_t i = 0; i < count; ++i) {
          const uint64_t address = uint64_t(base) + offset + i;
          // Configuration words and EEPROM lie beyond the flash: not ours.
          if (address < flash.size()) flash[address] = data[i];
        }
        break;
      case 0x01:
        ended = true;
        break;
      case 0x02:
        if (count != 2) HexError(path, lineNo, "segment record needs two bytes");
        base = (uint32_t(data[0]) << 8 | data[1]) << 4;
        break;
      case 0x04:
        if (count != 2) HexError(path, lineNo, "linear address record needs two bytes");
        base = (uint32_t(data[0]) << 8 | data[1]) << 16;
        break;
      case 0x03:
      case 0x05:
        break;  // start addresses mean nothing to the flash
      default:
        HexError(path, lineNo, "unknown record type " + std::to_string(type));
    }
  }
  if (lineNo == 0) throw std::runtime_error("HEX file " + path + " is empty");
}

}  // namespace

std::vector<uint8_t> InitialFlash(const Options& o) {
  const uint64_t size = uint64_t(o.blockCount) * o.writesPerBlock * o.bytesPerWrite;
  if (size > kMaxFlashBytes) throw std::invalid_argument("geometry gives a flash over 64 MiB");
  std::vector<uint8_t> flash(size, 0xFF);
  switch (o.flashStart) {
    case FlashStart::Erased:
      break;
    case FlashStart::HexFile:
      ReadHexFile(o.hexPath, flash);
      break;
    case FlashStart::OlderFirmware: {
      if (o.firmwareVersion.size() != 6) throw std::invalid_argument("firmware version must have six characters");
      if (size < kVersionAddress + 8) throw std::invalid_argument("flash too small to hold a firmware version");
      uint32_t x = 0x2545F491u;
      for (uint32_t a = 0; a < kProgramBytes && a < size; ++a) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        flash[a] = uint8_t(x);
      }
      const uint8_t marker[] = {0x55, 0xAA, 0xAA, 0x55};
      std::copy(std::begin(marker), std::end(marker), flash.begin() + kMarkerAddress);
      std::copy(o.firmwareVersion.begin(), o.firmwareVersion.end(), flash.begin() + kVersionAddress);
      flash[kVersionAddress + 6] = 0x02;
      flash[kVersionAddress + 7] = 0x00;
      break;
    }
  }
  return flash;
}

std::string VersionInFlash(const std::vector<uint8_t>& flash) {
  if (flash.size() < kVersionAddress + 6) return "";
  std::string version(flash.begin() + kVersionAddress, flash.begin() + kVersionAddress + 6);
  for (char c : version)
    if (c < '0' || c > '9') return "";
  return version;
}

}  // namespace devsim
