#!/usr/bin/env bash
# `make run`: lays out ./run, creates the demo database on first use, points a
# new de501.ini at it and starts Tarifon (offscreen when there is no display).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
case "$build" in /*) ;; *) build=$root/$build ;; esac
dir=$root/run
bash "$root/scripts/layout-program.sh" "$build" "$dir"
if [ ! -f "$dir/demo.fdb" ]; then
  "$root/scripts/make-demo-db" "$dir/demo.fdb"
fi
if [ ! -f "$dir/de501.ini" ]; then
  { printf '[CAMINHO]\nbd=%s\n\n' "$dir/demo.fdb"; cat "$root/scripts/scale-formats.ini"; } > "$dir/de501.ini"
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "run: no display; starting on the offscreen platform (stop with Ctrl+C)"
  export QT_QPA_PLATFORM=offscreen
fi
# A key of a section of termlink.ini, when it is set there.
setting() {
  awk -v section="[$1]" -v key="$2" '
    /^[ \t]*\[/ { gsub(/[ \t]/, ""); current = tolower($0); next }
    current == section && $0 ~ "^[ \t]*" key "[ \t]*=" { sub(/^[^=]*=[ \t]*/, ""); print; exit }
  ' "$dir/termlink.ini" 2>/dev/null || true
}
port=$(setting server port)
webport=$(setting web port)
echo "run: starting $dir/tarifon; terminals connect to TCP port ${port:-48731}," \
  "kiosk pages open http://localhost:${webport:-48780}/"
exec "$dir/tarifon"
