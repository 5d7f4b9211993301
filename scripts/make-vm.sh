#!/bin/sh
# Makes the virtual machine that runs the 32-bit Windows program in the
# tests (this machine's kernel runs no 32-bit code; the machine's does): a
# Debian 12 amd64 system with 32-bit Wine, Xvfb, xdotool and xwd on one
# disk image, its own kernel and initial ram disk beside it, and a Wine
# prefix made on a first boot. tests/win32/run-vm.sh boots it.
#
# Usage: make-vm.sh [FOLDER]   (default: $LUMARIS_VM, else ~/.cache/lumaris/vm)
# A folder that already holds a machine is left as it is. Needs root (for
# debootstrap), the network to Debian's archive, and about 4 minutes.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
vm=${1:-${LUMARIS_VM:-$HOME/.cache/lumaris/vm}}
if [ -f "$vm/disk.img" ] && [ -f "$vm/vmlinuz" ] && [ -f "$vm/initrd.img" ]; then
    exit 0
fi
mirror=http://deb.debian.org/debian
mkdir -p "$(dirname "$vm")"
work=$(mktemp -d "$vm.new.XXXXXX")
tree=$work/tree
trap 'rm -rf "$work"' EXIT

echo "make-vm: a Debian 12 system in $tree"
debootstrap --variant=minbase bookworm "$tree" "$mirror" >"$work/debootstrap.log" 2>&1 ||
    { tail -20 "$work/debootstrap.log" >&2; exit 1; }
# The security archive's i386 index fails its size check on this archive's
# mirror; the release and its updates suffice for a test machine.
printf 'deb %s bookworm main\ndeb %s bookworm-updates main\n' "$mirror" "$mirror" >"$tree/etc/apt/sources.list"
chroot "$tree" dpkg --add-architecture i386
chroot "$tree" apt-get update -q >"$work/apt.log" 2>&1 || { tail -20 "$work/apt.log" >&2; exit 1; }
# Installing runs no 32-bit code: the machine's own scripts only.
chroot "$tree" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    linux-image-amd64 kmod udev wine wine32:i386 libasound2:i386 xvfb xauth xdotool x11-apps procps \
    >>"$work/apt.log" 2>&1 || { tail -20 "$work/apt.log" >&2; exit 1; }
chroot "$tree" apt-get clean

# The machine's first process: mounts what a program needs and the shared
# folder, runs the job found there, and switches the machine off.
cat >"$tree/sbin/lumaris-init" <<'EOF'
#!/bin/sh
export PATH=/usr/sbin:/usr/bin:/sbin:/bin
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev 2>/dev/null || true
mkdir -p /dev/pts /dev/shm
mount -t devpts devpts /dev/pts
mount -t tmpfs shm /dev/shm
mount -t tmpfs tmp /tmp
mount -t tmpfs run /run
modprobe 9pnet_virtio 2>/dev/null || true
modprobe 9p 2>/dev/null || true
mkdir -p /share
if mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144 share /share; then
    if [ -f /share/job ]; then sh /share/job >/share/job.log 2>&1; fi
else
    echo "lumaris-init: no shared folder" >/dev/console
fi
sync
echo o >/proc/sysrq-trigger
sleep 10
EOF
chmod 755 "$tree/sbin/lumaris-init"
# No sound hardware: ALSA's null device, so that the program's sound goes
# somewhere.
printf 'pcm.!default {\n type null\n}\nctl.!default {\n type hw\n card 0\n}\n' >"$tree/root/.asoundrc"

mkdir -p "$work/vm"
cp "$tree"/boot/vmlinuz-* "$work/vm/vmlinuz"
cp "$tree"/boot/initrd.img-* "$work/vm/initrd.img"
mkfs.ext4 -q -F -L lumaris -d "$tree" "$work/vm/disk.img" 4G

# The first boot makes the Wine prefix, on the image itself.
share=$work/share
mkdir -p "$share"
cat >"$share/job" <<'EOF'
export HOME=/root WINEPREFIX=/root/.wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine wineboot -i >/share/wineboot.log 2>&1
wineserver -w
ls /root/.wine/system.reg && echo prefix made
EOF
echo "make-vm: the first boot, which makes the Wine prefix"
LUMARIS_VM=$work/vm LUMARIS_VM_WRITABLE=1 "$here/tests/win32/run-vm.sh" "$share" >"$work/boot.log" 2>&1 || true
if ! grep -q "prefix made" "$share/job.log" 2>/dev/null; then
    echo "make-vm: the first boot did not make the Wine prefix" >&2
    cat "$share/job.log" "$work/boot.log" >&2 2>/dev/null || true
    exit 1
fi
rm -rf "$vm"
mv "$work/vm" "$vm"
echo "make-vm: the machine is in $vm"
