# Sourced by scripts that call another script for what it prints (a path, say).
# Requires bash 4.3 or later. Does not hide a helper's failure: a helper that fails, or prints
# fewer lines than asked for, stops the caller with one line that names it and its status.
#
# usage: helper_output VAR LINES COMMAND [ARGUMENT...]
#   Runs COMMAND (its standard error passes through) and puts the last LINES lines it printed
#   into the array VAR.
helper_output() {
    local -n helper_lines=$1
    local lines=$2 output status=0
    shift 2
    output=$("$@") || status=$?
    if [ $status -ne 0 ]; then
        echo "${0##*/}: ${1##*/} failed (status $status)" >&2
        exit 1
    fi
    mapfile -t helper_lines < <(tail -n "$lines" <<<"$output")
    if [ "${#helper_lines[@]}" -lt "$lines" ] || [ -z "${helper_lines[0]}" ]; then
        echo "${0##*/}: ${1##*/} printed no result" >&2
        exit 1
    fi
}
