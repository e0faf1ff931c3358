#!/usr/bin/env bash
# `make demo`: starts Tarifon headless on the demo database under the caller's regional
# settings (none, C or POSIX: Brazilian separators), scans a few demo codes (one unknown)
# with the terminal simulator, prints each reply, asks one price over HTTP as a web price
# checker does and stops the program cleanly.  The last two scanned codes are scale
# labels: a price label of the cheese and a weight label of the ham.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
case "$build" in /*) ;; *) build=$root/$build ;; esac
dir=$(mktemp -d "${TMPDIR:-/tmp}/tarifon-demo.XXXXXX")
pid=""
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -TERM "$pid" 2>/dev/null || true; fi
  rm -rf "$dir"
}
trap cleanup EXIT

bash "$root/scripts/layout-program.sh" "$build" "$dir"
"$root/scripts/make-demo-db" "$dir/demo.fdb" >/dev/null
# Scale labels: prefix 21 carries the price, prefix 22 the weight in grams.
printf '[CAMINHO]\nbd=%s\n[BALANCA]\n%s\n%s\n' "$dir/demo.fdb" \
  'format1=prefix:21;length:13;code:3,5;value:8,5;kind:price;decimals:2' \
  'format2=prefix:22;length:13;code:3,5;value:8,5;kind:weight' > "$dir/de501.ini"

# Free loopback ports: nothing answers on them.
freePort() {
  for _ in $(seq 1 50); do
    local p=$((20000 + RANDOM % 40000))
    if [ "$p" != "${1:-}" ] && ! (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null; then echo "$p"; return; fi
  done
  echo "demo: no free port found" >&2; exit 1
}
port=$(freePort)
webport=$(freePort "$port")
[ -n "$port" ] && [ -n "$webport" ] || exit 1
printf '[server]\naddress=127.0.0.1\nport=%s\n[web]\naddress=127.0.0.1\nport=%s\n' "$port" "$webport" \
  > "$dir/termlink.ini"

QT_QPA_PLATFORM=offscreen "$dir/tarifon" >"$dir/tarifon.out" 2>&1 &
pid=$!
# A loaded machine may take a while to start the program; give up only if it ends.
listening=""
for _ in $(seq 1 600); do
  if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then listening=1; break; fi
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$listening" ]; then
  echo "demo: Tarifon is not listening on 127.0.0.1:$port" >&2; cat "$dir/tarifon.out" >&2; exit 1
fi

echo "demo: Tarifon listening on 127.0.0.1:$port; scanning demo codes"
status=0
"$dir/termsim" --server "127.0.0.1:$port" --scan 7891000100103 7896005800028 7891910000197 0007891234567 7890000000000 \
  2101234012475 2200425003503 || status=$?

# A web price checker's request, without curl: bash's own TCP.
target="/api/price?code=7891000100103"
if exec 3<>"/dev/tcp/127.0.0.1/$webport"; then
  printf 'GET %s HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n' "$target" >&3
  answer=$(timeout 20 cat <&3 | tr -d '\r')
  exec 3<&-
  echo "demo: over HTTP, GET http://127.0.0.1:$webport$target"
  echo "${answer##*$'\n'}"
  case "$answer" in "HTTP/1.1 200 OK"*'"found":true'*) ;; *) echo "demo: unexpected answer" >&2; status=1 ;; esac
else
  echo "demo: the web side does not answer on 127.0.0.1:$webport" >&2; status=1
fi

kill -TERM "$pid"
if ! wait "$pid"; then echo "demo: Tarifon did not stop cleanly" >&2; cat "$dir/tarifon.out" >&2; exit 1; fi
pid=""
if grep -q '^currency=' "$dir/de501.ini"; then
  echo "demo: Tarifon stopped cleanly and saved its settings"
else
  echo "demo: Tarifon stopped but did not save its settings" >&2
  exit 1
fi
# termsim exits 1 when a code got no reply; the unknown code still gets "not found".
exit $status
