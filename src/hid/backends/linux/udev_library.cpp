#include "hid/backends/linux/udev_library.h"

namespace kelvatrix {

namespace {
template <typename F>
void Resolve(ModuleHandle module, const char* name, F& slot, bool& allFound) {
  slot = reinterpret_cast<F>(ModuleSymbolTracked(module, name, allFound));
}
}  // namespace

#define KELVATRIX_UDEV_ENTRY(name) Resolve(module, #name, name, allFound)

bool UdevLibrary::Bind(const char* name) {
  if (!ModuleOpen(module, name)) return false;
  bool allFound = true;
  KELVATRIX_UDEV_ENTRY(udev_new);
  KELVATRIX_UDEV_ENTRY(udev_unref);
  KELVATRIX_UDEV_ENTRY(udev_enumerate_new);
  KELVATRIX_UDEV_ENTRY(udev_enumerate_unref);
  KELVATRIX_UDEV_ENTRY(udev_enumerate_add_match_subsystem);
  KELVATRIX_UDEV_ENTRY(udev_enumerate_scan_devices);
  KELVATRIX_UDEV_ENTRY(udev_enumerate_get_list_entry);
  KELVATRIX_UDEV_ENTRY(udev_list_entry_get_next);
  KELVATRIX_UDEV_ENTRY(udev_list_entry_get_name);
  KELVATRIX_UDEV_ENTRY(udev_monitor_new_from_netlink);
  KELVATRIX_UDEV_ENTRY(udev_monitor_filter_add_match_subsystem_devtype);
  KELVATRIX_UDEV_ENTRY(udev_monitor_enable_receiving);
  KELVATRIX_UDEV_ENTRY(udev_monitor_get_fd);
  KELVATRIX_UDEV_ENTRY(udev_monitor_receive_device);
  KELVATRIX_UDEV_ENTRY(udev_monitor_unref);
  KELVATRIX_UDEV_ENTRY(udev_device_unref);
  if (!allFound) Unbind();
  return allFound;
}

#undef KELVATRIX_UDEV_ENTRY

void UdevLibrary::Unbind() {
  ModuleClose(module);
  *this = UdevLibrary{};
}

}  // namespace kelvatrix
