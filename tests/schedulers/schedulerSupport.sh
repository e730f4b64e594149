# Shared by the scheduler tests (sourced, bash): README's examples, a 12-entry list of tiny clips,
# and the checks that every entry was converted exactly once.
#   Needs: root (the scheduler daemons), ffmpeg, and $app (the built program folder).

# README's text between "<!-- example: NAME" and "<!-- /example -->", its 4-space indentation
# removed; fails when README has no such example.
readme_example() {
  local text
  text=$(awk -v name="$2" '
    $0 ~ "^<!-- example: " name "( |-->)" { inside = 1; next }
    inside && /^<!-- \/example -->/ { exit }
    inside && (started || $0 != "") { started = 1; sub(/^    /, ""); print }' "$1")
  [ -n "$text" ] || { echo "FAIL: README has no example named $2"; return 1; }
  printf '%s\n' "$text"
}

# make_list DIR: DIR/in/c01.mp4 .. c12.mp4 (0.5 s, 160x90), the list DIR/season1.zfl converting
# them into DIR/out with profile 20 (audio copied out: quick), and c05.mp4 then removed, so the
# task holding it has an entry that fails.
make_list() {
  local dir=$1 i
  mkdir -p "$dir/in" "$dir/out"
  ffmpeg -nostdin -v error -f lavfi -i testsrc=duration=0.5:size=160x90:rate=25 \
    -f lavfi -i sine=duration=0.5 -pix_fmt yuv420p -shortest "$dir/in/c01.mp4"
  for i in 02 03 04 05 06 07 08 09 10 11 12; do cp "$dir/in/c01.mp4" "$dir/in/c$i.mp4"; done
  "$app/vidmorph-batch" -q --profile 20 --output "$dir/out" --save "$dir/season1.zfl" "$dir"/in/c*.mp4
  rm "$dir/in/c05.mp4"
}

# check_converted_once DIR LOG...: each of the 11 present clips converted exactly once over all
# the task logs, c05 failed once, and the outputs are those 11 files, none under a second name.
check_converted_once() {
  local dir=$1 i n
  shift
  for i in 01 02 03 04 06 07 08 09 10 11 12; do
    n=$(cat "$@" | grep -c "converted  $dir/in/c$i.mp4 -> $dir/out/c$i.mka$" || true)
    [ "$n" = 1 ] || { echo "FAIL: c$i.mp4 converted $n times"; cat "$@"; return 1; }
  done
  n=$(cat "$@" | grep -c "FAILED     $dir/in/c05.mp4 " || true)
  [ "$n" = 1 ] || { echo "FAIL: c05.mp4 reported failed $n times"; cat "$@"; return 1; }
  n=$(find "$dir/out" -type f | wc -l)
  [ "$n" = 11 ] || { echo "FAIL: $n outputs, not 11:"; ls "$dir/out"; return 1; }
  # Every task sliced the same list and said so.
  n=$(cat "$@" | grep -o 'list SHA-256 [0-9a-f]*' | sort -u | wc -l)
  [ "$n" = 1 ] || { echo "FAIL: the tasks report $n list checksums"; cat "$@"; return 1; }
}

# The task (1-based) of N that holds c05.mp4, the 5th of 12 entries with distinct output names.
failing_task() { echo $(( (5 - 1) % $1 + 1 )); }
