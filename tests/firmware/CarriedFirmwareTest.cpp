// The firmware the program carries: its layout, read back from the embedded text,
// and the committed file that the generator must still reproduce.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>

#include "firmware/Firmware.h"
#include "tests/firmware/FirmwareFixture.h"

namespace firmware_test {
namespace {

struct Line {
  std::string text;
  unsigned count = 0, address = 0, type = 0;
  std::vector<unsigned> data;
};

unsigned Hex(const std::string& s, std::size_t at, std::size_t digits) {
  return static_cast<unsigned>(std::stoul(s.substr(at, digits), nullptr, 16));
}

std::vector<Line> ReadCarried() {
  std::string_view text = firmware::CarriedFirmwareText();
  std::vector<Line> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    auto end = text.find("\r\n", start);
    EXPECT_NE(end, std::string_view::npos) << "the last line has no CR LF";
    if (end == std::string_view::npos) break;
    Line line;
    line.text = std::string(text.substr(start, end - start));
    EXPECT_EQ(line.text.find_first_of("\r\n"), std::string::npos) << "a lone line end";
    lines.push_back(line);
    start = end + 2;
  }
  return lines;
}

std::set<std::uint32_t> Runs(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& runs, std::uint32_t base) {
  std::set<std::uint32_t> out;
  for (auto [first, last] : runs)
    for (auto a = first; a <= last; ++a) out.insert(base + a);
  return out;
}

TEST(CarriedFirmware, HasTheLayoutOfVersion210825) {
  auto lines = ReadCarried();
  ASSERT_EQ(lines.size(), 4080u);

  std::map<std::uint32_t, unsigned> bytes;  // full address -> value
  std::vector<std::pair<std::size_t, unsigned>> linearBases;  // (line number, value)
  std::size_t dataRecords = 0, fullRecords = 0;
  std::uint32_t base = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    auto& l = lines[i];
    SCOPED_TRACE("line " + std::to_string(i + 1) + ": " + l.text);
    ASSERT_GE(l.text.size(), 11u);
    ASSERT_EQ(l.text[0], ':');
    ASSERT_EQ(l.text.find_first_not_of("0123456789ABCDEF", 1), std::string::npos) << "not upper-case hex";
    l.count = Hex(l.text, 1, 2);
    l.address = Hex(l.text, 3, 4);
    l.type = Hex(l.text, 7, 2);
    ASSERT_EQ(l.text.size(), 11 + 2 * l.count);
    unsigned sum = 0;
    for (std::size_t p = 1; p < l.text.size(); p += 2) sum += Hex(l.text, p, 2);
    EXPECT_EQ(sum % 256, 0u) << "checksum";
    for (unsigned k = 0; k < l.count; ++k) l.data.push_back(Hex(l.text, 9 + 2 * k, 2));

    if (l.type == 4) {
      ASSERT_EQ(l.count, 2u);
      linearBases.emplace_back(i + 1, l.data[0] * 256 + l.data[1]);
      base = (l.data[0] * 256 + l.data[1]) << 16;
    } else if (l.type == 0) {
      ++dataRecords;
      if (l.count == 16) ++fullRecords;
      ASSERT_GE(l.count, 1u);
      EXPECT_EQ(l.address / 16, (l.address + l.count - 1) / 16) << "crosses a 16-byte boundary";
      for (unsigned k = 0; k < l.count; ++k) EXPECT_TRUE(bytes.emplace(base + l.address + k, l.data[k]).second);
    } else {
      ASSERT_EQ(l.type, 1u);
      EXPECT_EQ(i + 1, lines.size()) << "end record before the last line";
    }
  }
  EXPECT_EQ(lines.back().text, ":00000001FF");
  EXPECT_EQ(dataRecords, 4076u);
  EXPECT_EQ(fullRecords, 4065u);
  EXPECT_EQ(linearBases, (std::vector<std::pair<std::size_t, unsigned>>{{1, 0x0000}, {4044, 0x0030}, {4048, 0x00F0}}));

  std::set<std::uint32_t> expected = Runs({{0x0000, 0x0003}, {0x0008, 0x0009}, {0x0018, 0xF907}, {0xF940, 0xF98B}, {0xFCA8, 0xFFC9}}, 0);
  EXPECT_EQ(expected.size(), 64612u);
  auto config = Runs({{0x0001, 0x0003}, {0x0005, 0x0006}, {0x0008, 0x000D}}, 0x300000);
  EXPECT_EQ(config.size(), 11u);
  auto eeprom = Runs({{0x0000, 0x003F}, {0x0050, 0x00BF}, {0x0100, 0x0141}, {0x0200, 0x02EF}}, 0xF00000);
  EXPECT_EQ(eeprom.size(), 482u);
  expected.insert(config.begin(), config.end());
  expected.insert(eeprom.begin(), eeprom.end());
  std::set<std::uint32_t> present;
  for (auto& [a, v] : bytes) present.insert(a);
  EXPECT_EQ(present.size(), 65105u);
  EXPECT_TRUE(present == expected) << "the bytes set differ from the region table";

  std::vector<unsigned> version;
  for (std::uint32_t a = 0xF980; a < 0xF98C; ++a) version.push_back(bytes[a]);
  EXPECT_EQ(version, (std::vector<unsigned>{0x55, 0xAA, 0xAA, 0x55, '2', '1', '0', '8', '2', '5', 0x02, 0x00}));
}

using CarriedImage = FirmwareFixture;

TEST_F(CarriedImage, PassesTheChecksAndBuildsTheVersionIntoTheImage) {
  terminal.SetText(std::string(firmware::CarriedFirmwareText()));
  ASSERT_EQ(terminal.Lines().size(), 4080u);
  ASSERT_TRUE(firmware::CheckFirmwareText(ctx));
  ASSERT_TRUE(firmware::BuildFirmwareImage(ctx));
  EXPECT_EQ(image.substr(2 * 0xF980, 24), "55AAAA55323130383235" "0200");
  EXPECT_EQ(image.substr(2 * 0xF98C, 2), "FF");
  // Configuration and EEPROM land at their bases.
  EXPECT_EQ(image.substr(2 * 0x300000, 2), "FF");
  EXPECT_NE(image.substr(2 * 0x300001, 2), "FF");
  EXPECT_EQ(image.substr(2 * 0xF00000, 2), terminal.Lines()[4048].substr(9, 2));
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(CarriedFirmware, TheEmbeddedTextIsTheCommittedFile) {
  std::string committed = ReadFile(CARRIED_HEX_PATH);
  ASSERT_FALSE(committed.empty());
  EXPECT_TRUE(committed == firmware::CarriedFirmwareText());
}

#ifdef HEXGEN_PATH
TEST(CarriedFirmware, TheGeneratorReproducesTheCommittedFile) {
  TempDir dir;
  std::string out = (dir.Path() / "generated.hex").string();
  std::string command = std::string("\"") + HEXGEN_PATH + "\" \"" + out + "\"";
#ifdef _WIN32
  command = "\"" + command + "\"";  // cmd takes off the outer pair
#endif
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  std::string generated = ReadFile(out);
  std::string committed = ReadFile(CARRIED_HEX_PATH);
  ASSERT_EQ(generated.size(), committed.size());
  EXPECT_TRUE(generated == committed) << "run hexgen firmware/carried/firmware-210825.hex and commit it";
}
#endif

}  // namespace
}  // namespace firmware_test
