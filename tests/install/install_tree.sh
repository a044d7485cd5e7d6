#!/usr/bin/env bash
# Installs a build into throw-away DESTDIRs, for /usr and for another prefix, and checks the
# tree: exactly the expected files, each valid, and a program that behaves as the built one.
# Usage: install_tree.sh CMAKE BUILD_DIR BUILT_PROGRAM APP_ID
set -euo pipefail

cmake="$1"
build="$2"
built_program="$3"
id="$4"
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0

expected="$(sort <<EOF2
bin/overlay-plane
share/applications/$id.desktop
share/icons/hicolor/48x48/apps/$id.png
share/icons/hicolor/scalable/apps/$id.svg
share/man/man1/overlay-plane.1
share/metainfo/$id.metainfo.xml
EOF2
)"

for prefix in /usr /opt/overlay-plane; do
  root="$work/root${prefix//\//_}"
  DESTDIR="$root" "$cmake" --install "$build" --prefix "$prefix" >/dev/null
  # Everything the install wrote, files and links, relative to the prefix.
  found="$(cd "$root" && find . ! -type d | sed 's|^\./||' | sort)"
  wanted="$(sed "s|^|${prefix#/}/|" <<<"$expected")"
  if [ "$found" != "$wanted" ]; then
    echo "install_tree: DESTDIR install for $prefix differs from the expected tree:" >&2
    diff <(echo "$wanted") <(echo "$found") >&2 || true
    failures=$((failures + 1))
  fi
  "$here/check_installed.sh" "$root" "$prefix" "$id" || failures=$((failures + 1))
done

# Installed, the program behaves as the built one: started the same way without a display,
# both say the same and end with the same status.
run() {
  local status=0 output
  output="$(env -u DISPLAY bash -c 'exec -a overlay-plane "$0"' "$1" 2>&1)" || status=$?
  printf "%s\n(status %s)\n" "$output" "$status"
}
built="$(run "$built_program")"
installed="$(run "$work/root_usr/usr/bin/overlay-plane")"
if [ "$installed" != "$built" ]; then
  echo "install_tree: installed program: '$installed'; built program: '$built'" >&2
  failures=$((failures + 1))
fi

# The manual page names the message the program gives there.
message="$(head -n 1 <<<"$built")"
if ! LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$work/root_usr/usr/share/man/man1/overlay-plane.1" \
  2>/dev/null | grep -qF "$message"; then
  echo "install_tree: the manual page does not give the program's message '$message'" >&2
  failures=$((failures + 1))
fi

[ "$failures" -eq 0 ] || exit 1
echo "install_tree: both DESTDIR installs hold the expected tree"
