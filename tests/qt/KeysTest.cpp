// Keys and closes delivered through the real Qt windows: key preview, focus
// order, F1 between the two windows, the taller window, a close while the
// start-up still pumps.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "forms/Errors.h"
#include "tests/qt/Fixture.h"
#include "ui/MainTexts.h"
#include "ui/qt/Text.h"

namespace qttest {
namespace {

// A key as the window system hands it to a window: Qt picks the focus widget.
void Key(QWidget* top, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QTest::keyClick(top->windowHandle(), key, mods);
  Pump(5);
}

// The controls that take the focus, in the layout's Tab order.
std::vector<const char*> TabOrder() {
  std::vector<const char*> names;
  for (const ui::layout::ControlLayout* c : ui::layout::FocusOrder(ui::layout::kMainForm)) names.push_back(c->name);
  return names;
}

TEST_F(Windows, FocusStartsInTheHiddenMemoAndTabRunsThroughTheLayoutOrder) {
  ShowMain();
  ASSERT_NE(FocusedNamed(), nullptr);
  EXPECT_EQ(FocusedNamed()->objectName(), "MemoAbout");
  EXPECT_EQ(form->ActiveControl(), &form->MemoAbout);
  const std::vector<const char*> order = TabOrder();
  ASSERT_FALSE(order.empty());
  for (int round = 0; round < 2; ++round)
    for (std::size_t i = 0; i < order.size(); ++i) {
      const char* next = order[(i + 1) % order.size()];
      Key(window.get(), Qt::Key_Tab);
      ASSERT_NE(FocusedNamed(), nullptr);
      EXPECT_EQ(FocusedNamed()->objectName(), QLatin1String(next)) << "after " << order[i];
    }
  // The model hears of the user's focus moves, and moves the focus itself.
  EXPECT_EQ(form->ActiveControl(), &form->MemoAbout);
  Key(window.get(), Qt::Key_Tab);
  EXPECT_EQ(form->ActiveControl(), &form->TextTerminal);
  form->ButtonOpenHex.SetFocus();
  EXPECT_EQ(QApplication::focusWidget(), Find("ButtonOpenHex"));
}

TEST_F(Windows, EveryKeyReachesFormKeyDownOnceWhateverHasTheFocusAndStillReachesTheControl) {
  ShowMain();
  form->cbBaudRate.SetItemIndex(serial::br115200);
  for (const char* name : TabOrder()) {
    SCOPED_TRACE(name);
    Find(name)->setFocus();
    Pump(5);
    const auto fronts = help->FrontRequests();
    // F1 is ignored by every control and walks up the parents: still one preview.
    Key(window.get(), Qt::Key_F1, Qt::ShiftModifier);
    EXPECT_TRUE(help->Visible());
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(help->FrontRequests(), fronts + 1);
    Key(about.get(), Qt::Key_F1);
    EXPECT_FALSE(about->isVisible());
    window->activateWindow();
    Pump(5);
  }

  // Not swallowed: the focused control gets the key after the preview.
  form->MemoAbout.Clear();
  Find("MemoAbout")->setFocus();
  Key(window.get(), Qt::Key_Q);
  EXPECT_EQ(form->MemoAbout.Text(), "q");

  Find("cbBaudRate")->setFocus();
  Key(window.get(), Qt::Key_Down);
  // The user's choice is in the model before cbBaudRateChange reads it.
  EXPECT_EQ(form->cbBaudRate.ItemIndex(), 13);
  EXPECT_EQ(form->BComPort1.BaudRate(), serial::br128000);

  Find("sButton3")->setFocus();
  Key(window.get(), Qt::Key_Space);
  EXPECT_TRUE(about->isVisible());  // sButton3Click opened it
  Key(about.get(), Qt::Key_F1);

  // Typing into the hidden skin box renames the skin.
  Find("sComboBoxSkinName")->setFocus();
  Key(window.get(), Qt::Key_X);
  EXPECT_EQ(form->sSkinManager1.SkinName(), "x");
  EXPECT_TRUE(qApp->styleSheet().isEmpty());
  Key(window.get(), Qt::Key_Backspace);
  EXPECT_EQ(form->sSkinManager1.SkinName(), "");
  form->sSkinManager1.SetSkinName("WEB2");
}

TEST_F(Windows, F1TogglesBetweenTheWindowsAndTheAboutWindowOnlyHides) {
  ShowMain();
  Key(window.get(), Qt::Key_F1);
  ASSERT_TRUE(about->isVisible());
  EXPECT_TRUE(about->isActiveWindow());
  EXPECT_EQ(QApplication::focusWidget(), Find("Button1"));
  // While the About window has the focus the main window's commands do not act.
  Key(about.get(), Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(window->height(), 132);
  Key(about.get(), Qt::Key_F1, Qt::ControlModifier);
  EXPECT_FALSE(about->isVisible());

  // Enter on the focused OK button closes it too; the close box only hides it.
  Key(window.get(), Qt::Key_F1);
  ASSERT_TRUE(about->isVisible());
  Key(about.get(), Qt::Key_Return);
  EXPECT_FALSE(about->isVisible());
  EXPECT_FALSE(help->Visible());
  Key(window.get(), Qt::Key_F1);
  about->close();
  Pump();
  EXPECT_FALSE(about->isVisible());
  EXPECT_FALSE(help->Visible());
  Key(window.get(), Qt::Key_F1);
  EXPECT_TRUE(about->isVisible());
  EXPECT_EQ(about->pos(), QPoint(616, 197));
  EXPECT_TRUE(watcher.boxes.empty());
}

TEST_F(Windows, CtrlShiftEMakesTheWindow340HighInEitherOrderAndNothingElseDoes) {
  ShowMain();
  Key(window.get(), Qt::Key_E, Qt::ControlModifier);
  Key(window.get(), Qt::Key_E, Qt::ShiftModifier);
  EXPECT_EQ(window->height(), 132);
  // Shift down first, then Ctrl, then E.
  QTest::keyPress(window->windowHandle(), Qt::Key_Shift);
  QTest::keyPress(window->windowHandle(), Qt::Key_Control, Qt::ShiftModifier);
  QTest::keyClick(window->windowHandle(), Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
  QTest::keyRelease(window->windowHandle(), Qt::Key_Control, Qt::ShiftModifier);
  QTest::keyRelease(window->windowHandle(), Qt::Key_Shift);
  Pump();
  EXPECT_EQ(window->frameGeometry().height(), 340);
  EXPECT_EQ(window->height(), 340 - window->FrameHeight());
  EXPECT_EQ(window->width(), 302);
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  // The engineering controls are inside now; the never-seen ones are not.
  const QRect client = window->rect();
  EXPECT_TRUE(client.contains(Find("ButtonConect")->geometry().translated(Find("sPanel2")->pos())));
  EXPECT_FALSE(client.intersects(Find("MemoAbout")->geometry()));
  EXPECT_FALSE(client.intersects(Find("sComboBoxSkinName")->geometry()));
  Key(window.get(), Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(window->frameGeometry().height(), 340);
}

// An open drop-down list is a window of its own; the keys pressed in it are
// still previewed by the main window.
TEST_F(Windows, KeyCommandsWorkWhileADropDownListIsOpen) {
  ShowMain();
  form->cbPort.SetItems({"ttyA", "ttyB"});
  form->cbPort.SetItemIndex(0);
  auto open = [this](const char* name) {
    Find<QComboBox>(name)->showPopup();
    Pump();
    QWidget* popup = QApplication::activePopupWidget();
    EXPECT_NE(popup, nullptr) << name;
    return popup;
  };
  QWidget* popup = open("cbPort");
  ASSERT_NE(popup, nullptr);
  QTest::keyClick(popup->windowHandle(), Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
  Pump();
  EXPECT_EQ(window->frameGeometry().height(), 340);
  Find<QComboBox>("cbPort")->hidePopup();

  popup = open("cbBaudRate");
  ASSERT_NE(popup, nullptr);
  form->ProgressbarReadWrite.SetMaxValue(10);
  form->ProgressbarReadWrite.SetProgress(1);
  QTest::keyClick(popup->windowHandle(), Qt::Key_Delete, Qt::ControlModifier);
  Pump();
  EXPECT_EQ(form->state.StopRequested, -1);
  ASSERT_EQ(watcher.boxes.size(), 1u);
  EXPECT_EQ(watcher.boxes[0].text, uiqt::WithLineBreaks(ui::texts::kStoppedMessage));

  popup = open("cbBaudRate");
  ASSERT_NE(popup, nullptr);
  QTest::keyClick(popup->windowHandle(), Qt::Key_F1);
  Pump();
  EXPECT_TRUE(help->Visible());
}

TEST_F(Windows, ChoosingAPortMovesTheFocusToTheIdentifyButton) {
  ShowMain();
  form->cbPort.SetItems({"ttyA", "ttyB"});
  form->cbPort.SetItemIndex(0);
  Find("cbPort")->setFocus();
  Key(window.get(), Qt::Key_Down);
  EXPECT_EQ(form->cbPort.Text(), "ttyB");
  EXPECT_EQ(form->ActiveControl(), &form->ButtonConect);
  EXPECT_EQ(QApplication::focusWidget(), Find("ButtonConect"));
}

TEST_F(Windows, StartUpReachesTheReadyStateAndShowsItsCaption) {
  shell.Deliver([this] { form->FormCreate(); });
  EXPECT_EQ(shell.ApplicationTitle(), ui::texts::kTitle);
  EXPECT_EQ(window->windowTitle(), QString::fromUtf8(ui::texts::kTitle));
  EXPECT_TRUE(Find("ButtonWrite")->isEnabled());
  EXPECT_EQ(Find<QLabel>("LabelNameOfHex")->text(), QStringLiteral("Мікропрограма готова до запису"));
  EXPECT_EQ(Find<QComboBox>("cbBaudRate")->currentText(), "115200");
  window->DrawMemos();
  EXPECT_EQ(Find<QPlainTextEdit>("MemoAbout")->toPlainText(), "");
  EXPECT_TRUE(watcher.boxes.empty());
}

TEST_F(Windows, ClosingWhileTheStartUpPumpsUnwindsQuietlyThenClosesAndQuits) {
  ShowMain();
  bool closedDuringPump = false;
  QTimer::singleShot(0, window.get(), [&] {
    closedDuringPump = form->LongOperationRunning();
    window->close();
  });
  shell.Deliver([this] { form->FormCreate(); });
  ASSERT_TRUE(closedDuringPump);
  // The build was cut short where it pumped; the window waits for the unwinding.
  EXPECT_NE(form->LabelNameOfHex.Caption(), "Мікропрограма готова до запису");
  EXPECT_TRUE(shell.Closing());
  Pump(50);
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(quits, 1);
  EXPECT_TRUE(watcher.boxes.empty());
  // After that point boxes are skipped and pumping unwinds again.
  shell.ShowMessage("late");
  EXPECT_THROW(shell.ProcessMessages(), forms::EApplicationClosing);
  EXPECT_TRUE(watcher.boxes.empty());
}

TEST_F(Windows, ClosingWhenIdleClosesAtOnce) {
  ShowMain();
  window->close();
  Pump();
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(quits, 1);
  EXPECT_FALSE(shell.Closing());
}

}  // namespace
}  // namespace qttest
