#include "serial/DeviceArrival.h"

#include <libudev.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include "os/UniqueFd.h"

namespace serial {

struct DeviceArrival::Impl {
  udev* context = nullptr;
  udev_monitor* monitor = nullptr;
  os::UniqueFd folderWatch;

  ~Impl() {
    if (monitor) udev_monitor_unref(monitor);
    if (context) udev_unref(context);
  }
  // Takes what waits on a descriptor; only the fact of the notification counts.
  void Drain(const pollfd& p) const {
    if (!(p.revents & POLLIN)) return;
    if (monitor && p.fd == udev_monitor_get_fd(monitor)) {
      if (udev_device* device = udev_monitor_receive_device(monitor)) udev_device_unref(device);
    } else {
      char buffer[4096];
      while (::read(p.fd, buffer, sizeof buffer) > 0) {
      }
    }
  }
};

DeviceArrival::DeviceArrival(const PortSources& sources) : sources_(sources), impl_(std::make_unique<Impl>()) {
  // Without udev (a container) the virtual ports still arrive.
  impl_->context = udev_new();
  if (impl_->context) impl_->monitor = udev_monitor_new_from_netlink(impl_->context, "udev");
  if (impl_->monitor) {
    udev_monitor_filter_add_match_subsystem_devtype(impl_->monitor, "tty", nullptr);
    if (udev_monitor_enable_receiving(impl_->monitor) < 0) {
      udev_monitor_unref(impl_->monitor);
      impl_->monitor = nullptr;
    }
  }
  const std::string folder = sources_.virtualDir.empty() ? VirtualPortsFolder() : sources_.virtualDir;
  // The folder is made as the simulator makes it, so a port published later is heard.
  ::mkdir(folder.c_str(), 0700);
  impl_->folderWatch = os::UniqueFd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
  if (impl_->folderWatch.Valid())
    inotify_add_watch(impl_->folderWatch.Get(), folder.c_str(), IN_CREATE | IN_MOVED_TO | IN_DELETE | IN_MOVED_FROM);
  Appeared();
}

DeviceArrival::~DeviceArrival() = default;

std::vector<std::string> DeviceArrival::Wait(int timeoutMs) {
  pollfd fds[2];
  nfds_t count = 0;
  if (impl_->monitor) fds[count++] = {udev_monitor_get_fd(impl_->monitor), POLLIN, 0};
  if (impl_->folderWatch.Valid()) fds[count++] = {impl_->folderWatch.Get(), POLLIN, 0};
  if (::poll(fds, count, timeoutMs) <= 0) return {};
  for (nfds_t i = 0; i < count; ++i) impl_->Drain(fds[i]);
  return Appeared();
}

}  // namespace serial
