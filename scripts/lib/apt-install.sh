# Sourced by the scripts that install Debian packages: installs what is missing, and nothing
# that is there. Requires apt-get and dpkg-query, and root or sudo.
# Does not let one bad index stop an install: a failed 'apt-get update' is tried once more
# after a short wait, then reported in one line, and the install goes on with the lists apt
# has; only a package that can't be installed fails.
#
# usage: install_missing [--update] WHO PACKAGE...
#   WHO starts each line printed. --update refreshes the lists even if this script did so
#   before (after 'dpkg --add-architecture', say). Returns apt-get install's status.

apt_lists_fresh=0

# usage: apt_as_root ARGUMENT...; apt-get as root (through sudo where needed), waiting for a
# dpkg lock that another install holds instead of failing at once.
apt_as_root() {
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600 "$@"
}

# usage: apt_update WHO; never fails: the install that follows decides.
apt_update() {
    local who=$1 output try
    for try in 1 2; do
        if output=$(apt_as_root update -qq 2>&1); then
            apt_lists_fresh=1
            return 0
        fi
        [ $try -eq 2 ] || sleep 10
    done
    # apt's own reason: its first error line, shortened to fit a line.
    output=$(grep -m1 '^E:' <<<"$output" || tail -n1 <<<"$output")
    echo "$who: apt-get update failed twice, installing from the lists apt has: ${output:0:300}"
    apt_lists_fresh=1
    return 0
}

install_missing() {
    local update=0 who package missing=()
    if [ "${1:-}" = --update ]; then
        update=1
        shift
    fi
    who=$1
    shift
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$package")
    done
    [ ${#missing[@]} -gt 0 ] || return 0
    echo "$who: installing ${missing[*]}"
    if [ $update -eq 1 ] || [ $apt_lists_fresh -eq 0 ]; then
        apt_update "$who"
    fi
    if ! apt_as_root install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; then
        echo "$who: could not install ${missing[*]}" >&2
        return 1
    fi
}
