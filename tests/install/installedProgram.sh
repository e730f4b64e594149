#!/usr/bin/env bash
# Installs the build into a temporary prefix and runs the installed vidmorph-batch as a user who
# may not write there (user 65534 when run as root; otherwise the prefix is made read-only), from
# another working folder, with ffmpeg found only on PATH. An entry without an output folder must
# land in that user's videos folder, and the summary line must name it; so must one converted
# by the build folder's program when that user may not write its convert/.
#   installedProgram.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
tmp=$(mktemp -d)
trap 'chmod -R u+w "$tmp"; rm -rf "$tmp"' EXIT
chmod 755 "$tmp"
cmake --install "$build" --prefix "$tmp/prefix" >/dev/null
ffmpeg -nostdin -v error -f lavfi -i testsrc=duration=1:size=64x48:rate=5 "$tmp/clip.avi"
mkdir "$tmp/home" "$tmp/work"

run=()
if [ "$(id -u)" -eq 0 ]; then
  chown 65534:65534 "$tmp/home" "$tmp/work"
  run=(setpriv --reuid=65534 --regid=65534 --clear-groups --)
  if ! "${run[@]}" test -x "$tmp/prefix/bin/vidmorph-batch"; then
    echo "SKIPPED: user 65534 cannot reach $tmp (set TMPDIR to a folder every user can enter)"
    exit 0
  fi
else
  chmod -R a-w "$tmp/prefix"
fi

# A clean environment, but a sanitizer build keeps its options (suppressions).
keep=()
for v in ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS TSAN_OPTIONS; do
  [ -n "${!v:-}" ] && keep+=("$v=${!v}")
done
cd "$tmp/work"
out=$("${run[@]}" env -i "${keep[@]}" HOME="$tmp/home" PATH=/usr/local/bin:/usr/bin:/bin \
  "$tmp/prefix/bin/vidmorph-batch" --profile 5 "$tmp/clip.avi" 2>&1) || {
  echo "installed vidmorph-batch failed:"; echo "$out"; exit 1; }
echo "$out"
folder="$tmp/home/Videos/Vidmorph/"
[ -s "$folder/clip.mkv" ] || { echo "FAIL: no $folder/clip.mkv"; exit 1; }
grep -qF "1 of 1 converted, 0 failed; default output folder $folder" <<<"$out" \
  || { echo "FAIL: the summary line does not name $folder"; exit 1; }
[ ! -e "$tmp/prefix/bin/convert" ] || { echo "FAIL: wrote beside the installed binary"; exit 1; }

# No ffmpeg anywhere: the row fails and the tool says where it looked.
if out=$("${run[@]}" env -i "${keep[@]}" HOME="$tmp/home" PATH=/nonexistent \
  "$tmp/prefix/bin/vidmorph-batch" --profile 5 "$tmp/clip.avi" 2>&1); then
  echo "FAIL: converted without a converter"; echo "$out"; exit 1
fi
grep -qF "ffmpeg was not found beside the program ($tmp/prefix/bin/ffmpeg)" <<<"$out" || { echo "$out"; exit 1; }
# The build folder's program (portable layout) run by a user who may not write there: its
# convert/ cannot be made, so it too falls back to the videos folder.
if [ "$(id -u)" -eq 0 ] && [ ! -e "$build/app/convert" ] && "${run[@]}" test -x "$build/app/vidmorph-batch" \
   && ! "${run[@]}" test -w "$build/app"; then
  out=$("${run[@]}" env -i "${keep[@]}" HOME="$tmp/home" PATH=/usr/bin:/bin \
    "$build/app/vidmorph-batch" --profile 5 "$tmp/clip.avi" 2>&1) || { echo "$out"; exit 1; }
  tail -1 <<<"$out"
  [ -s "$folder/clip_2.mkv" ] || { echo "FAIL: the portable program wrote no $folder/clip_2.mkv"; echo "$out"; exit 1; }
else
  echo "portable layout as another user: skipped (not root, or user 65534 cannot reach $build/app)"
fi
echo "installed program: OK"
