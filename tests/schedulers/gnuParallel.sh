#!/usr/bin/env bash
# README's GNU parallel example, run as written over a 12-entry list, one entry of which is
# missing. Its hosts are reached through a stand-in ssh that runs the command on this machine (the
# list and the clips are where every "host" sees them, as on a shared file system). Every entry
# must be converted exactly once, and parallel's job log must give the slice holding the missing
# entry exit value 1 and the others 0; parallel itself exits with the number of failed slices, 1.
#   gnuParallel.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source=$(cd "$1" && pwd)
app=$(cd "$2/app" && pwd)
source "$source/tests/schedulers/schedulerSupport.sh"

command -v parallel >/dev/null || {
  echo "SKIPPED: GNU parallel is missing (scripts/install-deps installs the package parallel)"; exit 0; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# ssh [options] HOST [--] COMMAND...: COMMAND run here by sh, as the remote login shell would; the
# host is logged. sshd gives the login the user's shell as SHELL, and parallel's remote worker runs
# the job with it (with SHELL unset, as under a bare CI runner, it runs nothing and exits 0).
mkdir "$tmp/bin"
cat >"$tmp/bin/ssh" <<'SSH'
#!/bin/sh
while [ $# -gt 0 ]; do
  case $1 in
    -l|-o|-p|-i|-F|-S) shift 2 ;;
    -*) shift ;;
    *) break ;;
  esac
done
echo "$1" >>"$SSH_HOSTS_LOG"
shift
SHELL=$(getent passwd "$(id -u)" | cut -d: -f7)
export SHELL=${SHELL:-/bin/sh}
[ "${1:-}" = "--" ] && shift
exec sh -c "$*"
SSH
chmod +x "$tmp/bin/ssh"
export SSH_HOSTS_LOG=$tmp/hosts.log

make_list "$tmp"
cd "$tmp"
readme_example "$source/README.md" parallel | sed "s|/shared/lists/season1.zfl|$tmp/season1.zfl|g" >example.sh
cat example.sh
status=0
PATH="$tmp/bin:$app:$PATH" bash ./example.sh >parallel.out 2>&1 || status=$?
cat parallel.out season1.log
[ "$status" -eq 1 ] || { echo "FAIL: parallel exited with $status, not 1 (one failed slice)"; exit 1; }
[ "$(sort -u hosts.log | wc -l)" -eq 3 ] || { echo "FAIL: not every host ran a slice"; cat hosts.log; exit 1; }

check_converted_once "$tmp" parallel.out
failing=$(failing_task 3)
# The job log: Seq Host Starttime JobRuntime Send Receive Exitval Signal Command; slice = argument.
for slice in 1 2 3; do
  exitval=$(awk -F'\t' -v s="$slice" 'NR > 1 && $9 ~ ("--shard " s "/3 ") { print $7 }' season1.log)
  expected=0
  [ "$slice" -eq "$failing" ] && expected=1
  [ "$exitval" = "$expected" ] || { echo "FAIL: slice $slice exit value \"$exitval\", not $expected"; exit 1; }
done
grep -q "^$failing	.*c05.mp4" parallel.out || { echo "FAIL: slice $failing's lines do not name c05.mp4"; exit 1; }
echo "GNU parallel: OK"
