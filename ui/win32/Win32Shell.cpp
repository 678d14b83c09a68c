#include "ui/win32/Win32Shell.h"

#include <commdlg.h>
#include <shellapi.h>
#undef ShellExecute

#include <vector>

#include "forms/Synchronizer.h"
#include "forms/TextLines.h"
#include "ui/win32/Text.h"

namespace uiwin32 {

namespace {

constexpr UINT kRunSynchronized = WM_APP + 1;
constexpr UINT kRunLater = WM_APP + 2;
constexpr wchar_t kWakeClass[] = L"OstraUploaderWake";

// While a box or dialog is up the whole program waits, as the Qt program's
// application-modal boxes make it. The system disables the box's owner only
// (the About window, when it was the last active one), so every other window
// of ours is disabled here for that time.
class ProgramBlocked {
 public:
  explicit ProgramBlocked(HWND owner) : owner_(owner) {
    EnumThreadWindows(GetCurrentThreadId(), Collect, reinterpret_cast<LPARAM>(this));
    for (HWND h : disabled_) EnableWindow(h, FALSE);
  }
  ~ProgramBlocked() {
    for (HWND h : disabled_)
      if (IsWindow(h)) EnableWindow(h, TRUE);
  }
  ProgramBlocked(const ProgramBlocked&) = delete;
  ProgramBlocked& operator=(const ProgramBlocked&) = delete;

 private:
  static BOOL CALLBACK Collect(HWND h, LPARAM self) {
    auto* me = reinterpret_cast<ProgramBlocked*>(self);
    if (h != me->owner_ && IsWindowVisible(h) && IsWindowEnabled(h)) me->disabled_.push_back(h);
    return TRUE;
  }
  HWND owner_;
  std::vector<HWND> disabled_;
};

}  // namespace

Win32Shell::Win32Shell() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = WakeProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kWakeClass;
  RegisterClassW(&wc);
  // A message-only window: its messages are seen by every loop on this thread,
  // the modal ones of message boxes and dialogs included.
  wake_ = CreateWindowExW(0, kWakeClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  SetWindowLongPtrW(wake_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  InstallSynchronizer([wake = wake_] { PostMessageW(wake, kRunSynchronized, 0, 0); });
}

Win32Shell::~Win32Shell() {
  RemoveSynchronizer();
  if (wake_) DestroyWindow(wake_);
}

LRESULT CALLBACK Win32Shell::WakeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<Win32Shell*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self && msg == kRunSynchronized) {
    try {
      forms::Synchronizer::Instance().CheckSynchronize();
    } catch (...) {
    }
    return 0;
  }
  if (self && msg == kRunLater) {
    if (!self->later_.empty()) {
      const std::function<void()> work = std::move(self->later_.front());
      self->later_.pop_front();
      if (work) work();
    }
    // A quit that a pump below a handler took: the loop below gets it again.
    if (self->quitSeen_) PostQuitMessage(self->quitCode_);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void Win32Shell::Later(std::function<void()> work) {
  later_.push_back(std::move(work));
  PostMessageW(wake_, kRunLater, 0, 0);
}

HWND Win32Shell::BoxOwner() const {
  // Modal to the main window once it is on the screen; before that, to the task.
  if (mainWindow_ && IsWindowVisible(mainWindow_)) {
    const HWND popup = GetLastActivePopup(mainWindow_);
    return popup && IsWindowVisible(popup) && IsWindowEnabled(popup) ? popup : mainWindow_;
  }
  return nullptr;
}

void Win32Shell::ShowBox(bool error, const std::string& text) {
  const HWND owner = BoxOwner();
  const ProgramBlocked blocked(owner);
  MessageBoxW(owner, Widen(forms::WithLineBreaks(text, "\r\n")).c_str(), Widen(ApplicationTitle()).c_str(),
              MB_OK | (error ? MB_ICONERROR : 0u) | (owner ? 0u : MB_TASKMODAL));
}

void Win32Shell::Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // The loop below us ends the program: unwind to it and post the quit again.
      quitSeen_ = true;
      quitCode_ = static_cast<int>(msg.wParam);
      MarkClosing();
      return;
    }
    DispatchWithPreview(msg, keys_);
  }
}

void Win32Shell::BringToFront() {
  if (!mainWindow_) return;
  const HWND target = GetLastActivePopup(mainWindow_);
  SetForegroundWindow(target ? target : mainWindow_);
}

void Win32Shell::RepaintMainWindow() {
  if (mainWindow_)
    RedrawWindow(mainWindow_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void Win32Shell::ShellExecute(const std::string& verb, const std::string& file, unsigned showMode) {
  const std::wstring wideVerb = Widen(verb);
  // The result is not looked at.
  ShellExecuteW(mainWindow_, verb.empty() ? nullptr : wideVerb.c_str(), Widen(file).c_str(), nullptr, nullptr,
                static_cast<int>(showMode));
}

std::wstring Win32Shell::DialogFilter(const std::string& filter) {
  std::wstring out = Widen(filter);
  for (auto& c : out)
    if (c == L'|') c = L'\0';
  out.push_back(L'\0');
  out.push_back(L'\0');
  return out;
}

std::optional<std::string> Win32Shell::ChooseFile(const std::string& filter) {
  const std::wstring wideFilter = DialogFilter(filter);
  std::vector<wchar_t> path(32768, L'\0');
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = BoxOwner();
  const ProgramBlocked blocked(ofn.hwndOwner);
  ofn.lpstrFilter = wideFilter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = path.data();
  ofn.nMaxFile = static_cast<DWORD>(path.size());
  ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetOpenFileNameW(&ofn)) return std::nullopt;
  return Narrow(path.data());
}

std::string Win32Shell::LongTimeOfDay() {
  // No format given: the user's own long time format.
  wchar_t text[128];
  const int n = GetTimeFormatW(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, text, 128);
  if (n <= 1) return {};
  return Narrow(std::wstring_view(text, static_cast<std::size_t>(n - 1)));
}

int Win32Shell::Run() {
  MSG msg;
  for (;;) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(msg.wParam);
    if (got == -1) return 1;
    DispatchWithPreview(msg, keys_);
  }
}

}  // namespace uiwin32
