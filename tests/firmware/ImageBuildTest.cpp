// The image build: placement, record types, the stop at a start linear address,
// the mended limits, the fill as the gauge shows it, the carried firmware's start-up.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <vector>
#include <utility>

#include "firmware/Firmware.h"
#include "forms/Errors.h"
#include "tests/firmware/FirmwareFixture.h"

namespace firmware_test {
namespace {

using firmware::BuildFirmwareImage;
using firmware::kImageChars;

using ImageBuild = FirmwareFixture;

bool OnlyF(const std::string& s, std::size_t from, std::size_t to) {
  return std::all_of(s.begin() + static_cast<std::ptrdiff_t>(from), s.begin() + static_cast<std::ptrdiff_t>(to),
                     [](char c) { return c == 'F'; });
}

TEST_F(ImageBuild, TextWithoutRecordsGivesAnImageOfOnlyF) {
  image = "left over from before";
  terminal.SetLines({"no record", "", "  :1000000000"});
  EXPECT_TRUE(BuildFirmwareImage(ctx));
  ASSERT_EQ(image.size(), kImageChars);
  EXPECT_TRUE(OnlyF(image, 0, kImageChars));
}

TEST_F(ImageBuild, PlacesDataUnderLinearAndSegmentBases) {
  terminal.SetLines({
      LinearBase(0x0001),
      Record(0, 0x0010, {0x12, 0x34}),
      Record(2, 0, {0x10, 0x01}),  // segment 0x1001: base 0x10010, replaces the linear one
      Record(0, 0x0000, {0xAB}),
  });
  EXPECT_TRUE(BuildFirmwareImage(ctx));  // no end-of-file record: built to the last line
  ASSERT_EQ(image.size(), kImageChars);
  EXPECT_EQ(image.substr(2 * 0x10010 - 2, 8), "FFAB34FF");
  EXPECT_EQ(image.substr(2 * 0x10000, 4), "FFFF");
  // The gauge's line pass: MaxValue lines - 1, one step per record.
  EXPECT_EQ(gauge.MaxValue(), 3);
  EXPECT_EQ(gauge.Progress(), 3);
}

TEST_F(ImageBuild, JudgesTheTypeByItsSecondDigitAndLetsTheLaterRecordWin) {
  terminal.SetLines({
      Record(0x10, 0x0000, {0x12, 0x34}),  // placed like 00
      Record(0x00, 0x0001, {0x56}),        // overwrites the second byte
      Record(0x03, 0x0000, {0, 0, 0, 0}),  // start segment address: nothing placed
      "",
      Record(0x11, 0x0000, {}),            // ends like 01
      Record(0x00, 0x0004, {0x77}),
  });
  EXPECT_TRUE(BuildFirmwareImage(ctx));
  EXPECT_EQ(image.substr(0, 10), "1256FFFFFF");
  EXPECT_EQ(gauge.MaxValue(), 5);
  EXPECT_EQ(gauge.Progress(), 3);  // the blank line and the end record step nothing
}

// A build that stops keeps the image in use whole: a Write after it sends the
// previous firmware, never half of the new one.
TEST_F(ImageBuild, StopsAtAStartLinearAddressReportsItAndKeepsThePreviousImage) {
  image = "previous image";
  std::string start = Record(5, 0, {0, 0, 0, 0});
  terminal.SetLines({Record(0, 0, {0xAA}), start, Record(0, 0x10, {0xBB})});
  EXPECT_FALSE(BuildFirmwareImage(ctx));
  ASSERT_EQ(shell.messages.size(), 1u);
  EXPECT_EQ(shell.messages[0], "Знайдено: Start Linear Address Records (MDK-ARM only): 2! (" + start + ")");
  EXPECT_EQ(shell.beeps, std::vector<unsigned>{16});
  EXPECT_EQ(gauge.Progress(), 0);
  EXPECT_EQ(image, "previous image");
}

TEST_F(ImageBuild, AFieldThatIsNoNumberEndsTheBuildAndKeepsThePreviousImage) {
  image = "previous image";
  terminal.SetLines({Record(0, 0, {0x42}), ":0G000000000000"});
  try {
    BuildFirmwareImage(ctx);
    FAIL() << "no conversion error";
  } catch (const forms::EConvertError& e) {
    EXPECT_STREQ(e.what(), "'$0G' is not a valid integer value");
  }
  EXPECT_EQ(image, "previous image");

  terminal.SetLines({":02000004XY00FA"});
  try {
    BuildFirmwareImage(ctx);
    FAIL() << "no conversion error";
  } catch (const forms::EConvertError& e) {
    EXPECT_STREQ(e.what(), "'$XY00' is not a valid integer value");
  }
}

TEST_F(ImageBuild, WritesNothingOutsideTheImage) {
  terminal.SetLines({
      LinearBase(0x0131),
      Record(0, 0x2CF8, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}),  // straddles the end
      LinearBase(0xFFFF),
      Record(0, 0xFFF0, {0xEE, 0xEE}),  // far beyond
  });
  EXPECT_TRUE(BuildFirmwareImage(ctx));
  ASSERT_EQ(image.size(), kImageChars);
  EXPECT_EQ(image.substr(kImageChars - 18), "FF0102030405060708");
}

TEST_F(ImageBuild, ACountLargerThanTheLineTakesOnlyWhatTheLineHas) {
  // Count 16, two data bytes: the rest of the line (checksum digits) is taken as
  // the old rule took it, and nothing beyond the line.
  std::string line = ":10000000AABB8B";
  terminal.SetLines({line, Record(0, 0x10, {0x01})});
  EXPECT_TRUE(BuildFirmwareImage(ctx));
  EXPECT_EQ(image.substr(0, 10), "AABB8BFFFF");
  EXPECT_TRUE(OnlyF(image, 6, 0x20));
  EXPECT_EQ(image.substr(0x20, 4), "01FF");
}

TEST_F(ImageBuild, PassesOverRecordsTooShortForATypeDigit) {
  terminal.SetLines({":00", ":0000", Record(0, 0, {0x5A})});
  EXPECT_TRUE(BuildFirmwareImage(ctx));
  EXPECT_EQ(image.substr(0, 4), "5AFF");
}

TEST_F(ImageBuild, TheGaugeRunsToFullDuringTheFillThenCountsLines) {
  std::vector<int> percents;  // at each repaint while the gauge counts to 60000
  gauge.Subscribe([&] {
    if (gauge.MaxValue() == 60000) percents.push_back(gauge.Percent());
  });
  struct Seen {
    std::int64_t max, progress;
    std::size_t imageLength;
  };
  std::vector<Seen> atPumps;
  shell.onProcessMessages = [&] { atPumps.push_back({gauge.MaxValue(), gauge.Progress(), image.size()}); };
  gauge.SetProgress(50);
  terminal.SetLines({Record(0, 0, {1}), Record(0, 1, {2}), Record(0, 2, {3}), ":00000001FF"});
  EXPECT_TRUE(BuildFirmwareImage(ctx));

  // Through every percentage on the way up, not in one jump.
  ASSERT_EQ(percents.size(), 101u);
  for (int p = 0; p <= 100; ++p) EXPECT_EQ(percents[static_cast<std::size_t>(p)], p);
  // Pumped when the fill starts, with the gauge full at its end, and in the line
  // pass; nowhere near once per fill step.
  ASSERT_GE(atPumps.size(), 3u);
  EXPECT_EQ(atPumps.front().max, 60000);
  // A handler run at a pump finds the image in use as it was: the new one is built aside.
  EXPECT_TRUE(std::all_of(atPumps.begin(), atPumps.end(), [](const Seen& s) { return s.imageLength == 0; }));
  EXPECT_EQ(image.size(), kImageChars);
  auto full = std::find_if(atPumps.begin(), atPumps.end(),
                           [](const Seen& s) { return s.max == 60000 && s.progress == 60000; });
  EXPECT_NE(full, atPumps.end()) << "no pump saw the full gauge after the fill";
  EXPECT_EQ(atPumps.back().max, 3);
  EXPECT_LT(shell.pumps, 10000);
  EXPECT_EQ(gauge.MaxValue(), 3);
  EXPECT_EQ(gauge.Progress(), 3);
}

using CarriedStart = FirmwareFixture;

TEST_F(CarriedStart, EndsInTheReadyState) {
  terminal.SetText(std::string(firmware::CarriedFirmwareText()));
  write.SetEnabled(false);
  firmware::PrepareCarriedFirmware(ctx);
  EXPECT_EQ(label.Caption(), "Мікропрограма готова до запису");
  EXPECT_TRUE(write.Enabled());
  EXPECT_EQ(shell.beeps, std::vector<unsigned>{64});
  EXPECT_EQ(shell.log, (std::vector<std::string>{"front", "beep:64"}));
  EXPECT_EQ(gauge.Progress(), 0);
  EXPECT_TRUE(shell.messages.empty());
  ASSERT_EQ(image.size(), kImageChars);
  EXPECT_NE(image.substr(0, 8), "FFFFFFFF");
  EXPECT_EQ(image.substr(8, 8), "FFFFFFFF");
  EXPECT_EQ(image.back(), 'F');
}

TEST_F(CarriedStart, UpperCasesFirstAndStopsQuietlyAtAFailedLine) {
  terminal.SetLines({":020000040000fa", ":0100000011ee", ":0100000011EF"});
  write.SetEnabled(false);
  firmware::PrepareCarriedFirmware(ctx);
  EXPECT_EQ(terminal.Lines()[0], ":020000040000FA");
  ASSERT_EQ(shell.messages.size(), 1u);
  EXPECT_EQ(shell.messages[0], "Помилка контрольної суми у строці мікропрограми: 3! (:0100000011EF)");
  EXPECT_FALSE(write.Enabled());
  EXPECT_EQ(label.Caption(), "");
  EXPECT_TRUE(image.empty());
}

// What a start-up leaves and what it showed on the way: every change of the
// gauge as (maximum, percentage), the shell's calls, the memo and the image.
struct StartUpTrace {
  std::vector<std::pair<std::int64_t, int>> gauge;
  std::vector<std::string> log;
  std::vector<std::string> messages;
  forms::TextLines lines;
  std::string image, label;
  bool writeEnabled = false;
  bool operator==(const StartUpTrace&) const = default;
};

StartUpTrace RunStartUp(const std::string& memoText, std::optional<firmware::PreparedFirmware> ahead,
                        const char** imageData = nullptr) {
  struct Rig : FirmwareFixture {
    void TestBody() override {}
  } f;
  StartUpTrace t;
  f.terminal.SetText(memoText);
  f.write.SetEnabled(false);
  f.gauge.Subscribe([&] {
    std::pair<std::int64_t, int> now{f.gauge.MaxValue(), f.gauge.Percent()};
    if (t.gauge.empty() || t.gauge.back() != now) t.gauge.push_back(now);
  });
  firmware::PrepareCarriedFirmware(f.ctx, std::move(ahead));
  if (imageData) *imageData = f.image.data();
  t.log = f.shell.log;
  t.messages = f.shell.messages;
  t.lines = f.terminal.Lines();
  t.image = std::move(f.image);
  t.label = f.label.Caption();
  t.writeEnabled = f.write.Enabled();
  return t;
}

TEST(CarriedAhead, TheStartUpWithItShowsAndLeavesWhatTheFullStartUpDoes) {
  const std::string text(firmware::CarriedFirmwareText());
  auto ahead = firmware::PrepareAhead(text);
  ASSERT_TRUE(ahead.has_value());
  const char* built = ahead->image.data();
  const char* taken = nullptr;
  const StartUpTrace full = RunStartUp(text, std::nullopt);
  const StartUpTrace quick = RunStartUp(text, std::move(ahead), &taken);
  EXPECT_EQ(quick.label, "Мікропрограма готова до запису");
  ASSERT_EQ(quick.image.size(), kImageChars);
  EXPECT_TRUE(quick == full);
  EXPECT_EQ(quick.gauge, full.gauge);
  EXPECT_EQ(quick.log, full.log);
  // The prepared image itself is taken over: no second 40 MB.
  EXPECT_EQ(taken, built);
}

TEST(CarriedAhead, IsUsedOnlyForTheTextItWasMadeFrom) {
  const std::string made = Record(0, 0, {0x12}) + "\r\n:00000001FF\r\n";
  const std::string lower = Record(0, 0, {0xab}) + "\r\n:00000001ff\r\n";
  std::string lowerUpper = lower;
  for (char& c : lowerUpper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

  // Another text in the memo: the full start-up runs on the memo's text.
  StartUpTrace other = RunStartUp(lower, firmware::PrepareAhead(made));
  EXPECT_EQ(other.image.substr(0, 4), "ABFF");
  EXPECT_EQ(other.lines[0], Record(0, 0, {0xAB}));

  // The same text in lower case: it is what upper-casing the memo gives.
  auto ahead = firmware::PrepareAhead(lower);
  ASSERT_TRUE(ahead.has_value());
  EXPECT_EQ(ahead->lines, other.lines);
  EXPECT_TRUE(RunStartUp(lower, std::move(ahead)) == RunStartUp(lowerUpper, std::nullopt));
}

TEST(CarriedAhead, IsNotMadeFromATextTheStartUpWouldStopAt) {
  EXPECT_FALSE(firmware::PrepareAhead(Record(0, 0, {1}) + "\n:0100000011EF\n"));  // checksum
  EXPECT_FALSE(firmware::PrepareAhead(":0\n"));                                      // odd digit count
  EXPECT_FALSE(firmware::PrepareAhead(Record(5, 0, {0, 0, 0, 0}) + "\n"));          // start linear address
  EXPECT_FALSE(firmware::PrepareAhead(":02000004GG00F8\n"));                         // no number
  EXPECT_FALSE(firmware::PrepareAhead(""));                                          // the gauge's range error
  // Then the start-up does it all and reports as ever.
  const StartUpTrace t = RunStartUp(Record(0, 0, {1}) + "\n:0100000011EF\n", firmware::PrepareAhead(":00000001FF"));
  ASSERT_EQ(t.messages.size(), 1u);
  EXPECT_EQ(t.messages[0], "Помилка контрольної суми у строці мікропрограми: 2! (:0100000011EF)");
  EXPECT_FALSE(t.writeEnabled);
}

}  // namespace
}  // namespace firmware_test
