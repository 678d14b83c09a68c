// The layout table itself, where a slip would draw a control in the wrong
// place in one view and not be noticed in the other.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>

#include "tests/support/ScriptedShell.h"
#include "ui/Layout.h"
#include "ui/Main.h"

namespace {

namespace layout = ui::layout;

struct Box {
  int left, top, right, bottom;  // right and bottom exclusive
  bool Contains(const Box& b) const { return b.left >= left && b.top >= top && b.right <= right && b.bottom <= bottom; }
  bool Intersects(const Box& b) const { return b.left < right && left < b.right && b.top < bottom && top < b.bottom; }
};

// A control's place in its window's client area.
Box InWindow(const layout::WindowLayout& window, const layout::ControlLayout& c) {
  Box box{c.left, c.top, c.left + c.width, c.top + c.height};
  for (const layout::ControlLayout* p = layout::Find(window, c.parent); p; p = layout::Find(window, p->parent)) {
    box = {box.left + p->left, box.top + p->top, box.right + p->left, box.bottom + p->top};
  }
  return box;
}

const layout::WindowLayout* const kWindows[] = {&layout::kMainForm, &layout::kFormHelp};

TEST(LayoutTable, ParentsComeFirstAndHoldTheirChildren) {
  for (const layout::WindowLayout* window : kWindows) {
    std::set<std::string_view> made{window->name};
    for (const layout::ControlLayout& c : window->controls) {
      SCOPED_TRACE(c.name);
      EXPECT_TRUE(made.insert(c.name).second) << "twice in the table";
      // A view makes the controls in table order, so a parent must already exist.
      EXPECT_TRUE(made.count(c.parent)) << "parent " << c.parent;
      EXPECT_GT(c.width, 0);
      EXPECT_GT(c.height, 0);
      if (const layout::ControlLayout* p = layout::Find(*window, c.parent)) {
        EXPECT_TRUE((Box{0, 0, p->width, p->height}.Contains(Box{c.left, c.top, c.left + c.width, c.top + c.height})));
        EXPECT_EQ(c.seen, p->seen);
      }
      EXPECT_EQ(c.kind == layout::Kind::PictureButton || c.kind == layout::Kind::Picture, *c.picture != '\0');
    }
  }
  EXPECT_EQ(layout::ChildrenOf(layout::kMainForm, "sPanel2").size(), 2u);
  EXPECT_EQ(layout::Find(layout::kMainForm, "nothing"), nullptr);
}

TEST(LayoutTable, WhereAControlIsSeenMatchesTheWindowsSizes) {
  const layout::WindowLayout& main = layout::kMainForm;
  const Box compact{0, 0, main.clientWidth, main.clientHeight};
  // The expanded height is the outer one: any frame takes at least a caption
  // bar and borders (20 pixels) from it.
  const Box expanded{0, 0, main.clientWidth, main.expandedOuterHeight - 20};
  for (const layout::ControlLayout& c : main.controls) {
    SCOPED_TRACE(c.name);
    const Box box = InWindow(main, c);
    switch (c.seen) {
      case layout::Seen::Compact: EXPECT_TRUE(compact.Contains(box)); break;
      case layout::Seen::Expanded:
        EXPECT_FALSE(compact.Intersects(box));
        EXPECT_TRUE(expanded.Intersects(box));
        break;
      case layout::Seen::Never: EXPECT_FALSE(expanded.Intersects(box)); break;
    }
  }
  const layout::WindowLayout& help = layout::kFormHelp;
  for (const layout::ControlLayout& c : help.controls)
    EXPECT_TRUE((Box{0, 0, help.clientWidth, help.clientHeight}.Contains(InWindow(help, c)))) << c.name;

  // The Win32 view scales the layout by the display's dpi.
  EXPECT_EQ(layout::ScaleToDpi(289, 96), 289);
  EXPECT_EQ(layout::ScaleToDpi(289, 120), 361);
  EXPECT_EQ(layout::ScaleToDpi(7, 120), 9);
  EXPECT_EQ(layout::ScaleToDpi(-288, 144), -432);
  EXPECT_EQ(layout::ScaleToDpi(-7, 120), -9);
}

TEST(LayoutTable, FocusOrderRunsWithoutGapsThroughControlsThatTakeTheFocus) {
  for (const layout::WindowLayout* window : kWindows) {
    const auto order = layout::FocusOrder(*window);
    for (std::size_t i = 0; i < order.size(); ++i) {
      SCOPED_TRACE(order[i]->name);
      EXPECT_EQ(order[i]->focusOrder, static_cast<int>(i));
      EXPECT_NE(order[i]->kind, layout::Kind::Label);
      EXPECT_NE(order[i]->kind, layout::Kind::Panel);
      EXPECT_NE(order[i]->kind, layout::Kind::PictureButton);
      EXPECT_NE(order[i]->kind, layout::Kind::PercentageGauge);
      EXPECT_NE(order[i]->kind, layout::Kind::ThinProgressBar);
    }
  }
  std::string names;
  for (const layout::ControlLayout* c : layout::FocusOrder(layout::kMainForm)) names += std::string(c->name) + " ";
  EXPECT_EQ(names, "MemoAbout TextTerminal sComboBoxSkinName cbPort ButtonConect ButtonOpenHex sButton2 sButton3 cbBaudRate ");
  ASSERT_EQ(layout::FocusOrder(layout::kFormHelp).size(), 1u);
  EXPECT_STREQ(layout::FocusOrder(layout::kFormHelp).front()->name, "Button1");
}

TEST(LayoutTable, StoredTextsThatTheTableCannotShowWrong) {
  testing_support::ScriptedShell shell;
  ui::TFormHelp help(shell);
  ui::TMainForm form(shell, help);
  EXPECT_EQ(form.ButtonWrite.Hint.find('\n'), std::string::npos) << "single carriage returns";
  EXPECT_EQ(help.Caption(), layout::kFormHelp.caption);
  EXPECT_EQ(help.sWebLabel1.Caption(), help.kLabelHost);
  EXPECT_EQ(help.Button1.Caption, "ОК");
}

}  // namespace
