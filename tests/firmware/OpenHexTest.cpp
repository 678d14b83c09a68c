// Opening a firmware file: every outcome the user can meet, with real files.
#include <gtest/gtest.h>


#include "firmware/Firmware.h"
#include "forms/Errors.h"
#include "tests/firmware/OpenHexFixture.h"

namespace firmware_test {
namespace {

using firmware::kImageChars;



TEST_F(OpenHex, CancelledDialogChangesNothing) {
  Open(std::nullopt);
  EXPECT_EQ(shell.log, std::vector<std::string>{"dialog:" + kFilter});
  EXPECT_EQ(dialog.Filter, kFilter);
  EXPECT_EQ(dialog.FileName, "");
  ExpectNothingChanged();
}

TEST_F(OpenHex, AFileThatCannotBeReadRaisesTheFileError) {
  std::string path = (dir.Path() / "missing.hex").string();
  Open(path);
  ASSERT_EQ(shell.errors.size(), 1u);
  EXPECT_EQ(shell.errors[0], "Cannot open file \"" + path + "\". No such file or directory.");
  ExpectNothingChanged();

  Open(dir.Path().string());  // a folder is no file either
  ASSERT_EQ(shell.errors.size(), 2u);
  EXPECT_EQ(shell.errors[1].rfind("Cannot open file \"" + dir.Path().string() + "\". ", 0), 0u) << shell.errors[1];
  ExpectNothingChanged();
}

TEST_F(OpenHex, AFailedCheckKeepsThePreviousImage) {
  std::string path = dir.Write("bad.hex", ":020000040000fa\r\n:0100000011ef\r\n:0100000011ee\r\n");
  Open(path);
  EXPECT_EQ(terminal.Lines(), (std::vector<std::string>{":020000040000FA", ":0100000011EF", ":0100000011EE"}));
  EXPECT_EQ(shell.messages, std::vector<std::string>{"Помилка контрольної суми у строці мікропрограми: 2! (:0100000011EF)"});
  EXPECT_EQ(shell.beeps, std::vector<unsigned>{16});
  EXPECT_EQ(image, "previous image");
  EXPECT_FALSE(write.Enabled());
  EXPECT_EQ(label.Caption(), "Мікропрограма готова до запису");
  EXPECT_EQ(dialog.FileName, path);
}

TEST_F(OpenHex, AStartLinearAddressRecordChangesNothingButTheText) {
  std::string path = dir.Write("arm.hex", Record(0, 0, {0xC3}) + "\n" + Record(5, 0, {0, 0, 1, 0}) + "\n" +
                                              Record(0, 0x10, {0x3C}) + "\n");
  Open(path);
  ASSERT_EQ(shell.messages.size(), 1u);
  EXPECT_EQ(shell.messages[0].rfind("Знайдено: Start Linear Address Records (MDK-ARM only): 2! (:04000005", 0), 0u);
  EXPECT_EQ(image, "previous image");
  EXPECT_FALSE(write.Enabled());
  EXPECT_EQ(label.Caption(), "Мікропрограма готова до запису");
  EXPECT_TRUE(shell.errors.empty());
}

TEST_F(OpenHex, SuccessNamesTheFileEnablesWriteAndTellsTheUser) {
  std::string path = dir.Write("a/b.hex", LinearBase(1) + "\r\n" + ":02001000abcd76\r\n:00000001ff\r\n");
  Open(path);
  EXPECT_TRUE(shell.errors.empty());
  EXPECT_EQ(terminal.Lines(), (std::vector<std::string>{LinearBase(1), ":02001000ABCD76", ":00000001FF"}));
  ASSERT_EQ(image.size(), kImageChars);
  EXPECT_EQ(image.substr(131104, 6), "ABCDFF");
  EXPECT_TRUE(write.Enabled());
  EXPECT_EQ(label.Caption(), "Мікропрограма : b.hex - відкрита. Запишіть в прилад");
  EXPECT_EQ(shell.log,
            (std::vector<std::string>{"dialog:" + kFilter, "front", "beep:64", "message:" + kOpened}));
  EXPECT_EQ(gauge.Progress(), 0);
  EXPECT_EQ(dialog.FileName, path);

  // The same file again gives the same image.
  std::string first = image;
  Open(path);
  EXPECT_EQ(image, first);
  EXPECT_EQ(shell.messages.size(), 2u);
}

TEST_F(OpenHex, AFileInAFolderWithACyrillicNameOpens) {
  // The dialog hands over UTF-8, as every text of the program is.
  const std::u8string folder = u8"Прошивка", file = u8"мікро.hex";
  auto path = dir.Path() / folder / file;
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << LinearBase(0) << "\r\n:0100000011EE\r\n:00000001FF\r\n";
  const std::u8string utf8 = path.u8string();
  Open(std::string(utf8.begin(), utf8.end()));
  EXPECT_TRUE(shell.errors.empty()) << (shell.errors.empty() ? "" : shell.errors[0]);
  EXPECT_EQ(shell.messages, std::vector<std::string>{kOpened});
  EXPECT_EQ(image.substr(0, 2), "11");
  EXPECT_EQ(label.Caption(), "Мікропрограма : мікро.hex - відкрита. Запишіть в прилад");
}

TEST_F(OpenHex, LineEndsOfEveryKindReadAlike) {
  std::vector<std::string> lines = {Record(0, 0, {1, 2}), "", Record(0, 4, {3}), ":00000001FF"};
  std::string built;
  for (const char* end : {"\r\n", "\n", "\r"}) {
    std::string text;
    for (const auto& l : lines) text += l + end;
    Open(dir.Write("ends.hex", text));
    EXPECT_EQ(terminal.Lines(), lines) << "line end " << (end[0] == '\r' ? (end[1] ? "CR LF" : "CR") : "LF");
    if (built.empty()) built = image;
    EXPECT_EQ(image, built);
  }
  // No line end at the very end: the same lines.
  Open(dir.Write("ends.hex", lines[0] + "\n\n" + lines[2] + "\n" + lines[3]));
  EXPECT_EQ(terminal.Lines(), lines);
  EXPECT_TRUE(shell.errors.empty());
  EXPECT_EQ(shell.messages.size(), 4u);
}

TEST_F(OpenHex, AByteOrderMarkHidesTheFirstRecordAndUpperCasingKeepsOtherBytes) {
  std::string bom = "\xEF\xBB\xBF";
  std::string path = dir.Write("bom.hex", bom + Record(0, 0, {0x11}) + "\n; hex прошивка é\n" + Record(0, 2, {0x22}) + "\n");
  Open(path);
  EXPECT_TRUE(shell.errors.empty());
  EXPECT_EQ(terminal.Lines()[0], bom + Record(0, 0, {0x11}));
  EXPECT_EQ(terminal.Lines()[1], "; HEX прошивка é");  // only a-z are upper-cased
  EXPECT_EQ(image.substr(0, 6), "FFFF22");
  EXPECT_TRUE(write.Enabled());
}

TEST_F(OpenHex, AFileWithoutRecordsOpensAsAllF) {
  Open(dir.Write("notes.txt", "just a note\r\n"));
  EXPECT_TRUE(write.Enabled());
  ASSERT_EQ(image.size(), kImageChars);
  EXPECT_EQ(image.find_first_not_of('F'), std::string::npos);
  EXPECT_EQ(shell.messages, std::vector<std::string>{kOpened});
}

TEST_F(OpenHex, AnEmptyFileEndsAtTheRangeError) {
  Open(dir.Write("empty.hex", ""));
  EXPECT_EQ(shell.errors, std::vector<std::string>{"Value must be between 1 and 2147483647."});
  EXPECT_TRUE(terminal.Lines().empty());
  EXPECT_EQ(image, "previous image");
  EXPECT_FALSE(write.Enabled());
  EXPECT_TRUE(shell.messages.empty());
}

TEST_F(OpenHex, ANonHexFieldReachesTheErrorBox) {
  Open(dir.Write("field.hex", Record(0, 0, {0x99}) + "\n:0100zz0011EE\n"));
  // The check counts zz as 0 and lets the line pass; the build cannot read it.
  EXPECT_EQ(shell.errors, std::vector<std::string>{"'$00ZZ' is not a valid integer value."});
  EXPECT_FALSE(write.Enabled());
  EXPECT_EQ(image, "previous image");
}

// File names are the file system's bytes: shown whole but for their folder, as
// UTF-8, a byte that is no UTF-8 read as Windows-1251; on Linux a backslash is
// part of the name.
}  // namespace
}  // namespace firmware_test
