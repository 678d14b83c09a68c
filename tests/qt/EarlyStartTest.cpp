// The start-up work done on the second thread: what it hands over, and that
// handing over twice or never is safe.
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QStringList>

#include "firmware/Firmware.h"
#include "ui/qt/EarlyStart.h"

namespace qttest {
namespace {

TEST(EarlyStart, HandsOverAnEmptyImageBufferOnceAndLeavesFontsUsable) {
  uiqt::EarlyStart early;
  early.WaitForFonts();
  EXPECT_FALSE(QFontDatabase::families().isEmpty());
  std::string image = early.TakeImageBuffer();
  EXPECT_TRUE(image.empty());
  EXPECT_GE(image.capacity(), firmware::kImageChars);
  // A second take gets nothing rather than the same storage again.
  EXPECT_EQ(early.TakeImageBuffer().capacity(), std::string().capacity());
}

TEST(EarlyStart, EndsCleanlyWhenNothingIsTaken) {
  uiqt::EarlyStart early;  // the program may fail before it asks
}

}  // namespace
}  // namespace qttest
