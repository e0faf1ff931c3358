#!/usr/bin/env bash
# Builds the .deb, unpacks it, has systemd-analyze check its unit and gets one price, on
# loopback, from the unpacked program run as the unit runs it (no service is started).
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
  opt/tarifon/web/{index.html,kiosk.js,kiosk.css} \
  opt/tarifon/web/templates/{welcome,price,notfound,error}.html \
  usr/share/icons/hicolor/{scalable/apps/tarifon.svg,16x16/apps/tarifon.png,256x256/apps/tarifon.png} \
  lib/systemd/system/tarifon.service; do
  [ -s "$work/root/$f" ] || fail "the package lacks /$f"
done

# The unit where the package puts it, beside the system's own units that it names.
unit=$work/root/lib/systemd/system/tarifon.service
cp -rn /lib/systemd/system/. "$work/root/lib/systemd/system/"
verify=$(systemd-analyze verify --root="$work/root" tarifon.service 2>&1) && [ -z "$verify" ] ||
  fail "systemd-analyze verify: $verify"
# The unit's paths, inside the unpacked root.
inroot() { sed "s#/opt/tarifon#$prog#g; s#/run/tarifon#$work/run#g; s#/var/cache/tarifon#$work/cache#g"; }
key() { sed -n "s/^$1=//p" "$unit"; }
mkdir -p "$work/run" "$work/cache" "$work/tmp"

"$(dirname "$0")/../../scripts/make-demo-db" "$work/demo.fdb" >/dev/null
printf '[CAMINHO]\nbd=%s\n' "$work/demo.fdb" >"$prog/de501.ini"
printf '[server]\naddress=127.0.0.1\nport=0\n[web]\naddress=127.0.0.1\nport=0\n' >"$prog/termlink.ini"

# Its user: as root, a throwaway id that no account has, the folder as postinst leaves it,
# in the group of the engine's lock folder, closed to others as /tmp/firebird is where a
# Firebird server has run.
user=()
uid=$(id -u)
if [ "$uid" -eq 0 ]; then
  for uid in $(seq 61000 61999); do ! getent passwd "$uid" && ! getent group "$uid" && break; done >/dev/null
  chmod 755 "$work" && chown "root:$uid" "$prog" && chmod 2775 "$prog"
  # Settings written by root in the group's folder, writable by the group as the service's
  # umask leaves its own files: the program never replaces a file that it may not write.
  chown "root:$uid" "$prog/de501.ini" && chmod 664 "$prog/de501.ini"
  chown "$uid:$uid" "$work/demo.fdb" "$work/run" "$work/cache" "$work/tmp"
  mkdir -m 770 "$work/tmp/firebird" && chown "root:$((uid + 1000))" "$work/tmp/firebird"
  user=(setpriv --reuid="$uid" --regid="$uid" --groups="$((uid + 1000))")
fi

# A service's clean environment and the unit's, no locale (none configured), a private /tmp.
mapfile -t unitEnv < <(key Environment | inroot)
read -r -a command <<<"$(key ExecStart | inroot)"
service() {
  cd "$(key WorkingDirectory | inroot)"
  umask "${UMASK:-$(key UMask)}"
  exec env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/nonexistent \
    TMPDIR="$work/tmp" FIREBIRD_LOCK="$work/tmp/firebird" ${LSAN_OPTIONS:+LSAN_OPTIONS="$LSAN_OPTIONS"} \
    "${unitEnv[@]}" "${user[@]}" "${command[@]}"
}
(service) >"$work/tarifon.out" 2>&1 &
pid=$!

# The ports it got, as the library tells them on standard error.
port=""
webport=""
for _ in $(seq 300); do
  kill -0 "$pid" 2>/dev/null || fail "the program ended at start-up"
  port=$(sed -n 's/^termlink: listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/tarifon.out")
  webport=$(sed -n 's/^termlink: web: listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/tarifon.out")
  [ -z "$port" ] || [ -z "$webport" ] || break
  sleep 0.1
done
[ -n "$port" ] && [ -n "$webport" ] || fail "the program did not listen within 30 s"
grep -q " $prog/libtermlink.so\$" "/proc/$pid/maps" || fail "libtermlink.so not loaded from $prog"

reply=$("$prog/termsim" --server "127.0.0.1:$port" --timeout 10 --scan 7891000100103) ||
  fail "termsim: $reply"
[ "$reply" = $'7891000100103\tLeite Condensado Moça 395g\tR$6,99' ] || fail "unexpected reply: $reply"
# A web price checker's page, from the shipped template.
exec 3<>"/dev/tcp/127.0.0.1/$webport" || fail "the web side does not answer"
printf 'GET /price?code=7891000100103 HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n' >&3
page=$(timeout 20 cat <&3)
exec 3<&-
case "$page" in
  "HTTP/1.1 200 OK"*'<div class="description">Leite Condensado Moça 395g</div>'*R\$6,99*) ;;
  *) fail "unexpected page: $page" ;;
esac

# One that cannot listen ends with a failure, for systemd to start it again.
printf '[server]\naddress=127.0.0.1\nport=%s\n' "$port" >"$prog/termlink.ini"
if (service) >"$work/second.out" 2>&1 || ! grep -q 'Erro inicializando servidor$' "$work/second.out"; then
  fail "a service that cannot listen did not fail: $(cat "$work/second.out")"
fi

kill -TERM "$pid"
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null && sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "the program did not stop within 10 s of SIGTERM"
status=0
wait "$pid" || status=$?
pid=""
[ "$status" -eq 0 ] || fail "the program exited with status $status"

# Outside the lock folder's group, on the same port, the scan goes unanswered and standard
# error says why.
if [ ${#user[@]} -gt 0 ]; then
  user=(setpriv --reuid="$uid" --regid="$uid" --clear-groups)
  # A desktop user's umask (022): what it creates in the group's folder stays group-writable.
  rm -f "$prog/temp.bmp"
  (UMASK=022 service) >"$work/locked.out" 2>&1 &
  pid=$!
  for _ in $(seq 100); do
    reply=$("$prog/termsim" --server "127.0.0.1:$port" --timeout 3 --scan 7891000100103) && break
    [ -z "$reply" ] || break
    sleep 0.2
  done
  kill -TERM "$pid" && wait "$pid" && pid="" || fail "the locked-out program did not end with 0"
  [ "$reply" = $'7891000100103\tno reply' ] || fail "answered outside the lock folder's group: $reply"
  [ "$(stat -c %A "$prog/temp.bmp")" = -rw-rw-r-- ] || fail "temp.bmp not group-writable: $(stat -c %A "$prog/temp.bmp")"
  grep -q "Falha no banco de dados do PDV ao consultar 7891000100103: .*Permission denied.*$work/tmp/firebird" \
    "$work/locked.out" || fail "no reason on standard error: $(cat "$work/locked.out")"
fi

# The event log on standard error with times, for the journal; the settings saved by its user.
grep -Eq '^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:]{8}\.[0-9]{3} #7891000100103$' "$work/tarifon.out" ||
  fail "no scan line on standard error"
[ "$(stat -c %u "$prog/de501.ini")" -eq "$uid" ] || fail "de501.ini was not saved by the service"
