#!/bin/busybox sh
# The guest's first process: mounts what the scenarios need, loads the HID and 9p
# modules, shares the host's root read-only, runs the scenarios in a chroot of it and
# powers the guest off. Its lines go to the serial console, which the host reads.
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
for module in $(cat /modules.order); do insmod "/lib/modules/$module" || echo "KERNEL-HID init: cannot load $module"; done
argument() { sed -n "s/.*kelvatrix\.$1=\([^ ]*\).*/\1/p" /proc/cmdline; }
mkdir -p /host
if mount -t 9p -o trans=virtio,version=9p2000.L,ro hostroot /host; then
  mount -t proc proc /host/proc
  mount -t sysfs sysfs /host/sys
  mount --bind /dev /host/dev
  mount -t tmpfs tmpfs /host/run
  chroot /host /bin/bash "$(argument source)/tests/kernel/scenarios.sh" "$(argument source)" "$(argument build)"
else
  echo "KERNEL-HID init: the host's root could not be mounted"
fi
echo "KERNEL-HID end"
poweroff -f
