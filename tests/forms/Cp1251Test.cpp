// The Windows-1251 decoding that device descriptions are shown through.
#include <gtest/gtest.h>

#include <string>

#include "forms/Cp1251.h"

namespace {

TEST(Cp1251, DecodesEveryByteToExactlyOneCharacter) {
  EXPECT_EQ(forms::Cp1251ToUtf8("\xCF\xF0\xE8\xEB\xE0\xE4 ZOR-5"), "Прилад ZOR-5");
  EXPECT_EQ(forms::Cp1251ToUtf8("\xB2\xB3\xAF\xBF\xAA\xBA\xA5\xB4"), "ІіЇїЄєҐґ");
  EXPECT_EQ(forms::Cp1251ToUtf8("\xA8\xB8\xB9\x88\x96"), "Ёё№€–");
  EXPECT_EQ(forms::Cp1251ToUtf8("\x98"), "\xEF\xBF\xBD");  // no character there
  EXPECT_EQ(forms::Cp1251ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
  for (int b = 0; b < 256; ++b) {
    std::string utf8 = forms::Cp1251ToUtf8(std::string(1, static_cast<char>(b)));
    int leads = 0;
    for (char c : utf8) leads += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    EXPECT_EQ(leads, 1) << "byte " << b;
  }
}

}  // namespace
