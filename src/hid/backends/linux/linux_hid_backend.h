#pragma once
// The Linux HID backend: hidraw nodes found through libudev (bound at run time), opened
// with open(2), written with write(2), read with poll(2) + read(2); attributes through
// HIDIOCGRAWINFO, capabilities from the report descriptor through the project's own
// parser, and a udev monitor on a watcher thread for hot-plug: udev's events where its
// daemon runs, else the kernel's own.
//
// hidraw gives reports of devices without report IDs without the ID byte; this backend
// puts a zero ID byte in front, so the layer above sees the same framing on every
// platform. Writes already take the ID byte first.
//
// A node that cannot be opened read-write is still listed: its attributes and descriptor
// come from sysfs, and the device gets ReadWriteAccess false.

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "hid/backends/linux/udev_library.h"
#include "hid/hid_backend.h"

namespace kelvatrix {

class LinuxHidBackend final : public HidBackend {
 public:
  struct Options {
    const char* udevLibrary = "libudev.so.1";
    // Lists the sysfs paths of the hidraw devices; empty means udev's enumeration.
    std::function<std::vector<std::string>()> listHidraw;
    // Where the device nodes live.
    std::string devDirectory = "/dev";
    // Present while a udev daemon runs (libudev's own test).
    std::string udevControl = "/run/udev/control";
  };

  LinuxHidBackend() : LinuxHidBackend(Options{}) {}
  explicit LinuxHidBackend(Options options);
  ~LinuxHidBackend() override;

  bool Bind() override;
  void Unbind() override;
  bool Bound() const override { return udev_.Bound(); }
  std::vector<std::unique_ptr<HidPnPInfo>> ListInterfaces() override;
  std::shared_ptr<HidHandle> Open(const HidPnPInfo& info, HidAccess access) override;
  void WatchDeviceChanges(std::function<void()> changed) override;

 private:
  std::vector<std::string> UdevHidrawSyspaths();
  // Which netlink group tells of hidraw nodes coming and going, "udev" or "kernel".
  const char* EventSource() const;
  std::shared_ptr<class HidrawNode> SharedNode(const std::string& path, HidAccess access);
  void StopWatching();

  Options options_;
  UdevLibrary udev_;
  std::thread watcher_;
  int stopWatcher_ = -1;  // eventfd that ends the watcher thread
  std::mutex nodesMutex_;
  std::map<std::string, std::weak_ptr<class HidrawNode>> nodes_;  // open nodes by path
};

}  // namespace kelvatrix
