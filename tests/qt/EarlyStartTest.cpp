// The start-up work done on the second thread: what it hands over, and that
// handing over twice or never is safe.
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QStringList>
#include <optional>

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

TEST(EarlyStart, NeverWaitsForAnApplicationThatDoesNotCome) {
  // The program may fail before its application object exists: the thread then
  // must neither wait for it for ever nor touch Qt, and the thread is finished
  // twice (before the application goes, and again on leaving the scope).
  std::optional<firmware::PreparedFirmware> carried;
  {
    uiqt::EarlyStart early;
    early.WaitForFonts();
    carried = early.TakeCarried();
    early.Finish();
    early.Finish();
  }
  ASSERT_TRUE(carried.has_value());
  EXPECT_EQ(carried->image.size(), firmware::kImageChars);
  EXPECT_EQ(carried->lines.size(), 4080u);
}

}  // namespace
}  // namespace qttest
