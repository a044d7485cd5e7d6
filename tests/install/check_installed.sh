#!/usr/bin/env bash
# Checks an installed overlay-plane: the program, and that its desktop entry, icons,
# AppStream metadata and manual page are where a desktop looks for them and validate.
# Usage: check_installed.sh ROOT PREFIX APP_ID   (ROOT is a DESTDIR, or / for the system)
set -euo pipefail

root="${1%/}"
prefix="$2"
id="$3"
share="$root$prefix/share"
failures=0
fail() {
  echo "check_installed: $*" >&2
  failures=$((failures + 1))
}

[ -x "$root$prefix/bin/overlay-plane" ] || fail "no program at $prefix/bin/overlay-plane"

desktop="$share/applications/$id.desktop"
if [ -f "$desktop" ]; then
  desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $desktop"
  grep -qx "Exec=overlay-plane" "$desktop" || fail "$desktop does not start overlay-plane"
  icon="$(sed -n 's/^Icon=//p' "$desktop")"
  # The menu finds the icon by the entry's Icon name in the hicolor theme, in both sizes.
  [ -f "$share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon named '$icon'"
  png="$share/icons/hicolor/48x48/apps/$icon.png"
  if [ -f "$png" ]; then
    # Width and height are the IHDR chunk's first two 32-bit big-endian fields.
    size="$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')"
    [ "$size" = 48x48 ] || fail "$png is $size, not 48x48"
  else
    fail "no 48x48 icon named '$icon'"
  fi
else
  fail "no desktop entry $desktop"
fi

metainfo="$share/metainfo/$id.metainfo.xml"
if [ -f "$metainfo" ]; then
  appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects $metainfo"
  launchable="$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' "$metainfo")"
  [ -f "$share/applications/$launchable" ] ||
    fail "the metadata launches '$launchable', which is not installed"
else
  fail "no AppStream metadata $metainfo"
fi

man_page=""
for candidate in "$share/man/man1/overlay-plane.1" "$share/man/man1/overlay-plane.1.gz"; do
  [ -f "$candidate" ] && man_page="$candidate"
done
if [ -n "$man_page" ]; then
  warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$man_page" 2>&1 >/dev/null)"
  [ -z "$warnings" ] || fail "the manual page gives warnings: $warnings"
  text="$(LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$man_page" 2>/dev/null)"
  for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" DIAGNOSTICS ENVIRONMENT; do
    grep -qx "$section" <<<"$text" || fail "the manual page has no $section section"
  done
else
  fail "no manual page overlay-plane(1)"
fi

[ "$failures" -eq 0 ] || exit 1
echo "check_installed: $root$prefix holds a valid overlay-plane installation"
