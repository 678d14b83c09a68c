// The Windows view's own logic, where a fault would hide behind a window that
// still looks right: the layout scaled by the DPI, key preview routing, the
// gauge's repaint rule, memos drawn late yet typed into current text, edge
// snapping, texts at the W calls, closing while a handler pumps.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "forms/Errors.h"
#include "forms/TextLines.h"
#include "tests/support/ScriptedShell.h"
#include "ui/Main.h"
#include "ui/Unit1.h"
#include "ui/WindowRules.h"
#include "ui/win32/AboutWindow.h"
#include "ui/win32/GaugeView.h"
#include "ui/win32/MainWindow.h"
#include "ui/win32/Picture.h"
#include "ui/win32/Text.h"
#include "ui/win32/Win32Shell.h"

namespace {

using ui::layout::ScaleToDpi;
using uiwin32::Dpi;

// The windows over models whose handlers talk to a scripted shell; the view's
// own edge (Deliver, key preview, pumping) is the Win32 one.
struct Windows {
  explicit Windows(int dpi = 96)
      : help(script), form(script, help), main(form, shell, Dpi(dpi)), about(help, shell, Dpi(dpi), main.hwnd()) {
    shell.SetMainWindow(main.hwnd());
  }
  ~Windows() {
    // A quit posted by a destroyed window must not reach the next test.
    // A window that was shown asks to be painted until it is.
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
      if (msg.message == WM_PAINT) ValidateRect(msg.hwnd, nullptr);
  }
  testing_support::ScriptedShell script;
  uiwin32::Win32Shell shell;
  ui::TFormHelp help;
  ui::TMainForm form;
  uiwin32::MainWindow main;
  uiwin32::AboutWindow about;
};

RECT ClientRectIn(HWND parent, HWND child) {
  RECT rc;
  GetWindowRect(child, &rc);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

void HoldKeys(std::initializer_list<int> keys) {
  BYTE state[256] = {};
  for (int k : keys) state[k] = 0x80;
  SetKeyboardState(state);
}

TEST(Win32Layout, PlacesAndFontsScaleWithTheDpiFromTheTable) {
  for (int dpi : {96, 120, 144}) {
    SCOPED_TRACE(dpi);
    Windows w(dpi);
    RECT client;
    GetClientRect(w.main.hwnd(), &client);
    EXPECT_EQ(client.right, ScaleToDpi(302, dpi));
    EXPECT_EQ(client.bottom, ScaleToDpi(132, dpi));

    // A control inside a panel: the panel's place plus its own, scaled by edges.
    const RECT write = ClientRectIn(w.main.hwnd(), w.main.HwndOf("ButtonWrite"));
    EXPECT_EQ(write.left, ScaleToDpi(7 + 128, dpi));
    EXPECT_EQ(write.top, ScaleToDpi(8 + 8, dpi));
    EXPECT_EQ(write.right, ScaleToDpi(7 + 128 + 73, dpi));
    EXPECT_EQ(write.bottom, ScaleToDpi(8 + 8 + 57, dpi));
    // Never seen: outside the client area, also to the left.
    const RECT terminal = ClientRectIn(w.main.hwnd(), w.main.HwndOf("TextTerminal"));
    EXPECT_EQ(terminal.left, ScaleToDpi(-288, dpi));
    EXPECT_GE(terminal.top, client.bottom);

    // Fonts: the window's 11 pixels and the terminal's own 16, scaled.
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(w.main.HwndOf("Label1"), WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_EQ(font.lfHeight, -ScaleToDpi(11, dpi));
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(w.main.HwndOf("TextTerminal"), WM_GETFONT, 0, 0)), sizeof font,
               &font);
    EXPECT_EQ(font.lfHeight, -ScaleToDpi(16, dpi));

    // The expanded outer height, then the About window's client size.
    w.form.SetHeight(ui::TMainForm::kExpandedHeight);
    RECT outer;
    GetWindowRect(w.main.hwnd(), &outer);
    EXPECT_EQ(outer.bottom - outer.top, ScaleToDpi(340, dpi));
    GetClientRect(w.about.hwnd(), &client);
    EXPECT_EQ(client.right, ScaleToDpi(154, dpi));
    EXPECT_EQ(client.bottom, ScaleToDpi(193, dpi));
  }
}

// Records the keys a control received, and what the form's handler had done by then.
struct KeySpy {
  static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR ref) {
    auto* self = reinterpret_cast<KeySpy*>(ref);
    if (msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN) self->seen.push_back({static_cast<int>(wParam), self->probe()});
    return DefSubclassProc(h, msg, wParam, lParam);
  }
  KeySpy(HWND control, std::function<bool()> probeFn) : hwnd(control), probe(std::move(probeFn)) {
    SetWindowSubclass(hwnd, Proc, 77, reinterpret_cast<DWORD_PTR>(this));
  }
  ~KeySpy() { RemoveWindowSubclass(hwnd, Proc, 77); }
  HWND hwnd;
  std::function<bool()> probe;
  std::vector<std::pair<int, bool>> seen;  // key, handler had acted
};

