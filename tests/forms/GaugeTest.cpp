#include <gtest/gtest.h>

#include "forms/Errors.h"
#include "forms/Gauge.h"

namespace {

TEST(Gauge, ClampsProgressAndLowersItWithTheMaximum) {
  forms::TGauge g(nullptr, "g");
  g.SetMaxValue(10);
  g.SetProgress(25);
  EXPECT_EQ(g.Progress(), 10);
  g.SetProgress(-4);
  EXPECT_EQ(g.Progress(), 0);
  g.SetProgress(8);
  g.SetMaxValue(5);
  EXPECT_EQ(g.Progress(), 5);
  g.StepBy(1);
  EXPECT_EQ(g.Progress(), 5);
}

TEST(Gauge, RefusesAMaximumBelowTheMinimumAndKeepsItsState) {
  forms::TGauge g(nullptr, "g");
  g.SetMaxValue(40);
  g.SetProgress(7);
  try {
    g.SetMaxValue(-1);
    FAIL() << "no range error";
  } catch (const forms::ERangeError& e) {
    EXPECT_STREQ(e.what(), "Value must be between 1 and 2147483647");
  }
  EXPECT_EQ(g.MaxValue(), 40);
  EXPECT_EQ(g.Progress(), 7);
  g.SetMaxValue(0);  // equal to the minimum is allowed and shows 0%
  EXPECT_EQ(g.Text(), "0%");
}

TEST(Gauge, HoldsSixtyFourBitValues) {
  forms::TGauge g(nullptr, "g");
  g.SetMaxValue(std::int64_t{1} << 40);
  g.SetProgress(std::int64_t{1} << 39);
  EXPECT_EQ(g.Progress(), std::int64_t{1} << 39);
  EXPECT_EQ(g.Text(), "50%");
}

TEST(Gauge, RoundsHalfToEven) {
  forms::TGauge g(nullptr, "g");
  g.SetMaxValue(200);
  g.SetProgress(1);  // 0.5 -> 0
  EXPECT_EQ(g.Percent(), 0);
  g.SetProgress(3);  // 1.5 -> 2
  EXPECT_EQ(g.Percent(), 2);
  g.SetProgress(5);  // 2.5 -> 2
  EXPECT_EQ(g.Percent(), 2);
  g.SetMaxValue(8);
  g.SetProgress(3);  // 37.5 -> 38
  EXPECT_EQ(g.Text(), "38%");
}

TEST(Gauge, RepaintsOnlyWhenTheShownPercentageChanges) {
  forms::TGauge g(nullptr, "g");
  int heard = 0;
  g.Subscribe([&] { ++heard; });
  g.SetMaxValue(60000);
  g.SetProgress(0);
  for (int i = 0; i < 1'000'000; ++i) g.StepBy(1);
  EXPECT_EQ(g.Percent(), 100);
  EXPECT_EQ(heard, 100);
  EXPECT_EQ(g.Repaints(), 100u);
}

TEST(ErrorBox, AddsAFullStopAfterLettersAndDigitsOnly) {
  EXPECT_EQ(forms::ErrorBoxText("Value must be between 1 and 2147483647"), "Value must be between 1 and 2147483647.");
  EXPECT_EQ(forms::ErrorBoxText("Порт зайнятий іншою програмою"), "Порт зайнятий іншою програмою.");
  EXPECT_EQ(forms::ErrorBoxText("програму!"), "програму!");
  EXPECT_EQ(forms::ErrorBoxText("(x)"), "(x)");
  EXPECT_EQ(forms::ErrorBoxText("done."), "done.");
  EXPECT_EQ(forms::ErrorBoxText("a,"), "a,");  // ',' sorts below '.'
  EXPECT_EQ(forms::ErrorBoxText("a/"), "a/.");
  EXPECT_EQ(forms::ErrorBoxText(""), "");
}

}  // namespace
