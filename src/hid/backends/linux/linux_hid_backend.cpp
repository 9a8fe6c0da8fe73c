#include "hid/backends/linux/linux_hid_backend.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "hid/backends/linux/hidraw_handle.h"
#include "hid/backends/linux/hidraw_sysfs.h"
#include "hid/hid_last_error.h"

namespace kelvatrix {
namespace {

bool Fail(int code) { return HidFail(static_cast<std::uint32_t>(code)); }

}  // namespace

LinuxHidBackend::LinuxHidBackend(Options options) : options_(std::move(options)) {}

LinuxHidBackend::~LinuxHidBackend() {
  StopWatching();
  Unbind();
}

bool LinuxHidBackend::Bind() { return udev_.Bind(options_.udevLibrary); }

void LinuxHidBackend::Unbind() {
  StopWatching();
  udev_.Unbind();
}

std::vector<std::string> LinuxHidBackend::UdevHidrawSyspaths() {
  std::vector<std::string> paths;
  udev* context = udev_.udev_new();
  if (!context) return paths;
  if (udev_enumerate* enumerate = udev_.udev_enumerate_new(context)) {
    udev_.udev_enumerate_add_match_subsystem(enumerate, "hidraw");
    udev_.udev_enumerate_scan_devices(enumerate);
    for (udev_list_entry* entry = udev_.udev_enumerate_get_list_entry(enumerate); entry;
         entry = udev_.udev_list_entry_get_next(entry)) {
      if (const char* name = udev_.udev_list_entry_get_name(entry)) paths.emplace_back(name);
    }
    udev_.udev_enumerate_unref(enumerate);
  }
  udev_.udev_unref(context);
  return paths;
}

std::vector<std::unique_ptr<HidPnPInfo>> LinuxHidBackend::ListInterfaces() {
  std::vector<std::unique_ptr<HidPnPInfo>> list;
  if (!Bound()) return list;
  const auto syspaths = options_.listHidraw ? options_.listHidraw() : UdevHidrawSyspaths();
  for (const std::string& syspath : syspaths) {
    const std::string node = options_.devDirectory + "/" + syspath.substr(syspath.find_last_of('/') + 1);
    list.push_back(std::make_unique<HidPnPInfo>(hidraw::PnPInfoFromSysfs(syspath, node)));
  }
  return list;
}

std::shared_ptr<HidrawNode> LinuxHidBackend::SharedNode(const std::string& path, HidAccess access) {
  const bool read = access == HidAccess::ReadWrite || access == HidAccess::OverlappedRead;
  const bool write = access == HidAccess::ReadWrite || access == HidAccess::OverlappedWrite;
  std::lock_guard lock(nodesMutex_);
  std::shared_ptr<HidrawNode> node = nodes_[path].lock();
  if (node && (!read || node->canRead) && (!write || node->canWrite)) return node;
  // Read and write where allowed, so every later handle can share this file.
  int fd = open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  bool canRead = true;
  bool canWrite = true;
  if (fd < 0 && access != HidAccess::ReadWrite) {
    fd = open(path.c_str(), (read ? O_RDONLY : O_WRONLY) | O_NONBLOCK | O_CLOEXEC);
    canRead = read;
    canWrite = write;
  }
  if (fd < 0) {
    Fail(errno);
    return nullptr;
  }
  node = std::make_shared<HidrawNode>(fd, canRead, canWrite);
  nodes_[path] = node;
  return node;
}

std::shared_ptr<HidHandle> LinuxHidBackend::Open(const HidPnPInfo& info, HidAccess access) {
  const std::string& syspath = info.PhysicalDeviceObjectName;
  if (access == HidAccess::None) {
    // No access rights: the sysfs entry serves for attributes and capabilities.
    if (!hidraw::AttributesFromSysfs(syspath)) {
      Fail(ENODEV);
      return nullptr;
    }
    return std::make_shared<HidrawHandle>(nullptr, syspath, access);
  }
  std::shared_ptr<HidrawNode> node = SharedNode(info.DevicePath, access);
  if (!node) return nullptr;
  return std::make_shared<HidrawHandle>(std::move(node), syspath, access);
}

const char* LinuxHidBackend::EventSource() const {
  // The udev daemon sends its events once it has set a node up (permissions included);
  // without it (containers, minimal systems) its group stays silent and only the
  // kernel's events tell of a plug or unplug.
  return access(options_.udevControl.c_str(), F_OK) == 0 ? "udev" : "kernel";
}

void LinuxHidBackend::WatchDeviceChanges(std::function<void()> changed) {
  StopWatching();
  if (!changed || !Bound()) return;
  udev* context = udev_.udev_new();
  udev_monitor* monitor = context ? udev_.udev_monitor_new_from_netlink(context, EventSource()) : nullptr;
  if (!monitor || udev_.udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr) < 0 ||
      udev_.udev_monitor_enable_receiving(monitor) < 0) {
    std::fprintf(stderr,
                 "kelvatrix: cannot follow HID devices being plugged in or out (no udev monitor); "
                 "a meter plugged in later is seen only after a restart\n");
    if (monitor) udev_.udev_monitor_unref(monitor);
    if (context) udev_.udev_unref(context);
    return;
  }
  stopWatcher_ = eventfd(0, EFD_CLOEXEC);
  watcher_ = std::thread([this, context, monitor, changed = std::move(changed)] {
    pollfd fds[2] = {{udev_.udev_monitor_get_fd(monitor), POLLIN, 0}, {stopWatcher_, POLLIN, 0}};
    for (;;) {
      if (poll(fds, 2, -1) < 0 && errno != EINTR) break;
      if (fds[1].revents & POLLIN) break;
      if (fds[0].revents & POLLIN) {
        if (udev_device* device = udev_.udev_monitor_receive_device(monitor)) udev_.udev_device_unref(device);
        changed();
      }
    }
    udev_.udev_monitor_unref(monitor);
    udev_.udev_unref(context);
  });
}

void LinuxHidBackend::StopWatching() {
  if (watcher_.joinable()) {
    const std::uint64_t one = 1;
    (void)!write(stopWatcher_, &one, sizeof one);
    watcher_.join();
  }
  if (stopWatcher_ >= 0) close(stopWatcher_);
  stopWatcher_ = -1;
}

}  // namespace kelvatrix
