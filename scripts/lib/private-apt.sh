# Sourced by scripts that take packages from Debian's archives without touching the machine's
# apt configuration: a private apt state (sources, lists and cache in a folder of the script's
# own) made from the machine's own sources, so that no archive address is written anywhere
# and apt checks the signatures as usual. Requires apt-get and bash.
#
# usage: private_apt DIR SED_SCRIPT
#   Makes the state in DIR, with each of the machine's sources rewritten by SED_SCRIPT, which
#   sees one-line sources ("deb URI SUITE COMPONENTS") and deb822 stanzas ("Types: deb",
#   "Suites: ...") alike, for the machine's own architecture only (not the foreign ones dpkg
#   knows); then runs 'apt-get update', going on if it fails. Afterwards "${apt_options[@]}"
#   makes apt-get and apt-cache use that state.
private_apt() {
    local dir=$1 rewrite=$2 list sources
    mkdir -p "$dir/sources.list.d" "$dir/lists/partial" "$dir/cache/archives/partial"
    : >"$dir/sources.list"
    shopt -s nullglob
    for list in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$list" ] && grep '^deb ' "$list" | sed "$rewrite" >>"$dir/sources.list"
    done
    for sources in /etc/apt/sources.list.d/*.sources; do
        sed "$rewrite" "$sources" >"$dir/sources.list.d/${sources##*/}"
    done
    shopt -u nullglob
    apt_options=(-o "Dir::Etc::SourceList=$dir/sources.list"
        -o "Dir::Etc::SourceParts=$dir/sources.list.d"
        -o "Dir::State::Lists=$dir/lists" -o "Dir::Cache=$dir/cache"
        -o "Dir::State::status=/dev/null" -o "APT::Sandbox::User=root"
        -o "APT::Architectures=$(dpkg --print-architecture)")
    # One bad index is not the end: what is needed may be in the others (the download that
    # follows decides).
    local try output
    for try in 1 2; do
        output=$(apt-get "${apt_options[@]}" update -qq 2>&1) && return 0
        [ $try -eq 2 ] || sleep 10
    done
    echo "private apt: 'apt-get update' failed twice, going on with the lists it has: $(grep -m1 '^E:' <<<"$output" | cut -c1-300)" >&2
}
