#include "serial/DeviceArrival.h"

#include <windows.h>
#include <dbt.h>

namespace serial {

namespace {

// The interface class of COM ports (GUID_DEVINTERFACE_COMPORT), spelled out so
// no GUID library is linked for it.
constexpr GUID kComPortInterface = {0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};
constexpr wchar_t kClassName[] = L"ZorFlashDeviceArrival";

LRESULT CALLBACK ArrivalProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DEVICECHANGE) {
    if (wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE)
      SetWindowLongPtrW(window, GWLP_USERDATA, 1);  // read the list again
    return TRUE;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

struct DeviceArrival::Impl {
  HWND window = nullptr;
  HDEVNOTIFY notification = nullptr;
  ~Impl() {
    if (notification) UnregisterDeviceNotification(notification);
    if (window) DestroyWindow(window);
  }
};

DeviceArrival::DeviceArrival(const PortSources& sources) : sources_(sources), impl_(std::make_unique<Impl>()) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = ArrivalProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kClassName;
  RegisterClassW(&wc);  // a second watcher finds the class already there
  // A message-only window gets no broadcasts: the notification is registered for it.
  impl_->window = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  if (impl_->window) {
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kComPortInterface;
    impl_->notification = RegisterDeviceNotificationW(impl_->window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  }
  Appeared();
}

DeviceArrival::~DeviceArrival() = default;

std::vector<std::string> DeviceArrival::Wait(int timeoutMs) {
  if (!impl_->window) {
    Sleep(static_cast<DWORD>(timeoutMs));
    return {};
  }
  MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(timeoutMs), QS_ALLINPUT);
  MSG msg;
  while (PeekMessageW(&msg, impl_->window, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  // A device change can also arrive as a sent message, which the peek above delivers.
  if (SetWindowLongPtrW(impl_->window, GWLP_USERDATA, 0) == 0) return {};
  return Appeared();
}

}  // namespace serial
