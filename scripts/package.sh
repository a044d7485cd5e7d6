#!/usr/bin/env bash
# Builds the Debian package with dpkg-buildpackage and debhelper, checks it with lintian,
# then installs it with apt, runs the installed viewer on a private Xvfb display and purges
# it again (the `package` tests). Installs what it is missing first. The last line it prints
# is the path of the .deb. Usage: scripts/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
out="$root/build-deb"

. scripts/lib/apt-install.sh

# The package check builds against the window tests' harness: the test list has it all.
scripts/install-deps.sh test
install_missing package dpkg-dev debhelper lintian

# Build from a copy, so the work tree stays as it was and the results land in build-deb/.
version="$(dpkg-parsechangelog -S Version)"
source="$out/overlay-plane-${version%-*}"
rm -rf "$out"
mkdir -p "$source"
tar -C "$root" --exclude=./.git --exclude='./build*' --exclude=./Testing -cf - . |
  tar -C "$source" -xf -

if ! (cd "$source" && dpkg-checkbuilddeps 2>/dev/null); then
  echo "package: installing the build dependencies that debian/control names"
  [ "$apt_lists_fresh" -eq 1 ] || apt_update package
  apt_as_root build-dep -y -qq --no-install-recommends "$source" >/dev/null
fi

echo "package: dpkg-buildpackage -b -us -uc (log: $out/build.log)"
# The project's tests are not run again inside the package build; the installed package is
# checked below instead.
if ! (cd "$source" &&
  DEB_BUILD_OPTIONS="nocheck parallel=2 ${DEB_BUILD_OPTIONS:-}" dpkg-buildpackage -b -us -uc) \
  >"$out/build.log" 2>&1; then
  tail -n 60 "$out/build.log" >&2
  echo "package: dpkg-buildpackage failed; the whole log is $out/build.log" >&2
  exit 1
fi
name="overlay-plane_${version}_$(dpkg-architecture -qDEB_HOST_ARCH)"
deb="$out/$name.deb"
[ -f "$deb" ] || { echo "package: dpkg-buildpackage made no $deb" >&2; exit 1; }

echo "package: lintian"
lintian --fail-on error --display-info "$out/$name.changes"

echo "package: installing, running and purging the package"
cmake -S "$root" -B "$out/check" -DCMAKE_BUILD_TYPE=Release -DOVERLAY_PACKAGE_DEB="$deb" \
  >/dev/null
cmake --build "$out/check" --target installed_viewer_test -j 2 >/dev/null
ctest --test-dir "$out/check" -R '^package_' --output-on-failure

echo "$deb"
