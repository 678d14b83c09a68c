// The main window's start-up, selectors and keyboard commands, driven through
// TMainForm with the scripted Shell.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <unistd.h>

#include "os/UniqueFd.h"
#include "tests/support/ScriptedShell.h"
#include "ui/Main.h"
#include "ui/MainTexts.h"

namespace fs = std::filesystem;

namespace {

const char* const kReady = "Мікропрограма готова до запису";

// A fresh virtual-port folder and an empty system port tree for each test.
class MainFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("mainform-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_ / "sys");
    fs::create_directories(root_ / "ports");
    help = std::make_unique<ui::TFormHelp>(shell);
    form = std::make_unique<ui::TMainForm>(shell, *help);
    form->portSources.sysClassTty = (root_ / "sys").string();
    form->portSources.virtualDir = (root_ / "ports").string();
  }
  void TearDown() override {
    form.reset();
    help.reset();
    fs::remove_all(root_);
  }

  void Press(std::uint16_t key, bool ctrl = false, bool shift = false, bool alt = false) {
    forms::TShiftState s;
    s.Ctrl = ctrl;
    s.Shift = shift;
    s.Alt = alt;
    shell.Run([&] { form->FormKeyDown(key, s); });
  }

  // Publishes a pseudo-terminal under the given link name; returns the master,
  // closed however the test ends.
  os::UniqueFd PublishPty(const std::string& name) {
    os::UniqueFd master(::posix_openpt(O_RDWR | O_NOCTTY));
    EXPECT_TRUE(master.Valid());
    ::grantpt(master.Get());
    ::unlockpt(master.Get());
    fs::create_symlink(::ptsname(master.Get()), root_ / "ports" / name);
    return master;
  }

  fs::path root_;
  testing_support::ScriptedShell shell;
  std::unique_ptr<ui::TFormHelp> help;
  std::unique_ptr<ui::TMainForm> form;
};

TEST_F(MainFormTest, StartUpRunsInOrderAndEndsReadyToWrite) {
  EXPECT_EQ(form->LabelNameOfHex.Caption(), "Визначте прилад");
  form->MemoAbout.Add("stale");
  shell.SetApplicationTitle(ui::texts::kStartTitle);
  shell.Run([&] { form->FormCreate(); });

  EXPECT_TRUE(shell.errors.empty());
  EXPECT_EQ(shell.ApplicationTitle(), "ZOR-5 Bootloader (від 25.08.21)");
  EXPECT_EQ(form->Caption(), "ZOR-5 Bootloader (від 25.08.21)");
  EXPECT_EQ(form->cbBaudRate.ItemIndex(), 12);
  EXPECT_EQ(form->cbBaudRate.Text(), "115200");
  // The selector shows 115200, the component keeps its stored rate until applied.
  EXPECT_EQ(form->BComPort1.BaudRate(), serial::br9600);
  EXPECT_TRUE(form->MemoAbout.Lines().empty());
  EXPECT_EQ(form->LabelNameOfHex.Caption(), kReady);
  EXPECT_TRUE(form->ButtonWrite.Enabled());
  EXPECT_EQ(form->ProgressbarReadWrite.Progress(), 0);
  EXPECT_EQ(form->FirmwareImage.size(), 40'000'000u);
  ASSERT_FALSE(shell.beeps.empty());
  EXPECT_EQ(shell.beeps.back(), 64u);
  EXPECT_EQ(form->cbPort.ItemIndex(), -1);  // no ports in the test's system
}

TEST_F(MainFormTest, APortListFailureSkipsTheRestOfStartUp) {
  form->portSources.sysClassTty = (root_ / "missing").string();
  form->MemoAbout.Add("stored");
  shell.Run([&] { form->FormCreate(); });
  ASSERT_EQ(shell.errors.size(), 1u);
  EXPECT_EQ(shell.errors[0], "Помилка звернення до системного реєстру\nНеобхідно повторно відкрити програму!");
  EXPECT_EQ(shell.captions.back(), "ZOR-5 Bootloader (від 25.08.21)");
  EXPECT_EQ(form->cbBaudRate.ItemIndex(), -1);
  EXPECT_EQ(form->MemoAbout.Lines(), std::vector<std::string>{"stored"});
  EXPECT_EQ(form->LabelNameOfHex.Caption(), "Визначте прилад");
  EXPECT_TRUE(form->FirmwareImage.empty());
}

