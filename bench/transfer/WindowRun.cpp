#include "bench/transfer/WindowRun.h"

#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "ui/Main.h"
#include "ui/MainTexts.h"
#include "ui/Unit1.h"
#include "ui/qt/AboutWindow.h"
#include "ui/qt/Application.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/QtShell.h"

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;

// The program's Shell, timed as the headless run is: from the transfer's
// first pump to the completed end's BringToFront. The closing message is
// only noted, so that no modal box waits for a click.
class TimedShell : public uiqt::QtShell {
 public:
  forms::Button* conect = nullptr;
  bool running = false, ended = false;
  Clock::time_point start, end;
  std::vector<double> pumps;
  std::vector<std::string> messages;

  void ProcessMessages() override {
    if (!running && !ended && conect && !conect->Enabled()) {
      running = true;
      start = Clock::now();
    }
    const auto t0 = Clock::now();
    QtShell::ProcessMessages();
    if (running) pumps.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
  }
  void BringToFront() override {
    if (running) {
      end = Clock::now();
      running = false;
      ended = true;
    }
    QtShell::BringToFront();
  }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }

  void ShowErrorBox(const std::string& text) override { messages.push_back("error: " + text); }
};

}  // namespace

WindowRun WriteThroughWindow(const std::string& port) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static int argc = 1;
  static char name[] = "bench_transfer";
  static char* argv[] = {name, nullptr};
  static uiqt::Application* app = new uiqt::Application(argc, argv);

  WindowRun run;
  run.available = true;
  TimedShell shell;
  shell.SetApplicationTitle(ui::texts::kStartTitle);
  shell.InstallSynchronizerWake();
  {
    ui::TFormHelp formHelp(shell);
    ui::TMainForm form(shell, formHelp);
    uiqt::MainWindow window(form, shell);
    shell.SetMainWindow(&window);
    shell.Deliver([&] { form.FormCreate(); });
    window.ShowCentred();
    uiqt::AboutWindow about(formHelp, shell);
    shell.conect = &form.ButtonConect;

    const auto& items = form.cbPort.Items();
    for (std::size_t i = 0; i < items.size(); ++i)
      if (items[i] == port) form.cbPort.SetItemIndex(static_cast<int>(i));
    auto* write = static_cast<QToolButton*>(window.WidgetFor(&form.ButtonWrite));
    // The click comes from the event loop, as the user's would.
    QTimer::singleShot(50, write, [write] {
      write->click();
      QCoreApplication::quit();
    });
    app->exec();
    form.BComPort1.Close();

    run.completed = shell.ended && shell.messages.size() == 1 && shell.messages[0].rfind("error", 0) != 0 &&
                    form.cbPort.Text() == port;
    run.transferSeconds = std::chrono::duration<double>(shell.end - shell.start).count();
    run.failedAttempts = form.state.Procedure.FailedAttempts;
    run.attempts = static_cast<long>((form.MemoAbout.Lines().size() - 1) / 2);
    run.pumpMs = shell.pumps;
  }
  return run;
}

}  // namespace bench
