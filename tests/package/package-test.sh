#!/usr/bin/env bash
# Builds the .deb, unpacks it into a temporary root and gets one price from the
# unpacked program with the unpacked terminal simulator, on loopback.
# Usage: package-test.sh BUILD_DIR CPACK
set -euo pipefail
work=$(mktemp -d "${TMPDIR:-/tmp}/tarifon-package.XXXXXX")
pid=""
trap 'if [ -n "$pid" ]; then kill -KILL "$pid" 2>/dev/null || true; fi; rm -rf "$work"' EXIT
fail() { echo "package: $*" >&2; cat "$work/tarifon.out" >&2 2>/dev/null; exit 1; }

"$2" --config "$1/CPackConfig.cmake" -B "$work/cpack" >"$work/cpack.log" 2>&1 ||
  fail "cpack: $(cat "$work/cpack.log")"
deb=$(echo "$work"/cpack/tarifon_*.deb)
dpkg -x "$deb" "$work/root" || fail "cannot unpack $deb"
prog=$work/root/opt/tarifon
for f in opt/tarifon/tarifon.png usr/share/applications/tarifon.desktop \
  usr/share/icons/hicolor/{scalable/apps/tarifon.svg,16x16/apps/tarifon.png,256x256/apps/tarifon.png}; do
  [ -s "$work/root/$f" ] || fail "the package lacks /$f"
done

"$(dirname "$0")/../../scripts/make-demo-db" "$work/demo.fdb" >/dev/null
printf '[CAMINHO]\nbd=%s\n' "$work/demo.fdb" >"$prog/de501.ini"
printf '[server]\naddress=127.0.0.1\nport=0\n' >"$prog/termlink.ini"
# No library path: the program must find libtermlink.so beside itself.
env -u LD_LIBRARY_PATH -u TERMLINK_INI QT_QPA_PLATFORM=offscreen LANG=pt_BR.UTF-8 \
  LC_ALL=pt_BR.UTF-8 "$prog/tarifon" >"$work/tarifon.out" 2>&1 &
pid=$!

# The port it got: its listening TCP socket (state 0A), found by inode in /proc/net/tcp.
port=""
for _ in $(seq 300); do
  kill -0 "$pid" 2>/dev/null || fail "the program ended at start-up"
  inodes=" $(find "/proc/$pid/fd" -lname 'socket:*' -printf '%l ' 2>/dev/null | tr -dc '0-9 ' || true) "
  hex=$(awk -v i="$inodes" '$4 == "0A" && index(i, " " $10 " ") { split($2, a, ":"); print a[2]; exit }' \
    /proc/net/tcp)
  [ -z "$hex" ] || { port=$((16#$hex)); break; }
  sleep 0.1
done
[ -n "$port" ] || fail "the program did not listen within 30 s"
grep -q " $prog/libtermlink.so\$" "/proc/$pid/maps" || fail "libtermlink.so not loaded from $prog"

reply=$("$prog/termsim" --server "127.0.0.1:$port" --timeout 10 --scan 7891000100103) ||
  fail "termsim: $reply"
[ "$reply" = $'7891000100103\tLeite Condensado Moça 395g\tR$6,99' ] || fail "unexpected reply: $reply"

kill -TERM "$pid"
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null && sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "the program did not stop within 10 s of SIGTERM"
status=0
wait "$pid" || status=$?
pid=""
[ "$status" -eq 0 ] || fail "the program exited with status $status"
