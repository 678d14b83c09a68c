// Makes the Intel HEX text of the firmware the program carries (version 210825):
// program memory, configuration words and data EEPROM of a PIC18 device, records
// cut at 16-byte address boundaries, CR LF line ends. The data are our own,
// deterministic pseudo-random bytes, so every run gives the same file.
//
//   hexgen [--version YYMMDD] [output-file]     (standard output when no file is given)
//
// Another version gives the same bytes with other digits in the version block:
// a firmware to build the programs with in tests.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

struct Run {
  std::uint32_t first, last;  // offsets, inclusive
};

struct Region {
  std::uint16_t linearBase;  // value of the extended linear address record
  std::vector<Run> runs;
};

const std::vector<Region> kRegions = {
    {0x0000, {{0x0000, 0x0003}, {0x0008, 0x0009}, {0x0018, 0xF907}, {0xF940, 0xF98B}, {0xFCA8, 0xFFC9}}},
    {0x0030, {{0x0001, 0x0003}, {0x0005, 0x0006}, {0x0008, 0x000D}}},
    {0x00F0, {{0x0000, 0x003F}, {0x0050, 0x00BF}, {0x0100, 0x0141}, {0x0200, 0x02EF}}},
};

// xorshift32: small, portable, the same everywhere.
class Random {
 public:
  explicit Random(std::uint32_t seed) : state_(seed) {}
  std::uint8_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return static_cast<std::uint8_t>(state_ >> 11);
  }

 private:
  std::uint32_t state_;
};

// Bytes that mean something to the device; the rest is filler.
std::map<std::uint32_t, std::uint8_t> FixedBytes(const std::string& version) {
  std::map<std::uint32_t, std::uint8_t> fixed;
  auto put = [&](std::uint32_t address, std::vector<std::uint8_t> bytes) {
    for (auto b : bytes) fixed[address++] = b;
  };
  put(0x0000, {0x0C, 0xEF, 0x00, 0xF0});  // reset vector: GOTO 0x0018
  put(0x0008, {0x11, 0x00});              // high-priority interrupt: RETFIE FAST
  // Version block: marker, the version text, then the version format.
  std::vector<std::uint8_t> block = {0x55, 0xAA, 0xAA, 0x55};
  block.insert(block.end(), version.begin(), version.end());
  block.insert(block.end(), {0x02, 0x00});
  put(0xF980, block);
  // Configuration words.
  put(0x300001, {0x08, 0x1E, 0x1F});
  put(0x300005, {0x83, 0x85});
  put(0x300008, {0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40});
  return fixed;
}

std::string Hex2(unsigned value) {
  static const char digits[] = "0123456789ABCDEF";
  return {digits[(value >> 4) & 0xF], digits[value & 0xF]};
}

std::string Record(unsigned type, std::uint16_t address, const std::vector<std::uint8_t>& data) {
  unsigned sum = static_cast<unsigned>(data.size()) + (address >> 8) + (address & 0xFF) + type;
  std::string line = ":" + Hex2(static_cast<unsigned>(data.size())) + Hex2(address >> 8) + Hex2(address & 0xFF) + Hex2(type);
  for (auto b : data) {
    line += Hex2(b);
    sum += b;
  }
  line += Hex2((256 - (sum & 0xFF)) & 0xFF);
  return line + "\r\n";
}

std::string Generate(const std::string& version) {
  auto fixed = FixedBytes(version);
  std::string text;
  std::uint32_t seed = 0x21082500;
  for (const auto& region : kRegions) {
    text += Record(0x04, 0x0000, {static_cast<std::uint8_t>(region.linearBase >> 8),
                                  static_cast<std::uint8_t>(region.linearBase & 0xFF)});
    Random random(++seed);
    std::uint32_t base = static_cast<std::uint32_t>(region.linearBase) << 16;
    for (const auto& run : region.runs) {
      std::uint32_t offset = run.first;
      while (offset <= run.last) {
        std::uint32_t end = std::min(run.last + 1, (offset | 0xF) + 1);  // next 16-byte boundary
        std::vector<std::uint8_t> data;
        for (std::uint32_t a = offset; a < end; ++a) {
          std::uint8_t filler = random.Next();
          auto it = fixed.find(base + a);
          data.push_back(it != fixed.end() ? it->second : filler);
        }
        text += Record(0x00, static_cast<std::uint16_t>(offset), data);
        offset = end;
      }
    }
  }
  text += ":00000001FF\r\n";
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  std::string version = "210825";
  int arg = 1;
  if (arg + 1 < argc && std::string(argv[arg]) == "--version") {
    version = argv[arg + 1];
    arg += 2;
  }
  bool digits = version.size() == 6 && std::all_of(version.begin(), version.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (argc - arg > 1 || !digits) {
    std::fprintf(stderr, "usage: hexgen [--version YYMMDD] [output-file]\n");
    return 2;
  }
  std::string text = Generate(version);
  const char* path = arg < argc ? argv[arg] : nullptr;
  std::FILE* out = path ? std::fopen(path, "wb") : stdout;
  if (!out) {
    std::perror(path);
    return 1;
  }
  bool ok = std::fwrite(text.data(), 1, text.size(), out) == text.size();
  ok = (path ? std::fclose(out) : std::fflush(out)) == 0 && ok;
  if (!ok) {
    std::fprintf(stderr, "hexgen: write failed\n");
    return 1;
  }
  return 0;
}
