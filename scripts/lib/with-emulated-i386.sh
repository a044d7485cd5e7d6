#!/usr/bin/env bash
# Runs a command in which 32-bit x86 programs run through qemu's user-mode emulator, on a
# kernel that runs none itself: in a user and mount namespace of the command's own, with a
# private binfmt_misc (Linux 6.7 and later) that holds one entry, the emulator's. The rest of
# the machine is left as it is: nothing is registered for it, and the entry goes with the
# namespace. Requires unshare (util-linux). Does not fetch the emulator
# (scripts/fetch-qemu-i386.sh does).
#
# usage: with-emulated-i386.sh BINFMT_CONF QEMU COMMAND [ARGUMENT...]
#   BINFMT_CONF: the emulator package's binfmt entry for i386, whose magic and mask are used.
#   Exits with the command's status, or 125 (and one line on stderr) where the kernel allows
#   no private binfmt_misc.
set -euo pipefail

if [ "${1:-}" != --inside ]; then
    [ $# -ge 3 ] || { echo "usage: $0 BINFMT_CONF QEMU COMMAND [ARGUMENT...]" >&2; exit 2; }
    exec unshare --user --map-root-user --mount "$0" --inside "$@"
fi
shift
conf=$1 qemu=$2
shift 2
# :name:type:offset:magic:mask:interpreter:flags; F opens the emulator now, so the path may
# be any, and the namespace needs no access to it later.
IFS=: read -r _ _ _ offset magic mask _ _ <"$conf"
if ! mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null ||
    ! printf '%s' ":qemu-i386:M:$offset:$magic:$mask:$qemu:F" \
        >/proc/sys/fs/binfmt_misc/register 2>/dev/null; then
    echo "with-emulated-i386: this kernel ($(uname -r)) gives a namespace no binfmt_misc of its own (Linux 6.7 and later do)" >&2
    exit 125
fi
exec "$@"
