#!/usr/bin/env bash
# The kernel HID stage: Debian's own kernel boots in a QEMU guest (software emulation),
# shares the host's root read-only over 9p, and there the program's real Linux backend
# downloads from the meter served as a kernel HID device through /dev/uhid: a run stored
# exactly, unplug and replug, a device beside the meter, a node the user may not open,
# hot-plug without a udev daemon, and the udev rule with one.
#   scripts/test-kernel-hid.sh [BUILD_DIR]   (default: the normal build, brought up to date)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
start=$(date +%s)
# The guest runs what is built: built afresh (a no-op when nothing changed), never stale.
if [ $# -eq 0 ]; then
  build=$("$root/scripts/build.sh" plain | tail -n 1)
elif [ ! -x "$build/src/gui/qt/kelvatrix" ] || [ ! -x "$build/tests/kernel/uhid_meter" ]; then
  echo "$build holds no program or no uhid_meter" >&2
  exit 1
fi

kernel=$(ls /boot/vmlinuz-* 2>/dev/null | sort -V | tail -n 1)
[ -n "$kernel" ] || { echo "no kernel in /boot (scripts/install-deps.sh installs linux-image-amd64)" >&2; exit 1; }
version=${kernel#/boot/vmlinuz-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The initramfs: busybox, the init script and the modules with what they depend on, in
# loading order, uncompressed (busybox's insmod reads plain modules).
initramfs=$work/initramfs
mkdir -p "$initramfs"/{bin,dev,proc,sys,run,lib/modules}
cp /bin/busybox "$initramfs/bin/busybox"
cp "$root/tests/kernel/init.sh" "$initramfs/init"
declare -A loaded=()
add_module() {
  local name=$1 file
  [ -n "${loaded[$name]:-}" ] && return
  loaded[$name]=1
  file=$(modinfo -k "$version" -n "$name" 2>/dev/null) || return 0  # built into the kernel
  [ "$file" = "(builtin)" ] && return
  local depends
  depends=$(modinfo -k "$version" -F depends "$name" | tr ',' ' ')
  for dependency in $depends; do add_module "$dependency"; done
  local target=$name.ko
  case "$file" in
    *.ko.xz) xz -dc "$file" > "$initramfs/lib/modules/$target" ;;
    *.ko.zst) zstd -qdc "$file" > "$initramfs/lib/modules/$target" ;;
    *.ko.gz) gzip -dc "$file" > "$initramfs/lib/modules/$target" ;;
    *) cp "$file" "$initramfs/lib/modules/$target" ;;
  esac
  echo "$target" >> "$initramfs/modules.order"
}
: > "$initramfs/modules.order"
for module in virtio_pci 9pnet_virtio 9p uhid hid hid-generic; do add_module "$module"; done
(cd "$initramfs" && find . | cpio -o -H newc --quiet | gzip -1) > "$work/initramfs.cpio.gz"

echo "booting $version (QEMU, software emulation)"
timeout 600 qemu-system-x86_64 -accel tcg -m 1536 -smp 2 -no-reboot -display none \
  -kernel "$kernel" -initrd "$work/initramfs.cpio.gz" \
  -append "console=ttyS0 quiet panic=-1 kelvatrix.source=$root kelvatrix.build=$build" \
  -virtfs "local,path=/,mount_tag=hostroot,security_model=none,readonly=on,multidevs=remap" \
  -serial "file:$work/console.log" || true
grep -a 'KERNEL-HID' "$work/console.log" || true
echo "kernel HID stage: $(( $(date +%s) - start )) s"
grep -aq 'KERNEL-HID done: 0 failed' "$work/console.log"
