#include "ui/qt/Program.h"

#include <cstdio>
#include <exception>

#include "forms/Errors.h"
#include "ui/Main.h"
#include "ui/MainTexts.h"
#include "ui/Unit1.h"
#include "ui/qt/AboutWindow.h"
#include "ui/qt/Application.h"
#include "ui/qt/EarlyStart.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/QtShell.h"

namespace uiqt {

int RunProgram(int argc, char** argv, const std::function<void(ui::TMainForm&)>& onRunning) {
  try {
    // First of all, so its work overlaps Qt's own start.
    EarlyStart early;
    Application app(argc, argv);
    early.ApplicationStarted();
    // Ends the second thread before the application object, however this ends.
    struct FinishEarly {
      EarlyStart& early;
      ~FinishEarly() { early.Finish(); }
    } finishEarly{early};
    QtShell shell;
    shell.SetApplicationTitle(ui::texts::kStartTitle);
    shell.InstallSynchronizerWake();

    ui::TFormHelp formHelp(shell);
    ui::TMainForm mainForm(shell, formHelp);
    early.WaitForFonts();
    MainWindow window(mainForm, shell);
    shell.SetMainWindow(&window);
    mainForm.CarriedAhead = early.TakeCarried();
    // Runs before the window is shown; an error ends it and the window still shows.
    shell.Deliver([&] { mainForm.FormCreate(); });
    window.ShowCentred();
    AboutWindow about(formHelp, shell);

    if (onRunning) onRunning(mainForm);
    return app.exec();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "uploader: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "uploader: unexpected error\n");
  }
  return 1;
}

}  // namespace uiqt
