// The line checks: the byte sum, the parity and checksum reports, the errors.
#include <gtest/gtest.h>

#include "firmware/Firmware.h"
#include "forms/Errors.h"
#include "tests/firmware/FirmwareFixture.h"

namespace firmware_test {
namespace {

using firmware::CheckFirmwareText;
using firmware::HexByteSum;

const std::string kParity = "Порушення парності у строці мікропрограми: ";
const std::string kChecksum = "Помилка контрольної суми у строці мікропрограми: ";

TEST(HexByteSum, IsTheLowByteOfThePairSumInTwoUpperCaseDigits) {
  EXPECT_EQ(HexByteSum("0000000001"), "01");
  EXPECT_EQ(HexByteSum("10002000"), "30");
  EXPECT_EQ(HexByteSum("FFFF"), "FE");
  EXPECT_EQ(HexByteSum("ffff"), "FE");
  EXPECT_EQ(HexByteSum(""), "00");
  EXPECT_EQ(HexByteSum("05"), "05");
  EXPECT_EQ(HexByteSum("FFA4"), "A3");  // 0x1A3 keeps its last two digits
  EXPECT_EQ(HexByteSum("G1102X"), "10");  // pairs that are no number count as 0
}

using LineCheck = FirmwareFixture;

TEST_F(LineCheck, PassesRecordsAndLinesThatAreNoRecords) {
  terminal.SetLines({":00", "", "  :00000001FF", "; comment", ":020000040030CA", ":00000001FF"});
  EXPECT_TRUE(CheckFirmwareText(ctx));
  EXPECT_TRUE(shell.messages.empty());
  EXPECT_TRUE(shell.beeps.empty());
  // One step per line, non-records included; the caller resets the gauge.
  EXPECT_EQ(gauge.MaxValue(), 5);
  EXPECT_EQ(gauge.Progress(), 5);
  EXPECT_GE(shell.pumps, 1);
}

TEST_F(LineCheck, ReportsAWrongChecksumWithTheLineAndStops) {
  terminal.SetLines({":00000001FF", ":FF", ":0"});
  EXPECT_FALSE(CheckFirmwareText(ctx));
  ASSERT_EQ(shell.messages.size(), 1u);
  EXPECT_EQ(shell.messages[0], kChecksum + "2! (:FF)");
  EXPECT_EQ(shell.beeps, std::vector<unsigned>{16});
  EXPECT_EQ(gauge.Progress(), 0);
  EXPECT_EQ(shell.log.front(), "beep:16");  // the sound comes before the box
}

TEST_F(LineCheck, ATrailingBlankBreaksParityALeadingOneIsNoRecord) {
  terminal.SetLines({" :00000001FF", ":00000001FF "});
  EXPECT_FALSE(CheckFirmwareText(ctx));
  ASSERT_EQ(shell.messages.size(), 1u);
  EXPECT_EQ(shell.messages[0], kParity + "2! (:00000001FF )");
}

TEST_F(LineCheck, ChecksLinesAfterTheEndOfFileRecord) {
  terminal.SetLines({Record(0, 0, {1, 2}), ":00000001FF", ":0400000001020304F0"});
  EXPECT_FALSE(CheckFirmwareText(ctx));
  ASSERT_EQ(shell.messages.size(), 1u);
  EXPECT_EQ(shell.messages[0], kChecksum + "3! (:0400000001020304F0)");
}

TEST_F(LineCheck, DataDigitsThatAreNoNumberHaveTheirOwnMessage) {
  // The sum counts G1 and 5Z as 0: the checksum field agrees, the digits do not.
  const std::string kInvalid = "Недопустимий символ у строці мікропрограми: ";
  std::string bad = ":0400000012G1345ZB6";
  terminal.SetLines({Record(0, 0, {0x11, 0x22}), bad});
  EXPECT_FALSE(CheckFirmwareText(ctx));
  EXPECT_EQ(shell.messages, std::vector<std::string>{kInvalid + "2! (" + bad + ")"});
  EXPECT_EQ(shell.beeps, std::vector<unsigned>{16});
  EXPECT_EQ(gauge.Progress(), 0);
  EXPECT_TRUE(image.empty());

  // A wrong sum is told first, whatever the digits.
  shell.messages.clear();
  terminal.SetLines({":0400000012G1345ZB7"});
  EXPECT_FALSE(CheckFirmwareText(ctx));
  EXPECT_EQ(shell.messages, std::vector<std::string>{kChecksum + "1! (:0400000012G1345ZB7)"});

  // A line's bytes are the file's, read as Windows-1251: one foreign byte leaves
  // the message readable UTF-8, our words intact (0xE9 is й).
  shell.messages.clear();
  terminal.SetLines({":0400000012\xE9" "1345ZB6"});
  EXPECT_FALSE(CheckFirmwareText(ctx));
  EXPECT_EQ(shell.messages, std::vector<std::string>{kInvalid + "1! (:0400000012й1345ZB6)"});
}

TEST_F(LineCheck, AChecksumFieldThatIsNoNumberRaisesTheConversionError) {
  terminal.SetLines({":00000001FF", ":0000000Z"});
  try {
    CheckFirmwareText(ctx);
    FAIL() << "no conversion error";
  } catch (const forms::EConvertError& e) {
    EXPECT_STREQ(e.what(), "'$0Z' is not a valid integer value");
  }
  EXPECT_EQ(gauge.Progress(), 1);  // left where the steps took it
  EXPECT_TRUE(shell.messages.empty());

  terminal.SetLines({":"});
  try {
    CheckFirmwareText(ctx);
    FAIL() << "no conversion error";
  } catch (const forms::EConvertError& e) {
    EXPECT_STREQ(e.what(), "'$' is not a valid integer value");
  }
}

TEST_F(LineCheck, AnEmptyTextEndsAtTheGaugesRangeError) {
  gauge.SetMaxValue(10);
  gauge.SetProgress(4);
  terminal.SetLines({});
  EXPECT_THROW(CheckFirmwareText(ctx), forms::ERangeError);
  EXPECT_EQ(gauge.MaxValue(), 10);
  EXPECT_EQ(shell.pumps, 0);
}

TEST_F(LineCheck, ALongTextPumpsOnATimeBudgetNotPerLine) {
  std::vector<std::string> lines(50000, Record(0, 0x10, {1, 2, 3, 4, 5, 6, 7, 8}));
  terminal.SetLines(lines);
  EXPECT_TRUE(CheckFirmwareText(ctx));
  EXPECT_GE(shell.pumps, 1);
  EXPECT_LT(shell.pumps, 5000);
}

}  // namespace
}  // namespace firmware_test
