// The Shell's boxes and the edge that keeps errors from crossing the event loop.
#include <QApplication>
#include <QTest>
#include <stdexcept>

#include "forms/Errors.h"
#include "firmware/FirmwareTexts.h"
#include "protocol/ProtocolTexts.h"
#include "tests/qt/Fixture.h"
#include "ui/MainTexts.h"
#include "ui/qt/QtShell.h"
#include "ui/qt/Text.h"

namespace qttest {
namespace {

TEST_F(Windows, BoxesCarryTheApplicationTitleAndTheirLines) {
  shell.ShowMessage("Порти оновлено!");
  shell.SetApplicationTitle(ui::texts::kTitle);
  shell.ShowMessage("  one\r\ntwo\rthree");
  shell.ShowErrorBox("Помилка.");
  // A byte from outside that is no UTF-8 spoils nothing around it (0xEF: п).
  shell.ShowMessage("Мікропрограма : \xEF.hex - помилка");
  ASSERT_EQ(watcher.boxes.size(), 4u);
  EXPECT_EQ(watcher.boxes[3].text, QStringLiteral("Мікропрограма : п.hex - помилка"));
  EXPECT_EQ(watcher.boxes[0].title, QStringLiteral("OSTRA Bootloader"));
  EXPECT_EQ(watcher.boxes[0].icon, QMessageBox::NoIcon);
  EXPECT_EQ(watcher.boxes[1].title, QString::fromUtf8(ui::texts::kTitle));
  EXPECT_EQ(watcher.boxes[1].text, QStringLiteral("  one\ntwo\nthree"));
  EXPECT_EQ(watcher.boxes[2].icon, QMessageBox::Critical);
}

// The platform box keeps a line on one line while it fits the screen: the
// success line is centred by its leading blanks, the check messages name a
// record after "(:".
TEST_F(Windows, ABoxKeepsEachLineThatFitsTheScreenOnOneLine) {
  shell.ShowMessage(std::string(protocol::texts::kLoadedMessageHead) + "14:03:27" +
                    protocol::texts::kLoadedMessageTail);
  shell.ShowMessage(std::string(firmware::texts::kStartLinearAddress) + ":0400000500000000F7");
  shell.ShowMessage(std::string(firmware::texts::kChecksumError) + ":10000000000102030405060708090A0B0C0D0E0F77");
  // A line wider than the screen is wrapped still.
  shell.ShowMessage(std::string(400, 'W'));
  ASSERT_EQ(watcher.boxes.size(), 4u);
  for (int i : {0, 1, 2}) EXPECT_TRUE(watcher.boxes[i].linesWhole) << watcher.boxes[i].text.toStdString();
  EXPECT_FALSE(watcher.boxes[3].linesWhole);
}

TEST_F(Windows, TheEdgeShowsEscapingErrorsWithTheFullStopRuleAndSwallowsTheClosingUnwind) {
  shell.SetApplicationTitle(ui::texts::kTitle);
  shell.Deliver([] { throw std::runtime_error("Порт не відкрито"); });
  shell.Deliver([] { throw forms::EConvertError("'$1G' is not a valid integer value"); });
  shell.Deliver([] { throw forms::EApplicationClosing(); });
  int after = 0;
  shell.Deliver([&] { ++after; });
  ASSERT_EQ(watcher.boxes.size(), 2u);
  EXPECT_EQ(watcher.boxes[0].text, QStringLiteral("Порт не відкрито."));
  EXPECT_EQ(watcher.boxes[0].icon, QMessageBox::Critical);
  EXPECT_EQ(watcher.boxes[0].title, QString::fromUtf8(ui::texts::kTitle));
  EXPECT_EQ(watcher.boxes[1].text, QStringLiteral("'$1G' is not a valid integer value."));
  EXPECT_EQ(after, 1);
  EXPECT_EQ(shell.HandlerDepth(), 0);

  // An error inside a key handler, delivered through the window, is shown there
  // and the window goes on.
  ShowMain();
  form->cbPort.SetItems({});
  QTest::keyClick(window->windowHandle(), Qt::Key_L, Qt::ControlModifier);  // reset with no port
  Pump();
  ASSERT_EQ(watcher.boxes.size(), 3u);
  EXPECT_EQ(watcher.boxes[2].icon, QMessageBox::Critical);
  EXPECT_TRUE(window->isVisible());
}

TEST(Shell, FileFilterAndTextsInQtTerms) {
  EXPECT_EQ(uiqt::QtShell::QtFilter("Файли: I8HEX, I16HEX, I32HEX|*.hex"),
            QStringLiteral("Файли: I8HEX, I16HEX, I32HEX (*.hex)"));
  EXPECT_EQ(uiqt::QtShell::QtFilter("A|*.a;*.b|B|*.c"), QStringLiteral("A (*.a *.b);;B (*.c)"));
  EXPECT_EQ(uiqt::ToQt("\xD0\x9E\xD0\x9A"), QStringLiteral("ОК"));
  EXPECT_EQ(uiqt::ToQt("\xCE\xCA"), QStringLiteral("ОК"));  // Windows-1251
  uiqt::QtShell shell;
  const std::string time = shell.LongTimeOfDay();
  EXPECT_GE(time.size(), 7u);
  EXPECT_NE(time.find(':'), std::string::npos);
}

}  // namespace
}  // namespace qttest
