// The start-up work done on the second thread: what it hands over, and that
// handing over twice or never is safe.
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QStringList>
#include <chrono>

#include "firmware/Firmware.h"
#include "ui/qt/EarlyStart.h"

namespace qttest {
namespace {

TEST(EarlyStart, HandsOverOnceAndEndsWithoutAnApplication) {
  // The program may fail before its application object exists: the thread then
  // must neither wait for it for ever nor touch Qt, and finishing twice (before
  // the application goes, and again on leaving the scope) is safe.
  const auto start = std::chrono::steady_clock::now();
  {
    uiqt::EarlyStart early;
    early.WaitForFonts();
    EXPECT_FALSE(QFontDatabase::families().isEmpty());
    auto carried = early.TakeCarried();
    ASSERT_TRUE(carried.has_value());
    EXPECT_EQ(carried->image.size(), firmware::kImageChars);
    EXPECT_EQ(carried->lines.size(), 4080u);
    // A second take gets nothing rather than the same result again.
    EXPECT_FALSE(early.TakeCarried().has_value());
    early.Finish();
    early.Finish();
  }
  // The preparation itself takes about a second; a wait for the application
  // would not end at all.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

}  // namespace
}  // namespace qttest
