// The wire's rules, which need no port: frames, commands, acknowledgements,
// reply fields, the version decision; and the description's decoding into the memo.
#include <gtest/gtest.h>

#include "protocol/Protocol.h"
#include "protocol/wire/Wire.h"

namespace {

using protocol::wire::AckAccepted;
using protocol::wire::FrameCommand;
using protocol::wire::ReplyHexField;

TEST(FrameCommand, AddsPlainLowByteSumAndNothingAfterTheSemicolon) {
  EXPECT_EQ(FrameCommand("04000040"), "r0400004044;");
  EXPECT_EQ(FrameCommand("02"), "r0202;");
  // 05 + 01 + FF + FF = 0x204: only the low byte stays.
  EXPECT_EQ(FrameCommand("0501FFFF"), "r0501FFFF04;");
  EXPECT_EQ(FrameCommand("04000000"), "r0400000004;");
  EXPECT_EQ(FrameCommand("05011234"), "r050112344C;");
}

TEST(WireCommands, EraseAndWriteCarryTheAddressAndOnlyTheDigitsTheImageHas) {
  using protocol::wire::EraseCommand;
  using protocol::wire::WriteCommand;
  EXPECT_EQ(EraseCommand(0), "r0400000004;");
  EXPECT_EQ(EraseCommand(0x40), "r0400004044;");
  EXPECT_EQ(WriteCommand(1, "1234FFFF", 0, 2), "r050112344C;");
  EXPECT_EQ(WriteCommand(1, "1234FFFF", 0, 0), "r050106;");
  // The write number is two upper-case digits; a range past the image's end
  // sends what there is, or nothing.
  EXPECT_EQ(WriteCommand(10, "1234FFFF", 1, 2), "r050A34FF42;");
  EXPECT_EQ(WriteCommand(2, "1234", 1, 2), "r0502343B;");
  EXPECT_EQ(WriteCommand(2, "1234", 5, 2), "r050207;");
}

TEST(VersionDecision, SixCharactersOlderThanTheCarriedOneGoOn) {
  using protocol::wire::JudgeVersion;
  using V = protocol::wire::VersionVerdict;
  EXPECT_EQ(JudgeVersion("210824"), V::Older);
  EXPECT_EQ(JudgeVersion("000001"), V::Older);
  EXPECT_EQ(JudgeVersion("210825"), V::AlreadyWritten);
  EXPECT_EQ(JudgeVersion("210826"), V::Newer);
  EXPECT_EQ(JudgeVersion("21082"), V::Unknown);
  EXPECT_EQ(JudgeVersion("2108\r\n25"), V::Unknown);
  EXPECT_EQ(JudgeVersion("21O825"), V::NotANumber);
  // Six characters of two bytes each (the memo holds UTF-8): counted as six.
  EXPECT_EQ(JudgeVersion("версія"), V::NotANumber);
  // Judged against the version given, not a number of its own.
  EXPECT_EQ(JudgeVersion("210900", "210901"), V::Older);
  EXPECT_EQ(JudgeVersion("210825", "210901"), V::Older);
}

TEST(AckAccepted, NeedsTheCodeAtTheStartAndTheSemicolonAtTheEnd) {
  auto judged = [](const std::string& reply, const char* expected) { return AckAccepted(reply, expected); };
  EXPECT_TRUE(judged("r84;", "r84"));
  EXPECT_TRUE(judged("r8484;", "r84"));
  EXPECT_TRUE(judged("r84 anything at all;", "r84"));  // the middle is not read
  EXPECT_FALSE(judged("r84", "r84"));                  // cut before its ";"
  EXPECT_FALSE(judged("r8484", "r84"));
  EXPECT_FALSE(judged("r85;", "r84"));
  EXPECT_FALSE(judged("", "r84"));
  EXPECT_FALSE(judged("r8", "r84"));
  EXPECT_FALSE(judged(";", "r84"));
  // A late erase reply followed by the write's own: judged as one text.
  EXPECT_FALSE(judged("r8484;r8585;", "r85"));
  EXPECT_TRUE(judged("r8585;r8484;", "r85"));
}

TEST(ReplyHexField, ReadsFullFieldsOnlyAndMalformedOnesAreZero) {
  const std::string reply = "r8202abcd0A4000C0;";  // 18 characters
  EXPECT_EQ(ReplyHexField(reply, 10, 2), 10);
  EXPECT_EQ(ReplyHexField(reply, 12, 2), 64);
  EXPECT_EQ(ReplyHexField(reply, 14, 4), 192);
  EXPECT_EQ(ReplyHexField("r8202abcdffFF0aBc;", 10, 2), 255);
  EXPECT_EQ(ReplyHexField("r8202abcdffFF0aBc;", 14, 4), 0x0ABC);
  // The ";" or the end of a short reply cuts into the field.
  EXPECT_EQ(ReplyHexField("r8202abcd0A40C0;", 14, 4), 0);
  EXPECT_EQ(ReplyHexField("r8202abcd0A4", 12, 2), 0);
  EXPECT_EQ(ReplyHexField("r8202abcd0A", 12, 2), 0);
  EXPECT_EQ(ReplyHexField("", 10, 2), 0);
  EXPECT_EQ(ReplyHexField("r8202abcd0G4000C0;", 10, 2), 0);
  EXPECT_EQ(ReplyHexField("r8202abcd+A4000C0;", 10, 2), 0);
  EXPECT_EQ(ReplyHexField("r8202abcd A4000C0;", 10, 2), 0);
}

struct MemoFixture : ::testing::Test {
  forms::Window window;
  forms::Memo memo{&window, "MemoAbout"};
};

TEST_F(MemoFixture, LineFeedsStartLinesAndEverythingElseIsAppended) {
  protocol::AppendDescription(memo, "ZOR-5\n\xE2\xE5\xF0\xF1\xB3\xFF 2.1");
  EXPECT_EQ(memo.Lines(), (std::vector<std::string>{"ZOR-5", "версія 2.1"}));
  EXPECT_EQ(memo.Text(), "ZOR-5\r\nверсія 2.1");
}

TEST_F(MemoFixture, EmptyLinesLeadingAndTrailingLineFeedsAndCarriageReturnsSurvive) {
  protocol::AppendDescription(memo, "\na\n\n\nb\r\nc\n");
  EXPECT_EQ(memo.Lines(), (std::vector<std::string>{"", "a", "", "", "b\r", "c"}));
  EXPECT_EQ(memo.Text(), "\r\na\r\n\r\n\r\nb\r\r\nc\r\n");
}

TEST_F(MemoFixture, TwoLineVersionIsNoLongerSixCharacters) {
  protocol::AppendDescription(memo, "2108\n25");
  EXPECT_EQ(memo.Text(), "2108\r\n25");
}

}  // namespace