TEST(Win32KeyPreview, FormKeyDownSeesEveryKeyFirstAndTheControlStillGetsIt) {
  Windows w;
  // F1 to the port selector: the About window opens before the list sees the key.
  {
    KeySpy spy(w.main.HwndOf("cbPort"), [&] { return w.help.Visible(); });
    PostMessageW(w.main.HwndOf("cbPort"), WM_KEYDOWN, VK_F1, 0);
    w.shell.ProcessMessages();
    ASSERT_EQ(spy.seen.size(), 1u);
    EXPECT_EQ(spy.seen[0], (std::pair<int, bool>{VK_F1, true}));
    EXPECT_TRUE(IsWindowVisible(w.about.hwnd()));
  }
  // F1 in the About window is its own: it closes, the main window's handler
  // does not see it (it would open the window again).
  PostMessageW(w.about.HwndOf("Button1"), WM_KEYDOWN, VK_F1, 0);
  w.shell.ProcessMessages();
  EXPECT_FALSE(w.help.Visible());
  EXPECT_FALSE(IsWindowVisible(w.about.hwnd()));

  // Ctrl+Shift+E to the memo outside the window, as WM_SYSKEYDOWN with Alt too.
  {
    KeySpy spy(w.main.HwndOf("MemoAbout"), [&] { return w.form.Height() == ui::TMainForm::kExpandedHeight; });
    HoldKeys({VK_CONTROL, VK_SHIFT, VK_MENU});
    PostMessageW(w.main.HwndOf("MemoAbout"), WM_SYSKEYDOWN, 'E', 0);
    w.shell.ProcessMessages();
    HoldKeys({});
    ASSERT_EQ(spy.seen.size(), 1u);
    EXPECT_TRUE(spy.seen[0].second);
  }
  // The open list of a drop-down is a top-level window of its own: its keys
  // still belong to the main window.
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  ASSERT_TRUE(GetComboBoxInfo(w.main.HwndOf("cbBaudRate"), &info));
  EXPECT_EQ(w.shell.Keys().OwnerOf(info.hwndList), w.main.hwnd());
  EXPECT_TRUE(PostMessageW(info.hwndList, WM_KEYDOWN, VK_F1, 0));
  w.shell.ProcessMessages();
  EXPECT_TRUE(w.help.Visible());

  // A message box or any window not ours is left alone.
  EXPECT_EQ(w.shell.Keys().OwnerOf(GetDesktopWindow()), nullptr);
}

