#!/usr/bin/env bash
# Checks the path that 32-bit Windows programs take on a kernel that runs no 32-bit programs,
# wherever CI runs, natively capable kernel or not: qemu's emulator fetched into an empty cache
# of this run's own, as on a new machine, then the 32-bit probe run through it in a private
# binfmt_misc. The probe runs with qemu's system-call trace on, so its exit(0) shows that qemu,
# not the kernel, ran it. Where the kernel gives a namespace no binfmt_misc of its own, says so
# in one line and passes.
# Requires Debian (apt-get, dpkg-deb) and unshare; nothing is installed or registered for the
# machine. Usage: scripts/check-i386-emulation.sh
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/scripts/lib/helper-output.sh"
. "$root/scripts/lib/runs-32bit.sh"
say() { echo "i386-emulation: $*"; }

if ! unshare --user --map-root-user --mount \
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null; then
    say "not checked: this kernel ($(uname -r)) gives a namespace no binfmt_misc of its own (Linux 6.7 and later do)"
    exit 0
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export XDG_CACHE_HOME=$scratch/cache
helper_output qemu 2 "$root/scripts/fetch-qemu-i386.sh"

PROBE_STDERR=$scratch/trace
export QEMU_STRACE=1
status=0
runs_32bit "$root/scripts/lib/with-emulated-i386.sh" "${qemu[0]}" "${qemu[1]}" || status=$?
if [ $status -ne 0 ]; then
    say "FAIL: the 32-bit probe ended with status $status through qemu: $(head -c 300 "$scratch/trace")"
    exit 1
fi
if ! grep -q 'exit(0)' "$scratch/trace"; then
    say "FAIL: the 32-bit probe ran, but not through qemu (no system-call trace)"
    exit 1
fi
say "the 32-bit probe ran through qemu in a private binfmt_misc, from an empty cache"
