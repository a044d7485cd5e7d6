#!/usr/bin/env bash
# Builds and tests the project on Debian 13 (trixie) from a Debian host: a minimal trixie
# system made with debootstrap and kept in the user's cache, brought up to date, then a copy
# of the work tree in it runs scripts/test.sh and scripts/package.sh (the .deb built, checked
# with lintian, installed, run and purged) as root in a chroot; and, where
# scripts/test-windows.sh has built the x86-64 Windows program, that program's window tests
# under Debian 13's wine. Requires root (goes on through
# sudo) and debootstrap (installed when missing). Takes the archive's address from this
# machine's apt sources. Does not touch the host's /etc or the work tree: what the stage
# mounts and starts lives in mount and process namespaces of its own, and is unmounted and
# ended when the stage ends, failed or interrupted.
#
# usage: scripts/test-debian13.sh
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
release=trixie
cache=${XDG_CACHE_HOME:-$HOME/.cache}/overlay-plane/debian13
base=$cache/root
started=$SECONDS

say() { echo "debian13: $*"; }
finish() {
    local status=$?
    say "$([ $status -eq 0 ] && echo passed || echo "failed (status $status)") in $((SECONDS - started)) s"
}

# ---- inside the namespaces: mount, chroot, unmount ----
if [ "${1:-}" = --in-namespace ]; then
    mounted=()
    unmount_all() {
        local i
        for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
            umount -l "${mounted[i]}" 2>/dev/null || true
        done
        mounted=()
    }
    trap unmount_all EXIT
    trap 'exit 130' INT TERM HUP
    mount_at() { # type options target
        mount -t "$1" -o "$2" "$1" "$3"
        mounted+=("$3")
    }
    mount_at proc nosuid,nodev,noexec "$base/proc"
    mount_at sysfs ro,nosuid,nodev,noexec "$base/sys"
    # A /dev of its own: the few nodes a build needs and a private pseudo-terminal instance,
    # so nothing done inside reaches the host's /dev.
    mount_at tmpfs mode=755,nosuid "$base/dev"
    for node in null:1:3 zero:1:5 full:1:7 random:1:8 urandom:1:9 tty:5:0; do
        IFS=: read -r name major minor <<<"$node"
        mknod -m 666 "$base/dev/$name" c "$major" "$minor"
    done
    mkdir "$base/dev/pts" "$base/dev/shm"
    mount -t devpts -o newinstance,ptmxmode=0666,mode=620 devpts "$base/dev/pts"
    mounted+=("$base/dev/pts")
    ln -s pts/ptmx "$base/dev/ptmx"
    ln -s /proc/self/fd "$base/dev/fd"
    mount_at tmpfs mode=1777,nosuid,nodev "$base/dev/shm"
    mount_at tmpfs mode=1777,nosuid,nodev "$base/tmp"
    shift
    # In the background, so that a signal is acted on at once and not after the run.
    env -i HOME=/root TERM="${TERM:-dumb}" PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
        DEBIAN_FRONTEND=noninteractive chroot "$base" /bin/bash -c "$1" &
    status=0
    wait $! || status=$?
    exit $status
fi

if [ "$(id -u)" -ne 0 ]; then
    say "debootstrap, mount and chroot need root: going on through sudo"
    exec sudo "$0" "$@"
fi
trap finish EXIT
. "$root/scripts/lib/apt-install.sh"
install_missing debian13 debootstrap

