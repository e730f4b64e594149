#!/usr/bin/env bash
# README's Slurm example, run as written on a one-machine Slurm that this test starts (munged,
# slurmctld and slurmd on localhost, with a configuration, key, ports and state of its own) and
# stops: an 8-task job array over a 12-entry list, one entry of which is missing. Every entry must
# be converted exactly once, and Slurm must record the task holding the missing entry as FAILED
# with exit code 1 and the others as COMPLETED with 0 (read from scontrol: a minimal Slurm keeps
# no accounting database for sacct; sbatch --wait's own status is the highest task's, 1).
#   slurmArray.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source=$(cd "$1" && pwd)
app=$(cd "$2/app" && pwd)
source "$source/tests/schedulers/schedulerSupport.sh"

for program in munged mungekey slurmctld slurmd sbatch scontrol; do
  command -v "$program" >/dev/null || {
    echo "SKIPPED: $program is missing (scripts/install-deps installs slurm-wlm and munge)"; exit 0; }
done
[ "$(id -u)" -eq 0 ] || { echo "SKIPPED: Slurm's daemons need root here (CI runs as root)"; exit 0; }

tmp=$(mktemp -d)
chmod 755 "$tmp"
pids=()
stop_daemons() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
}
trap 'stop_daemons; rm -rf "$tmp"' EXIT

# A free TCP port on the loopback.
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

host=$(hostname -s)
mkdir -p "$tmp/munge" "$tmp/ctld" "$tmp/spool" "$tmp/log"
chmod 700 "$tmp/munge"
mungekey -c -k "$tmp/munge/munge.key"
munged -F -f --socket="$tmp/munge/socket" --key-file="$tmp/munge/munge.key" \
  --pid-file="$tmp/munge/pid" --log-file="$tmp/log/munged.log" --seed-file="$tmp/munge/seed" \
  >"$tmp/log/munged.out" 2>&1 &
pids+=($!)

cat >"$tmp/slurm.conf" <<CONF
ClusterName=vidmorphtest
SlurmctldHost=$host(127.0.0.1)
SlurmctldPort=$(free_port)
SlurmdPort=$(free_port)
AuthType=auth/munge
AuthInfo=socket=$tmp/munge/socket
CredType=cred/munge
SlurmUser=root
SlurmdUser=root
StateSaveLocation=$tmp/ctld
SlurmdSpoolDir=$tmp/spool
SlurmctldPidFile=$tmp/ctld/slurmctld.pid
SlurmdPidFile=$tmp/spool/slurmd.pid
SlurmctldLogFile=$tmp/log/slurmctld.log
SlurmdLogFile=$tmp/log/slurmd.log
ProctrackType=proctrack/pgid
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
SchedulerType=sched/builtin
JobCompType=jobcomp/none
AccountingStorageType=accounting_storage/none
JobAcctGatherType=jobacct_gather/none
MpiDefault=none
ReturnToService=2
SlurmdParameters=config_overrides
MinJobAge=600
NodeName=$host NodeAddr=127.0.0.1 CPUs=16 RealMemory=1000 State=UNKNOWN
PartitionName=test Nodes=$host Default=YES MaxTime=INFINITE State=UP
CONF
export SLURM_CONF=$tmp/slurm.conf
for _ in $(seq 50); do [ -S "$tmp/munge/socket" ] && break; sleep 0.1; done
slurmctld -D -i >"$tmp/log/slurmctld.out" 2>&1 &
pids+=($!)
slurmd -D >"$tmp/log/slurmd.out" 2>&1 &
pids+=($!)
# Up when the node takes jobs.
for _ in $(seq 150); do
  sinfo -h -o %t 2>/dev/null | grep -qE '^idle' && break
  sleep 0.2
done
sinfo -h -o %t | grep -qE '^idle' || {
  echo "FAIL: Slurm did not come up"; tail -n 20 "$tmp"/log/*; exit 1; }

make_list "$tmp"
export PATH="$app:$PATH"
cd "$tmp"
readme_example "$source/README.md" slurm-job | sed "s|/shared/lists/season1.zfl|$tmp/season1.zfl|" >season1.sh
readme_example "$source/README.md" slurm-submit | sed "s|/shared/lists/season1.zfl|$tmp/season1.zfl|" >submit.sh
tasks=$(grep -o -- '--array=1-[0-9]*' season1.sh | sed 's/.*-//')
cat season1.sh submit.sh
# The submission as written, waiting for the array's end (--wait), its job id kept.
status=0
sbatch() { command sbatch --wait "$@" | tee sbatch.out; return "${PIPESTATUS[0]}"; }
source ./submit.sh || status=$?
job=$(grep -o '[0-9]*$' sbatch.out)
echo "job $job ended; sbatch --wait exit status $status"
[ "$status" -eq 1 ] || { echo "FAIL: sbatch --wait gave $status, not 1 (the highest task status)"; exit 1; }

check_converted_once "$tmp" slurm-"${job}"_*.out
failing=$(failing_task "$tasks")
for task in $(seq "$tasks"); do
  state=$(scontrol -o show job "${job}_$task" | grep -o 'JobState=[A-Z]* .*ExitCode=[0-9:]*' |
    sed -E 's/JobState=([A-Z]*) .*ExitCode=([0-9:]*)/\1 \2/')
  expected="COMPLETED 0:0"
  [ "$task" -eq "$failing" ] && expected="FAILED 1:0"
  echo "task $task: $state"
  [ "$state" = "$expected" ] || { echo "FAIL: task $task is \"$state\", not \"$expected\""; exit 1; }
done
grep -q "c05.mp4" "slurm-${job}_$failing.out" || { echo "FAIL: task $failing's log does not name c05.mp4"; exit 1; }
echo "slurm job array: OK"