TEST_F(MainFormTest, TheFirstPortIsSelectedAndChoosingOneMovesTheFocus) {
  auto a = PublishPty("devsim2");
  auto b = PublishPty("Devsim10");
  shell.Run([&] { form->FormCreate(); });
  ASSERT_EQ(form->cbPort.Items().size(), 2u);
  EXPECT_EQ(form->cbPort.Items()[0], "Devsim10");
  EXPECT_EQ(form->cbPort.Text(), "Devsim10");
  EXPECT_EQ(form->ActiveControl(), nullptr);  // selecting by the program runs no handler
  form->cbPort.SetItemIndex(1);
  form->cbPortChange();
  EXPECT_EQ(form->ActiveControl(), &form->ButtonConect);
  EXPECT_EQ(form->BComPort1.Port(), "COM2");  // the component is not touched
}

TEST_F(MainFormTest, EverySpeedChosenIsTheRateTheSelectorShows) {
  shell.Run([&] { form->FormCreate(); });
  ASSERT_EQ(form->cbBaudRate.Items().size(), std::size(serial::kBaudRates));
  for (int i = 0; i < static_cast<int>(form->cbBaudRate.Items().size()); ++i) {
    form->cbBaudRate.SetItemIndex(i);
    form->cbBaudRateChange();
    EXPECT_EQ(std::to_string(serial::kBaudRates[form->BComPort1.BaudRate()]), form->cbBaudRate.Text());
  }
}

TEST_F(MainFormTest, FunctionKeyOneOpensTheAboutWindowWithAnyModifiersAndNoSound) {
  shell.Run([&] { form->FormCreate(); });
  auto beeps = shell.beeps.size();
  Press(forms::VK_F1, false, true);  // Shift+F1
  EXPECT_TRUE(help->Visible());
  EXPECT_EQ(help->ActiveControl(), &help->Button1);
  Press(forms::VK_F1, true);  // already shown: only to the front
  EXPECT_TRUE(help->Visible());
  EXPECT_EQ(help->FrontRequests(), 2u);
  help->FormKeyDown(forms::VK_F1, forms::TShiftState{});  // F1 in the About window closes it
  EXPECT_FALSE(help->Visible());
  EXPECT_EQ(shell.beeps.size(), beeps);
  help->FormKeyDown('A', forms::TShiftState{});
  EXPECT_FALSE(help->Visible());
}

TEST_F(MainFormTest, TheAboutButtonsBeepFirstAndTheOkButtonBeepsBeforeClosing) {
  form->PNGButton6Click();
  EXPECT_EQ(shell.log.back(), "beep:64");
  EXPECT_TRUE(help->Visible());
  help->Button1Click();
  EXPECT_FALSE(help->Visible());
  EXPECT_EQ(shell.beeps, (std::vector<unsigned>{64, 64}));
  form->sButton3Click();
  EXPECT_TRUE(help->Visible());
  help->ClosedByUser();
  EXPECT_FALSE(help->Visible());
  form->sButton2Click();
  help->sWebLabel1Click();
  auto execs = shell.Entries("exec:");
  ASSERT_EQ(execs.size(), 2u);
  EXPECT_NE(execs[0], execs[1]);  // two different sites
  EXPECT_EQ(shell.beeps.size(), 5u);
}

TEST_F(MainFormTest, RevealNeedsBothControlAndShift) {
  int compact = form->Height();
  Press('E', true);
  Press('E', false, true);
  EXPECT_EQ(form->Height(), compact);
  Press('E', true, true, true);
  EXPECT_EQ(form->Height(), 340);
  Press('E', true, true);
  EXPECT_EQ(form->Height(), 340);
}

