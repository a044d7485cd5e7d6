# Sourced by the scripts that run 32-bit x86 programs: whether they run here.
# Requires bash and mktemp. Does not install or register anything.
#
# usage: runs_32bit [COMMAND...]
#   Runs a 32-bit probe (a 52-byte ELF header, one program header and "exit(0)" through
#   int 0x80) through COMMAND (none: natively), and returns its status. A kernel without
#   32-bit support refuses it (Exec format error). The probe's standard error is dropped
#   unless PROBE_STDERR names a file to keep it in.
runs_32bit() {
    local probe status=0
    probe=$(mktemp)
    printf '\177ELF\1\1\1\0\0\0\0\0\0\0\0\0\2\0\3\0\1\0\0\0\124\200\4\010\064\0\0\0\0\0\0\0' >"$probe"
    printf '\0\0\0\0\064\0\040\0\1\0\0\0\0\0\0\0\1\0\0\0\0\0\0\0\0\200\4\010\0\200\4\010' >>"$probe"
    printf '\135\0\0\0\135\0\0\0\5\0\0\0\0\020\0\0\270\1\0\0\0\061\333\315\200' >>"$probe"
    chmod +x "$probe"
    "$@" "$probe" 2>"${PROBE_STDERR:-/dev/null}" || status=$?
    rm -f "$probe"
    return $status
}
