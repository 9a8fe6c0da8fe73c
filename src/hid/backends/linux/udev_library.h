#pragma once
// libudev, bound at run time (dlopen of libudev.so.1), all or nothing: a system without it
// leaves the HID transport inert instead of failing to start.

#include "platform/module_loader.h"

struct udev;
struct udev_device;
struct udev_enumerate;
struct udev_list_entry;
struct udev_monitor;

namespace kelvatrix {

struct UdevLibrary {
  udev* (*udev_new)() = nullptr;
  udev* (*udev_unref)(udev*) = nullptr;
  udev_enumerate* (*udev_enumerate_new)(udev*) = nullptr;
  udev_enumerate* (*udev_enumerate_unref)(udev_enumerate*) = nullptr;
  int (*udev_enumerate_add_match_subsystem)(udev_enumerate*, const char*) = nullptr;
  int (*udev_enumerate_scan_devices)(udev_enumerate*) = nullptr;
  udev_list_entry* (*udev_enumerate_get_list_entry)(udev_enumerate*) = nullptr;
  udev_list_entry* (*udev_list_entry_get_next)(udev_list_entry*) = nullptr;
  const char* (*udev_list_entry_get_name)(udev_list_entry*) = nullptr;
  udev_monitor* (*udev_monitor_new_from_netlink)(udev*, const char*) = nullptr;
  int (*udev_monitor_filter_add_match_subsystem_devtype)(udev_monitor*, const char*, const char*) = nullptr;
  int (*udev_monitor_enable_receiving)(udev_monitor*) = nullptr;
  int (*udev_monitor_get_fd)(udev_monitor*) = nullptr;
  udev_device* (*udev_monitor_receive_device)(udev_monitor*) = nullptr;
  udev_monitor* (*udev_monitor_unref)(udev_monitor*) = nullptr;
  udev_device* (*udev_device_unref)(udev_device*) = nullptr;

  // Binds every entry point or none; `name` is the library to load.
  bool Bind(const char* name = "libudev.so.1");
  void Unbind();
  bool Bound() const { return module != nullptr; }

  ModuleHandle module = nullptr;
};

}  // namespace kelvatrix