TEST_F(MainFormTest, StopActsOnlyWhileTheGaugeHasProgress) {
  shell.Run([&] { form->FormCreate(); });
  form->ButtonWrite.SetEnabled(false);
  Press(forms::VK_DELETE, true);
  EXPECT_EQ(form->state.StopRequested, 0);
  EXPECT_TRUE(shell.messages.empty());
  EXPECT_FALSE(form->ButtonWrite.Enabled());

  // A Progress of 1 against a large maximum shows 0% and still counts.
  form->ProgressbarReadWrite.SetMaxValue(1'000'000);
  form->ProgressbarReadWrite.SetProgress(1);
  for (auto* c : std::initializer_list<forms::Control*>{&form->ButtonConect, &form->ButtonOpenHex, &form->cbPort,
                                                        &form->cbBaudRate})
    c->SetEnabled(false);
  std::vector<std::string> order;
  for (auto* c : std::initializer_list<forms::Control*>{&form->ButtonConect, &form->ButtonOpenHex, &form->ButtonWrite,
                                                        &form->cbPort, &form->cbBaudRate})
    c->Subscribe([&order, c] { order.push_back(c->Name()); });
  Press(forms::VK_DELETE, true, false, true);  // other modifiers do not matter
  EXPECT_EQ(form->state.StopRequested, -1);
  EXPECT_EQ(order, (std::vector<std::string>{"ButtonConect", "ButtonOpenHex", "ButtonWrite", "cbPort", "cbBaudRate"}));
  EXPECT_EQ(form->LabelNameOfHex.Caption(), "Зупинено користувачем");
  ASSERT_EQ(shell.messages.size(), 1u);
  EXPECT_EQ(shell.messages[0],
            "                   Зупинено користувачем!\r\n"
            "         Мікропрограма записана частково!\r\n"
            "Необхідно повторно вибрати файл прошивки,\r\n"
            "    і провести запис, інакще в подальшому\r\n"
            "             прилад буде не працездатний!");
  EXPECT_EQ(form->ProgressbarReadWrite.Progress(), 1);  // the gauge is not reset
  Press(forms::VK_DELETE, true);  // repeats while the gauge keeps its value
  EXPECT_EQ(shell.messages.size(), 2u);
  Press(forms::VK_DELETE);  // Delete alone is no command
  EXPECT_EQ(shell.messages.size(), 2u);
}

TEST_F(MainFormTest, RefreshReplacesThePortsAndSelectsTheFirst) {
  shell.Run([&] { form->FormCreate(); });
  EXPECT_TRUE(form->cbPort.Items().empty());
  auto a = PublishPty("devsim3");
  Press('R', true, false, true);  // Ctrl+Alt+R refreshes too
  ASSERT_EQ(form->cbPort.Items(), std::vector<std::string>{"devsim3"});
  EXPECT_EQ(form->cbPort.ItemIndex(), 0);
  EXPECT_EQ(shell.messages.back(), "Порти оновлено!");
  form->cbPort.SetItemIndex(-1);
  Press('R', true);  // the same ports: the message again, the first selected again
  EXPECT_EQ(form->cbPort.ItemIndex(), 0);
  EXPECT_EQ(shell.messages.size(), 2u);
  fs::remove(root_ / "ports" / "devsim3");
  a.Reset();
  Press('R', true);
  EXPECT_TRUE(form->cbPort.Items().empty());
  EXPECT_EQ(form->cbPort.Text(), "");
  // An unreadable source keeps the old list and shows no message.
  auto b = PublishPty("devsim4");
  Press('R', true);
  form->portSources.sysClassTty = (root_ / "missing").string();
  Press('R', true);
  EXPECT_EQ(form->cbPort.Items(), std::vector<std::string>{"devsim4"});
  EXPECT_EQ(shell.messages.size(), 4u);
  EXPECT_EQ(shell.errors.size(), 1u);
}

TEST_F(MainFormTest, ResetWithoutAPortEndsInThePortsErrorWithoutItsMessage) {
  shell.Run([&] { form->FormCreate(); });
  Press('L', true);
  ASSERT_EQ(shell.errors.size(), 1u);
  EXPECT_TRUE(shell.messages.empty());
  EXPECT_FALSE(form->BComPort1.IsOpen());
}

}  // namespace
