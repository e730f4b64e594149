#!/usr/bin/env bash
# The desktop entry, the AppStream metainfo and the man pages pass their validators, and the
# metainfo names the desktop entry and the icon that are shipped.
#   desktopFiles.sh SOURCE_DIR
set -euo pipefail
src=$1
for tool in desktop-file-validate appstreamcli man; do
  command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed (scripts/install-deps)"; exit 0; }
done
id=org.example.vidmorph
desktop-file-validate "$src/packaging/$id.desktop"
appstreamcli validate --no-net "$src/packaging/$id.metainfo.xml"
grep -qF "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$src/packaging/$id.metainfo.xml"
icon=$(sed -n 's/^Icon=//p' "$src/packaging/$id.desktop")
for size in 16 22 24 32 48 64 128 256; do
  [ -s "$src/assets/icons/${size}x${size}/$icon.png" ] || { echo "FAIL: no ${size}x${size} icon $icon"; exit 1; }
done
for page in "$src"/packaging/*.1; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || { echo "FAIL: $page: $warnings"; exit 1; }
done
echo "desktop files: OK"
