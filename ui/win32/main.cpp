// The Windows program: the Shell, the two windows, the event loop.
#include <windows.h>

#include <commctrl.h>

#include "ui/Main.h"
#include "ui/MainTexts.h"
#include "ui/Unit1.h"
#include "ui/win32/AboutWindow.h"
#include "ui/win32/MainWindow.h"
#include "ui/win32/Picture.h"
#include "ui/win32/Win32Shell.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  try {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    uiwin32::GdiPlusSession gdiplus;
    uiwin32::Win32Shell shell;
    shell.SetApplicationTitle(ui::texts::kStartTitle);

    ui::TFormHelp formHelp(shell);
    ui::TMainForm mainForm(shell, formHelp);
    const uiwin32::Dpi dpi = uiwin32::Dpi::System();
    uiwin32::MainWindow window(mainForm, shell, dpi);
    shell.SetMainWindow(window.hwnd());
    // Runs before the window is shown; an error ends it and the window still shows.
    shell.Deliver([&] { mainForm.FormCreate(); });
    window.ShowCentred();
    uiwin32::AboutWindow about(formHelp, shell, dpi, window.hwnd());
    return shell.Run();
  } catch (const std::exception& e) {
    OutputDebugStringA(e.what());
  } catch (...) {
    OutputDebugStringA("uploader: unexpected error");
  }
  return 1;
}
