// Reads texts out of the windows of another Windows program, for the end-to-end
// run under wine (the program itself reads no switch or variable for tests).
//
//   wintext wait SECONDS TEXT   waits until a shown window (its title or a
//                               control) holds TEXT; prints that window's texts
//   wintext gone SECONDS TEXT   waits until no shown window holds TEXT
//   wintext texts TITLE         prints the texts of the shown window TITLE
//   wintext rect TITLE ID       the screen rectangle of its control ID: x y w h
//   wintext close TITLE         asks the shown window TITLE to close (WM_CLOSE)
//   wintext press TEXT          clicks the first button of the shown dialog
//                               (a message box) that holds TEXT
//
// Output is UTF-8, one "id<TAB>class<TAB>text" line per window; exit 0 when found.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

void Print(const std::string& line) {
  DWORD written = 0;
  const std::string text = line + "\n";
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::wstring TextOf(HWND hwnd) {
  // WM_GETTEXT with a time-out: a busy program must not hang the reader.
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return {};
  std::wstring text(length + 1, L'\0');
  DWORD_PTR got = 0;
  SendMessageTimeoutW(hwnd, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 2000, &got);
  text.resize(got);
  return text;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[128] = {};
  GetClassNameW(hwnd, name, 128);
  return name;
}

struct Line {
  HWND hwnd;
  std::wstring cls;
  std::wstring text;
};

// The window and its descendants, the window first.
std::vector<Line> Texts(HWND top) {
  std::vector<Line> lines{{top, ClassOf(top), TextOf(top)}};
  EnumChildWindows(
      top,
      [](HWND child, LPARAM param) -> BOOL {
        reinterpret_cast<std::vector<Line>*>(param)->push_back({child, ClassOf(child), TextOf(child)});
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&lines));
  return lines;
}

std::vector<HWND> ShownTopWindows() {
  std::vector<HWND> windows;
  EnumWindows(
      [](HWND hwnd, LPARAM param) -> BOOL {
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        if (IsWindowVisible(hwnd) && pid != GetCurrentProcessId()) reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));
  return windows;
}

HWND FindHolding(const std::wstring& text, bool dialogsOnly) {
  for (HWND top : ShownTopWindows()) {
    if (dialogsOnly && ClassOf(top) != L"#32770") continue;
    for (const Line& l : Texts(top))
      if (l.text.find(text) != std::wstring::npos) return top;
  }
  return nullptr;
}

HWND FindTitled(const std::wstring& title) {
  for (HWND top : ShownTopWindows())
    if (TextOf(top) == title) return top;
  return nullptr;
}

void PrintTexts(HWND top) {
  for (const Line& l : Texts(top))
    Print(std::to_string(GetDlgCtrlID(l.hwnd)) + "\t" + Utf8(l.cls) + "\t" + Utf8(l.text));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    Print("usage: wintext wait|gone SECONDS TEXT | texts|close TITLE | rect TITLE ID | press TEXT");
    return 2;
  }
  const std::wstring command = argv[1];
  if ((command == L"wait" || command == L"gone") && argc == 4) {
    const DWORD deadline = GetTickCount() + static_cast<DWORD>(_wtof(argv[2]) * 1000);
    for (;;) {
      const HWND found = FindHolding(argv[3], false);
      if (command == L"wait" && found) {
        PrintTexts(found);
        return 0;
      }
      if (command == L"gone" && !found) return 0;
      if (static_cast<LONG>(GetTickCount() - deadline) > 0) return 1;
      Sleep(100);
    }
  }
  if (command == L"texts") {
    const HWND top = FindTitled(argv[2]);
    if (!top) return 1;
    PrintTexts(top);
    return 0;
  }
  if (command == L"close") {
    const HWND top = FindTitled(argv[2]);
    if (!top) return 1;
    PostMessageW(top, WM_CLOSE, 0, 0);
    return 0;
  }
  if (command == L"rect" && argc == 4) {
    const HWND top = FindTitled(argv[2]);
    const HWND control = top ? GetDlgItem(top, _wtoi(argv[3])) : nullptr;
    RECT rc;
    if (!control || !GetWindowRect(control, &rc)) return 1;
    Print(std::to_string(rc.left) + " " + std::to_string(rc.top) + " " + std::to_string(rc.right - rc.left) + " " +
          std::to_string(rc.bottom - rc.top));
    return 0;
  }
  if (command == L"press") {
    const HWND dialog = FindHolding(argv[2], true);
    if (!dialog) return 1;
    PrintTexts(dialog);
    for (const Line& l : Texts(dialog))
      if (l.cls == L"Button" && IsWindowVisible(l.hwnd) && IsWindowEnabled(l.hwnd)) {
        // What the button itself would tell its dialog.
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(l.hwnd), BN_CLICKED), reinterpret_cast<LPARAM>(l.hwnd));
        return 0;
      }
    return 1;
  }
  return 2;
}
