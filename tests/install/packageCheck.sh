#!/usr/bin/env bash
# Builds the Debian package from a build folder, checks it with lintian (no errors), unpacks it
# into a temporary root and converts a clip with the unpacked vidmorph-batch.
#   packageCheck.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cpack --config "$build/CPackConfig.cmake" -B "$tmp/out" >/dev/null
deb=$(ls "$tmp"/out/vidmorph_*.deb)
echo "package: $(basename "$deb")"
dpkg-deb -f "$deb" Depends
# Errors fail; warnings are printed for a human to weigh.
lintian --fail-on error --allow-root "$deb"
dpkg-deb -x "$deb" "$tmp/root"
ffmpeg -nostdin -v error -f lavfi -i testsrc=duration=1:size=64x48:rate=5 "$tmp/clip.avi"
mkdir "$tmp/work"
cd "$tmp/work"
"$tmp/root/usr/bin/vidmorph-batch" --profile 5 --output "$tmp/converted" "$tmp/clip.avi"
[ -s "$tmp/converted/clip.mkv" ] || { echo "FAIL: the unpacked tool wrote no $tmp/converted/clip.mkv"; exit 1; }
echo "package: OK"