# The archive this machine uses: the URI of the apt source that carries its own release, and
# the one carrying its security suite (deb822 .sources files or one-line .list files).
host_release=$(. /etc/os-release && echo "$VERSION_CODENAME")
archive_for() { # suite
    local file
    for file in /etc/apt/sources.list.d/*.sources; do
        [ -f "$file" ] || continue
        awk -v suite="$1" '
            /^[ \t]*$/ { if (uri != "" && found) exit; uri = ""; found = 0; next }
            /^URIs:/ { uri = $2 }
            /^Suites:/ { for (i = 2; i <= NF; i++) if ($i == suite) found = 1 }
            END { if (uri != "" && found) print uri }' "$file"
    done
    { cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null || true; } |
        awk -v suite="$1" '$1 == "deb" { sub(/\[[^]]*\]/, ""); $0 = $0; if ($3 == suite) print $2 }'
}
mirror=$(archive_for "$host_release" | head -n 1)
security=$(archive_for "$host_release-security" | head -n 1)
[ -n "$mirror" ] || { echo "$0: no apt source for $host_release on this machine" >&2; exit 1; }
say "archive $mirror${security:+, security $security}"

mkdir -p "$cache"
exec 9>"$cache/lock"
flock 9

# ---- the base system, made once ----
if [ ! -f "$base/.complete" ]; then
    say "making a minimal $release system in $base (once)"
    rm -rf "$base"
    debootstrap --variant=minbase --keyring=/usr/share/keyrings/debian-archive-keyring.gpg \
        "$release" "$base" "$mirror" >"$cache/debootstrap.log" 2>&1 || {
        tail -n 30 "$cache/debootstrap.log" >&2
        exit 1
    }
    {
        echo "deb $mirror $release main"
        echo "deb $mirror $release-updates main"
        [ -z "$security" ] || echo "deb $security $release-security main"
    } >"$base/etc/apt/sources.list"
    # A real install has a machine id (systemd or dbus makes it); libdbus needs one.
    tr -d '-' </proc/sys/kernel/random/uuid >"$base/etc/machine-id"
    # Nothing installed inside starts a service.
    printf '#!/bin/sh\nexit 101\n' >"$base/usr/sbin/policy-rc.d"
    chmod +x "$base/usr/sbin/policy-rc.d"
    touch "$base/.complete"
fi

# ---- a copy of the work tree, then the README's commands inside ----
# The copy is fresh at each run; only the dev build folder stays from the last run, so that
# make rebuilds what changed (the copy keeps the files' times). The package builds afresh.
tree=$base/root/overlay-plane
mkdir -p "$tree"
find "$tree" -mindepth 1 -maxdepth 1 ! -name build -exec rm -rf {} +
tar -C "$root" --exclude=./.git --exclude='./build*' --exclude=./Testing -cf - . |
    tar -C "$tree" -xf -
# The x86-64 Windows program, its zip and the tests' helper programs, where
# scripts/test-windows.sh has built them: their window tests run under this release's wine too.
windows=$root/build-windows
windows_zip=$(ls "$windows"/overlay-plane-*-windows-x86_64.zip 2>/dev/null | head -n1 || true)
if [ -f "$windows/x86_64/app/overlay-plane.exe" ] && [ -n "$windows_zip" ] &&
    [ -f "$windows/x86_64/tests/windows/dpi_message.exe" ] &&
    [ -f "$windows/x86_64/tests/windows/frame_path_probe.exe" ]; then
    mkdir -p "$tree/windows-program"
    cp "$windows/x86_64/app/overlay-plane.exe" "$windows/x86_64/tests/windows/dpi_message.exe" \
        "$windows/x86_64/tests/windows/frame_path_probe.exe" "$windows_zip" "$tree/windows-program/"
else
    say "no Windows program built (scripts/test-windows.sh makes one): its window tests under wine are skipped"
fi

inside='set -euo pipefail
apt_get() { apt-get -o DPkg::Lock::Timeout=600 -y -qq "$@"; }
timed() { local start=$SECONDS; "$@"; echo "debian13: $* took $((SECONDS - start)) s"; }
bring_up_to_date() {
    dpkg --configure -a # after a run that was ended in the middle of an installation
    apt_update debian13
    apt_get --no-install-recommends dist-upgrade >/dev/null
}
cd /root/overlay-plane
. scripts/lib/apt-install.sh
timed bring_up_to_date
timed scripts/test.sh
timed scripts/package.sh
deb=$(ls build-deb/overlay-plane_*.deb)
echo "debian13: Depends: $(dpkg-deb -f "$deb" Depends)"
# The Windows window tests under this release'"'"'s wine, as under Debian 12'"'"'s in the Windows
# stage. The build tools and Xvfb came with scripts/test.sh; the zip'"'"'s test also wants unzip
# and wrestool (icoutils).
windows_tests() {
    local program=/root/overlay-plane/windows-program
    apt_get --no-install-recommends install wine64 libgl1-mesa-dri libglx-mesa0 icoutils \
        unzip >/dev/null
    echo "debian13: $(/usr/lib/wine/wine64 --version)"
    cmake -S . -B build-wine -DOVERLAY_WINDOWS_PROGRAM=$program/overlay-plane.exe \
        -DOVERLAY_WINDOWS_DPI_MESSAGE=$program/dpi_message.exe \
        -DOVERLAY_WINDOWS_FRAME_PROBE=$program/frame_path_probe.exe \
        -DOVERLAY_WINDOWS_ZIP="$(ls $program/overlay-plane-*.zip)" >/dev/null
    cmake --build build-wine -j2 >/dev/null
    ctest --test-dir build-wine -L windows --output-on-failure
}
if [ -d windows-program ]; then timed windows_tests; fi'
# Its own mount and process namespaces: whatever the run mounts or leaves running inside
# (a test's Xvfb) goes when the run ends, however it ends.
unshare --mount --propagation private --pid --kill-child=TERM "$0" --in-namespace "$inside" &
run=$!
# unshare ignores INT and TERM while it waits; its end sends TERM to the namespace's first
# process, whose end ends every other process in the namespace.
trap 'kill -KILL $run 2>/dev/null' INT TERM HUP
status=0
wait $run || status=$?
while kill -0 $run 2>/dev/null; do wait $run || status=$?; done
exit $status
