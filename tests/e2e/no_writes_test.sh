#!/usr/bin/env bash
# The game writes nothing: during a short game under strace it opens no file
# for writing and creates, renames or removes none. Only /dev and /proc may be
# opened for writing (the X server's sockets are connected to, not opened).
. "$(dirname "$0")/lib.sh"
e2e_init "$1"
command -v strace >/dev/null || fail "strace is not installed (scripts/install-deps.sh)"
[ -d data ] || fail "no data directory in $PWD"

calls=open,openat,openat2,creat,rename,renameat,renameat2,unlink,unlinkat,mkdir,mkdirat,link,linkat,symlink,symlinkat,truncate
# LeakSanitizer cannot work under ptrace (the long play checks leaks).
ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" launch "$PWD" strace -f -qq -o "$work/trace" -e trace="$calls"
wait_window 120 || fail "the game showed no window"
wait_drawn || fail "the game drew nothing"
tap Up 0.2
tap x 0.5
for arrow in Up Left Right Down; do
    hold "$arrow" 0.4
    tap x 0.2
done
expect_exit 0 Escape

# A call that writes, whatever its outcome: opens with a write or create flag,
# and every call that makes, renames or removes a name.
writes=$(awk '
    {
        sub(/^[0-9]+ +/, "")
        call = $0; sub(/\(.*/, "", call)
        path = $0; if (!match(path, /"[^"]*"/)) next
        path = substr(path, RSTART + 1, RLENGTH - 2)
        if (path ~ /^\/(dev|proc)\//) next
        if (call ~ /^open/) {
            if ($0 ~ /O_WRONLY|O_RDWR|O_CREAT|O_TRUNC|O_APPEND/) print
        } else if (call != "") {
            print
        }
    }' "$work/trace")
[ -z "$writes" ] || fail "the game wrote to the file system: $(head -n 20 <<<"$writes")"
echo "PASS: no writes among $(grep -c 'open' "$work/trace") traced opens"
