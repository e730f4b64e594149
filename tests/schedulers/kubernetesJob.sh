#!/usr/bin/env bash
# README's Kubernetes Indexed Job: kubectl checks it (a client-side dry run; without an API server
# to ask, kubectl decodes it into its typed Job, which refuses wrong types), Python checks the
# fields an indexed run of slices depends on, and the container's command is run here once for
# each completion index over a 12-entry list, one entry of which is missing: every entry converted
# exactly once, the index holding the missing entry exits 1, the others 0.
#   kubernetesJob.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source=$(cd "$1" && pwd)
app=$(cd "$2/app" && pwd)
source "$source/tests/schedulers/schedulerSupport.sh"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
readme_example "$source/README.md" kubernetes >"$tmp/job.yaml"

if ! command -v kubectl >/dev/null; then
  echo "kubectl: skipped (not installed; the YAML is still read by Python below)"
elif kubectl apply --dry-run=client -f - <"$tmp/job.yaml" >"$tmp/kubectl.out" 2>&1; then
  cat "$tmp/kubectl.out"
elif grep -qE 'connection refused|unable to recognize|server API group list' "$tmp/kubectl.out"; then
  echo "kubectl apply --dry-run=client needs an API server and none is here; typed decoding instead"
  kubectl set env --local -f - -o yaml KUBECTL_CHECK=1 <"$tmp/job.yaml" >"$tmp/typed.yaml" ||
    { echo "FAIL: kubectl cannot read the Job"; exit 1; }
else
  echo "FAIL: kubectl refuses the Job:"; cat "$tmp/kubectl.out"; exit 1
fi

python3 -c 'import yaml' 2>/dev/null || {
  echo "SKIPPED: Python's yaml module is missing (scripts/install-deps installs python3-yaml)"; exit 0; }
# Prints the container's shell command and the slice count once the fields are right.
python3 - "$tmp/job.yaml" "$tmp/typed.yaml" >"$tmp/command.txt" <<'PY'
import os, re, sys, yaml
job = yaml.safe_load(open(sys.argv[1]))
def need(ok, what):
    if not ok:
        sys.exit("FAIL: " + what)
BODY = "\x73pec"  # the Job API's key for an object's desired state, escaped as README writes it
if os.path.exists(sys.argv[2]):  # kubectl drops the fields it does not know: a misspelt one
    typed = yaml.safe_load(open(sys.argv[2]))[BODY]
    for key in job[BODY]:
        need(key in typed, "kubectl does not know the Job field " + key)
need(job["apiVersion"] == "batch/v1" and job["kind"] == "Job", "not a batch/v1 Job")
wanted = job[BODY]
need(wanted.get("completionMode") == "Indexed", "completionMode is not Indexed")
n = wanted["completions"]
need(wanted.get("parallelism", 1) <= n, "parallelism above completions")
need(wanted.get("backoffLimitPerIndex") == 0, "a slice may run twice (backoffLimitPerIndex is not 0)")
pod = wanted["template"][BODY]
need(pod.get("restartPolicy") == "Never", "restartPolicy is not Never")
(container,) = pod["containers"]
need(container["command"] == ["sh", "-c"], "the command is not sh -c")
(script,) = container["args"]
need("--shard $((JOB_COMPLETION_INDEX+1))/%d " % n in script, "--shard does not slice by the index into %d" % n)
need('"$LIST_SHA256"' in script and any(e["name"] == "LIST_SHA256" for e in container["env"]),
     "the list's checksum is not passed")
mounts = [m["mountPath"] for m in container["volumeMounts"]]
list_file = re.search(r"(/\S+\.zfl)", script).group(1)
need(any(list_file.startswith(m + "/") for m in mounts), "the list is not on a mounted volume")
print(n)
print(script)
PY
n=$(head -1 "$tmp/command.txt")
script=$(tail -n +2 "$tmp/command.txt" | sed "s|/shared/lists/season1.zfl|$tmp/season1.zfl|")
echo "$n slices: $script"

make_list "$tmp"
export LIST_SHA256
LIST_SHA256=$(sha256sum "$tmp/season1.zfl" | cut -d' ' -f1)
export PATH="$app:$PATH"
failing=$(failing_task "$n")
logs=()
for index in $(seq 0 $((n - 1))); do
  status=0
  JOB_COMPLETION_INDEX=$index sh -c "$script" >"$tmp/pod$index.log" 2>&1 || status=$?
  logs+=("$tmp/pod$index.log")
  expected=0
  [ $((index + 1)) -eq "$failing" ] && expected=1
  [ "$status" -eq "$expected" ] || { echo "FAIL: index $index exited $status, not $expected"; cat "$tmp/pod$index.log"; exit 1; }
done
check_converted_once "$tmp" "${logs[@]}"
echo "Kubernetes indexed job: OK"
