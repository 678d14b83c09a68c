#include <gtest/gtest.h>

#include "forms/Controls.h"

namespace {

TEST(Memo, SplitsTextAtEveryKindOfLineEnd) {
  forms::Memo m(nullptr, "m");
  m.SetText("a\r\nb\rc\nd\n");
  EXPECT_EQ(m.Lines(), (std::vector<std::string>{"a", "b", "c", "d"}));
  m.SetText("\n\nx");
  EXPECT_EQ(m.Lines(), (std::vector<std::string>{"", "", "x"}));
  EXPECT_EQ(m.Text(), "\r\n\r\nx");
}

TEST(Memo, AppendsToTheLastLineAndBreaksLines) {
  forms::Memo m(nullptr, "m");
  m.AppendToText("21");
  m.AppendToText("08");
  EXPECT_EQ(m.Text(), "2108");
  m.BreakLine();
  EXPECT_EQ(m.Text(), "2108\r\n");
  m.AppendToText("x");
  m.Add("log");
  EXPECT_EQ(m.Lines(), (std::vector<std::string>{"2108", "x", "log"}));
}

TEST(Memo, ARevisionMarksChangesToLinesAlreadySeen) {
  forms::Memo m(nullptr, "m");
  m.Add("a");
  auto r = m.Revision();
  m.Add("b");
  EXPECT_EQ(m.Revision(), r);  // only added at the end
  m.AppendToText("c");
  EXPECT_NE(m.Revision(), r);
}

TEST(ComboBox, ChooseOnlyTextIsTheSelectedItem) {
  forms::ComboBox c(nullptr, "c");
  c.SetItems({"COM1", "COM2"});
  EXPECT_EQ(c.Text(), "");
  c.SetItemIndex(1);
  EXPECT_EQ(c.Text(), "COM2");
  c.SetItems({});
  c.SetItemIndex(0);
  EXPECT_EQ(c.ItemIndex(), -1);
  EXPECT_EQ(c.Text(), "");
}

}  // namespace
