#!/bin/sh
# Boots the test machine of scripts/make-vm.sh with a folder shared with it:
# the machine runs the folder's file "job" (its output in job.log) and
# switches itself off. The disk image is never changed (every write is
# dropped at the end) unless LUMARIS_VM_WRITABLE is set. Software emulation:
# this machine's KVM cannot boot a standard kernel, and with SMAP on this
# emulator kills 32-bit Wine programs.
#
# Usage: run-vm.sh FOLDER   (the machine in $LUMARIS_VM, else ~/.cache/lumaris/vm)
set -eu
share=$(cd "${1:?run-vm.sh FOLDER}" && pwd)
vm=${LUMARIS_VM:-$HOME/.cache/lumaris/vm}
[ -f "$vm/disk.img" ] || { echo "run-vm: no machine in $vm (scripts/make-vm.sh makes it)" >&2; exit 2; }
snapshot=-snapshot
[ -z "${LUMARIS_VM_WRITABLE:-}" ] || snapshot=
# shellcheck disable=SC2086
exec timeout "${LUMARIS_VM_TIMEOUT:-600}" qemu-system-x86_64 \
    -accel tcg,thread=multi -cpu "${LUMARIS_VM_CPU:-max,-smap}" -smp "${LUMARIS_VM_SMP:-2}" -m 2048 \
    -nographic -no-reboot -nic none \
    -kernel "$vm/vmlinuz" -initrd "$vm/initrd.img" \
    -append "root=/dev/vda rw init=/sbin/lumaris-init console=ttyS0 quiet" \
    -drive file="$vm/disk.img",format=raw,if=virtio $snapshot \
    -virtfs local,path="$share",mount_tag=share,security_model=none,id=share
