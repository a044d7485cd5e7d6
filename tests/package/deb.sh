#!/usr/bin/env bash
# Installs the built package with apt and checks the installed files, or purges it again and
# checks that none of its files remain. The list of installed files joins the two steps.
# Usage: deb.sh install DEB LIST CHECK_INSTALLED APP_ID
#        deb.sh purge DEB LIST
set -euo pipefail

action="$1"
deb="$(realpath "$2")"
list="$3"
package="$(dpkg-deb --field "$deb" Package)"
apt=(apt-get -o DPkg::Lock::Timeout=300 -y -q)
if [ "$(id -u)" -ne 0 ]; then
  apt=(sudo "${apt[@]}")
fi
export DEBIAN_FRONTEND=noninteractive

installed() {
  dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null | grep -qx installed
}

case "$action" in
  install)
    rm -f "$list"
    if installed; then
      echo "deb: $package is already installed on this system, and this check installs and" \
        "purges its own copy: remove it first (apt-get purge $package)" >&2
      exit 1
    fi
    "${apt[@]}" install --no-install-recommends "$deb"
    installed || { echo "deb: apt-get did not install $package" >&2; exit 1; }
    dpkg-query -L "$package" >"$list"
    "$4" / /usr "$5"
    ;;
  purge)
    # Only a package that the install step put there is taken away.
    [ -f "$list" ] || { echo "deb: nothing was installed by the install step"; exit 0; }
    "${apt[@]}" purge "$package"
    if dpkg-query -W "$package" >/dev/null 2>&1 &&
      [ "$(dpkg-query -W -f='${db:Status-Abbrev}' "$package")" != "un " ]; then
      echo "deb: dpkg still knows $package after the purge" >&2
      exit 1
    fi
    # Whatever of the package still exists must belong to another package (a shared folder).
    left=()
    while read -r path; do
      if [ "$path" != /. ] && [ -e "$path" ] && ! dpkg-query -S "$path" >/dev/null 2>&1; then
        left+=("$path")
      fi
    done <"$list"
    rm -f "$list"
    if [ ${#left[@]} -ne 0 ]; then
      echo "deb: the purge left ${left[*]}" >&2
      exit 1
    fi
    echo "deb: $package purged; none of its files remain"
    ;;
  *)
    echo "usage: $0 install DEB LIST CHECK_INSTALLED APP_ID | purge DEB LIST" >&2
    exit 2
    ;;
esac