TEST(Win32Gauge, RepaintsOnlyWhenTheShownPercentageChangesAndPaintsTheBar) {
  Windows w;
  uiwin32::GaugeView* gauge = w.main.GaugeOf("ProgressbarReadWrite");
  ASSERT_NE(gauge, nullptr);
  auto& model = w.form.ProgressbarReadWrite;
  model.SetMaxValue(10000);
  const auto before = gauge->RepaintRequests();
  for (int i = 0; i < 10000; ++i) model.StepBy(1);
  EXPECT_EQ(gauge->RepaintRequests() - before, 100u);
  // A hint or the same enabled state changes nothing shown.
  model.Hint = "x";
  model.SetEnabled(true);
  model.SetProgress(10000);
  EXPECT_EQ(gauge->RepaintRequests() - before, 100u);

  model.SetProgress(5000);
  wchar_t text[16];
  GetWindowTextW(gauge->hwnd(), text, 16);
  EXPECT_STREQ(text, L"50%");
  // Maroon from the left edge to the middle, not beyond.
  RECT rc;
  GetClientRect(gauge->hwnd(), &rc);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, rc.right, rc.bottom);
  SelectObject(dc, bitmap);
  SendMessageW(gauge->hwnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  EXPECT_EQ(GetPixel(dc, 2, 2), RGB(128, 0, 0));
  EXPECT_EQ(GetPixel(dc, rc.right / 2 - 3, 2), RGB(128, 0, 0));
  EXPECT_NE(GetPixel(dc, rc.right / 2 + 3, 2), RGB(128, 0, 0));
  EXPECT_NE(GetPixel(dc, rc.right - 3, 2), RGB(128, 0, 0));
  DeleteDC(dc);
  DeleteObject(bitmap);
  ReleaseDC(nullptr, screen);
}

TEST(Win32Memo, AFocusedMemoFollowsItsModelAndAKeyTypesOntoTheCurrentText) {
  Windows w;
  w.main.ShowCentred();
  const HWND memo = w.main.HwndOf("MemoAbout");
  auto shown = [&] {
    wchar_t text[256] = {};
    GetWindowTextW(memo, text, 256);
    return std::wstring(text);
  };
  // Taking the focus draws what changed.
  SetFocus(w.main.HwndOf("TextTerminal"));
  w.form.MemoAbout.SetText("log");
  SetFocus(memo);
  ASSERT_EQ(GetFocus(), memo);
  EXPECT_EQ(shown(), L"log");
  // The model's own changes while it has the focus: drawn soon, in one go.
  w.form.MemoAbout.Add("next");
  w.form.MemoAbout.Add("more");
  for (int i = 0; i < 200 && shown() != L"log\r\nnext\r\nmore"; ++i) {
    w.shell.ProcessMessages();
    Sleep(10);
  }
  EXPECT_EQ(shown(), L"log\r\nnext\r\nmore");
  // A key right after a change, before that draw is due: the change is drawn
  // first and the key lands after it, so the model loses nothing.
  w.form.MemoAbout.Add("last");
  PostMessageW(memo, WM_CHAR, 'x', 0);
  w.shell.ProcessMessages();
  EXPECT_EQ(w.form.MemoAbout.Text(), "log\r\nnext\r\nmore\r\nlastx");
}

TEST(Win32Snap, EdgesWithinTheDistanceSnap) {
  const ui::Rect work{0, 0, 1280, 770};
  auto snap = [&](int x, int y) { return ui::SnapToEdges({x, y, 310, 160}, work, 10); };
  EXPECT_EQ(snap(10, 500).x, 0);
  EXPECT_EQ(snap(11, 500).x, 11);
  EXPECT_EQ(snap(-9, -10).y, 0);
  EXPECT_EQ(snap(-9, -10).x, 0);
  EXPECT_EQ(snap(1280 - 310 + 7, 770 - 160 - 10).x, 1280 - 310);
  EXPECT_EQ(snap(600, 770 - 160 - 10).y, 770 - 160);
  EXPECT_EQ(snap(600, 300).y, 300);
}

