// The program: the application, its Shell, the two windows, the event loop.
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "forms/Errors.h"
#include "ui/Main.h"
#include "ui/MainTexts.h"
#include "ui/Unit1.h"
#include "ui/qt/AboutWindow.h"
#include "ui/qt/Application.h"
#include "ui/qt/EarlyStart.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/QtShell.h"
#include "ui/qt/StartupProbe.h"

int main(int argc, char** argv) {
  try {
    // First of all, so its work overlaps Qt's own start.
    uiqt::EarlyStart early;
    uiqt::Application app(argc, argv);
    early.ApplicationStarted();
    // Ends the second thread before the application object, however main ends.
    struct FinishEarly {
      uiqt::EarlyStart& early;
      ~FinishEarly() { early.Finish(); }
    } finishEarly{early};
    uiqt::QtShell shell;
    shell.SetApplicationTitle(ui::texts::kStartTitle);
    shell.InstallSynchronizerWake();

    ui::TFormHelp formHelp(shell);
    ui::TMainForm mainForm(shell, formHelp);
    early.WaitForFonts();
    uiqt::MainWindow window(mainForm, shell);
    shell.SetMainWindow(&window);
    mainForm.CarriedAhead = early.TakeCarried();
    // Runs before the window is shown; an error ends it and the window still shows.
    shell.Deliver([&] { mainForm.FormCreate(); });
    window.ShowCentred();
    uiqt::AboutWindow about(formHelp, shell);

    uiqt::ArmStartupProbe(mainForm);
    return app.exec();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "uploader: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "uploader: unexpected error\n");
  }
  return 1;
}
