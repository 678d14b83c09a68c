// The start-up work done on the second thread: what it hands over, and that
// handing over twice or never is safe.
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QStringList>

#include "firmware/Firmware.h"
#include "ui/qt/EarlyStart.h"

namespace qttest {
namespace {

TEST(EarlyStart, HandsOverTheCarriedFirmwareOnceAndLeavesFontsUsable) {
  uiqt::EarlyStart early;
  early.WaitForFonts();
  EXPECT_FALSE(QFontDatabase::families().isEmpty());
  auto carried = early.TakeCarried();
  ASSERT_TRUE(carried.has_value());
  EXPECT_EQ(carried->image.size(), firmware::kImageChars);
  EXPECT_EQ(carried->lines.size(), 4080u);
  // A second take gets nothing rather than the same result again.
  EXPECT_FALSE(early.TakeCarried().has_value());
}

TEST(EarlyStart, EndsCleanlyWhenNothingIsTaken) {
  uiqt::EarlyStart early;  // the program may fail before it asks
}

}  // namespace
}  // namespace qttest