TEST(Win32Texts, Utf8AndDeviceBytesAtTheWideCallsAndTheDialogFilter) {
  EXPECT_EQ(uiwin32::Widen("Порт:"), L"Порт:");
  // Not UTF-8: a device's Windows-1251 description.
  EXPECT_EQ(uiwin32::Widen("\xCF\xF0\xE8\xEB\xE0\xE4"), L"Прилад");
  // A Windows-1251 byte beside UTF-8 text spoils nothing around it (0xEF: п).
  EXPECT_EQ(uiwin32::Widen("Мікропрограма : \xEF.hex - помилка"), L"Мікропрограма : п.hex - помилка");
  EXPECT_EQ(uiwin32::Narrow(L"Прилад"), "Прилад");
  // Edit boxes, message boxes and tool-tips break lines only at CR LF.
  EXPECT_EQ(forms::WithLineBreaks("\rA\r\rB\r\nC\n", "\r\n"), "\r\nA\r\n\r\nB\r\nC\r\n");
  const std::wstring filter = uiwin32::Win32Shell::DialogFilter("Файли: I8HEX, I16HEX, I32HEX|*.hex");
  EXPECT_EQ(filter, std::wstring(L"Файли: I8HEX, I16HEX, I32HEX\0*.hex\0\0", 36));
}

TEST(Win32About, ADialogFrameWithTheCloseBoxOnly) {
  Windows w;
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(w.about.hwnd(), GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(w.about.hwnd(), GWL_EXSTYLE));
  EXPECT_TRUE(style & WS_SYSMENU) << std::hex << style << ": no close box";
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME)) << std::hex << style;
  EXPECT_TRUE(exStyle & WS_EX_DLGMODALFRAME) << std::hex << exStyle;
  // The close box hides it, as Alt+F4 does.
  w.help.ShowAbout();
  ASSERT_TRUE(IsWindowVisible(w.about.hwnd()));
  SendMessageW(w.about.hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(IsWindowVisible(w.about.hwnd()));
  EXPECT_FALSE(w.help.Visible());
}

// The rightmost column the label's own painting inks, drawn as wide as the
// window so that nothing is clipped; -1 when it draws nothing.
int InkRight(HWND label) {
  RECT rc;
  GetClientRect(label, &rc);
  const int wide = 1000;
  SetWindowPos(label, nullptr, 0, 0, wide, rc.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, wide, rc.bottom);
  HGDIOBJ old = SelectObject(dc, bitmap);
  SendMessageW(label, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
  const COLORREF back = GetPixel(dc, wide - 1, 0);
  int right = -1;
  for (int x = 0; x < wide; ++x)
    for (int y = 0; y < rc.bottom; ++y)
      if (GetPixel(dc, x, y) != back) right = x;
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  SetWindowPos(label, nullptr, 0, 0, rc.right, rc.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return right;
}

TEST(Win32Layout, TheCalibrationCounterShowsItsWholeTextFromTheStartAtEveryScaling) {
  for (int dpi : {96, 144}) {
    SCOPED_TRACE(dpi);
    Windows w(dpi);
    const HWND label = w.main.HwndOf("Label3");
    auto check = [&](const char* what) {
      RECT client;
      GetClientRect(label, &client);
      const int ink = InkRight(label);
      ASSERT_GT(ink, 0) << what;
      EXPECT_GT(client.right, ink) << what << ": its last letter is cut";
      // It follows the text: no room for another digit beyond it.
      EXPECT_LT(client.right, ink + ScaleToDpi(6, dpi)) << what;
    };
    check("as created");
    for (const char* caption : {"Автокалібровка: 3.33.47", "Автокалібровка: 0.400.0", "Автокалібровка: 1.1.1"}) {
      w.form.Label3.SetCaption(caption);
      check(caption);
    }
  }
}

// A click, as the user's mouse makes it, at the middle of a window.
void ClickAt(HWND target) {
  RECT rc;
  GetWindowRect(target, &rc);
  SetCursorPos((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
  INPUT input[2] = {};
  input[0].type = input[1].type = INPUT_MOUSE;
  input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, input, sizeof(INPUT));
}

TEST(Win32Boxes, APendingBoxBlocksEveryWindowOfTheProgram) {
  Windows w;
  w.main.ShowCentred();
  w.help.ShowAbout();
  w.shell.ProcessMessages();
  ASSERT_TRUE(IsWindowVisible(w.about.hwnd()));
  const HWND port = w.main.HwndOf("cbPort");
  // First, with no box: the click opens the port list.
  ClickAt(port);
  for (int i = 0; i < 20 && !SendMessageW(port, CB_GETDROPPEDSTATE, 0, 0); ++i) {
    w.shell.ProcessMessages();
    Sleep(10);
  }
  ASSERT_TRUE(SendMessageW(port, CB_GETDROPPEDSTATE, 0, 0)) << "a click cannot be made here";
  SendMessageW(port, CB_SHOWDROPDOWN, FALSE, 0);
  w.help.ShowAbout();  // the About window is the last active one: it owns the box
  w.shell.ProcessMessages();

  struct Seen {
    HWND focus = nullptr, active = nullptr;  // before the click
    bool mainEnabled = true, focusMoved = false, activated = false, dropped = false;
    int tries = 0;
  } seen;
  static Seen* current;
  static HWND portList;
  current = &seen;
  portList = port;
  // Runs inside the box's own loop: clicks the port list, then presses OK.
  const UINT_PTR timer = SetTimer(nullptr, 0, 30, [](HWND, UINT, UINT_PTR, DWORD) {
    Seen& s = *current;
    HWND box = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND h, LPARAM out) {
          wchar_t cls[16];
          GetClassNameW(h, cls, 16);
          if (IsWindowVisible(h) && wcscmp(cls, L"#32770") == 0) *reinterpret_cast<HWND*>(out) = h;
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&box));
    if (!box) return;
    if (++s.tries == 1) {
      s.focus = GetFocus();
      s.active = GetActiveWindow();
      ClickAt(portList);
      return;
    }
    if (s.tries < 6) return;  // let the click arrive
    s.mainEnabled = IsWindowEnabled(GetAncestor(portList, GA_ROOT)) != FALSE;
    s.focusMoved = GetFocus() != s.focus;
    s.activated = GetActiveWindow() != s.active;
    s.dropped = SendMessageW(portList, CB_GETDROPPEDSTATE, 0, 0) != 0;
    SendMessageW(box, WM_COMMAND, IDOK, 0);
  });
  w.shell.ShowMessage("Порти оновлено!");
  KillTimer(nullptr, timer);
  ASSERT_GE(seen.tries, 6);
  EXPECT_FALSE(seen.mainEnabled) << "the main window takes clicks under the box";
  EXPECT_FALSE(seen.activated) << "the click under the box activated the main window";
  EXPECT_FALSE(seen.focusMoved) << "the click under the box moved the focus";
  EXPECT_FALSE(seen.dropped) << "the click under the box opened the port list";
  // Once the box is gone, every window takes clicks again.
  EXPECT_TRUE(IsWindowEnabled(w.main.hwnd()));
  EXPECT_TRUE(IsWindowEnabled(w.about.hwnd()));
}

TEST(Win32Closing, ClosingWhileAHandlerPumpsWaitsForItToUnwind) {
  Windows w;
  ShowWindow(w.main.hwnd(), SW_SHOW);
  bool unwound = false;
  bool aliveWhileRunning = true;
  w.shell.Deliver([&] {
    PostMessageW(w.main.hwnd(), WM_CLOSE, 0, 0);
    // A long operation's pumping: the close is deferred and the next pump ends it.
    try {
      for (int i = 0; i < 100; ++i) {
        w.shell.ProcessMessages();
        aliveWhileRunning = aliveWhileRunning && IsWindow(w.main.hwnd());
      }
    } catch (const forms::EApplicationClosing&) {
      unwound = true;
      throw;
    }
  });
  EXPECT_TRUE(unwound);
  EXPECT_TRUE(aliveWhileRunning);
  // Once unwound, the window goes from the event loop and the program quits.
  MSG msg;
  bool quit = false;
  for (int i = 0; i < 100 && !quit; ++i) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) quit = true;
      DispatchMessageW(&msg);
    }
    Sleep(5);
  }
  EXPECT_TRUE(quit);
  EXPECT_FALSE(IsWindow(w.main.hwnd()));
}

}  // namespace

int main(int argc, char** argv) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  uiwin32::GdiPlusSession gdiplus;
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
