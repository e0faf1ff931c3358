# Helpers the benchmark scripts share; sourced, with `root` and `bin` set.

# Value of one key in a one-line JSON object (numbers only).
json() { sed -n "s/.*\"$2\":\([-0-9.eE+]*\).*/\1/p" <<<"$1"; }
ms() { awk -v v="$1" 'BEGIN { if (v == "") print "-"; else printf "%.1f", v }'; }
ms2() { awk -v v="$1" 'BEGIN { if (v == "") print "-"; else printf "%.2f", v }'; }
load1() { cut -d' ' -f1 /proc/loadavg; }

ticks_per_s=$(getconf CLK_TCK)
# User plus system CPU seconds the process has used so far.
cpu_seconds() {
  # Fields after the command name, which is in parentheses and may hold blanks.
  local rest
  rest=$(sed 's/^.*) //' "/proc/$1/stat" 2>/dev/null) || { echo 0; return; }
  awk -v t="$ticks_per_s" '{ printf "%.2f", ($12 + $13) / t }' <<<"$rest"
}
status_mb() { awk -v k="$2:" '$1 == k { printf "%.1f", $2 / 1024 }' "/proc/$1/status" 2>/dev/null; }
# Running and not a zombie.
alive() { [ -r "/proc/$1/stat" ] && [ "$(sed 's/^.*) //' "/proc/$1/stat" | cut -d' ' -f1)" != Z ]; }

# Starts the program laid out in DIR (its de501.ini and termlink.ini written by the
# caller), headless, its output to OUT, with ARGS; sets launched_pid, launched_port and,
# when the web side is on, launched_web_port.  Fails when it does not listen within 20 s.
launch_program() {  # DIR OUT [ARGS...]
  local dir=$1 out=$2
  shift 2
  (
    ulimit -n 4096 2>/dev/null || ulimit -n "$(ulimit -Hn)"
    LANG=C.UTF-8 LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen exec "$dir/tarifon" "$@"
  ) >"$out" 2>&1 &
  launched_pid=$!
  launched_port=""
  for _ in $(seq 1 200); do
    launched_port=$(sed -n 's/^termlink: listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$out")
    launched_web_port=$(sed -n 's/^termlink: web: listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$out")
    # The web side listens just after the terminals' server.
    [ -n "$launched_port" ] && { [ -n "$launched_web_port" ] || ! grep -q '^\[web\]' "$dir/termlink.ini"; } &&
      return 0
    kill -0 "$launched_pid" 2>/dev/null || break
    sleep 0.1
  done
  return 1
}

# Starts the private Firebird server (bench_fbserver), its output to OUT; sets
# server_pid and server_port.  Fails when it does not listen within a minute.
start_fbserver() {  # OUT
  "$bin/bench_fbserver" >"$1" 2>&1 &
  server_pid=$!
  server_port=""
  for _ in $(seq 1 600); do
    server_port=$(json "$(cat "$1")" port)
    [ -n "$server_port" ] && return 0
    kill -0 "$server_pid" 2>/dev/null || break
    sleep 0.1
  done
  return 1
}

# The 1M catalog of the benchmarks, built when missing; prints its path without .fdb.
catalog_1m() {
  local catalog
  catalog=$root/bench/cache/catalog-1M-v$("$bin/bench_catalog" --version)
  if [ ! -f "$catalog.fdb" ]; then
    "$bin/bench_catalog" --barcodes 1000000 --database "$catalog.fdb" --codes "$catalog.codes" \
      >/dev/null || return 1
  fi
  echo "$catalog"
}

# Writes RESULTS: MAIN (run.sh's set), then every bench/sections/*.md (written by the
# other scripts), then bench/history/*.md, each as it stands.  MAIN empty: the set
# already in RESULTS is kept.
write_results() {  # RESULTS [MAIN]
  local results=$1 main=${2:-} f
  if [ -z "$main" ]; then
    main=$(mktemp)
    sed '/^<!-- end of the full set -->$/,$d' "$results" >"$main"
  fi
  {
    cat "$main"
    echo "<!-- end of the full set -->"
    for f in "$root"/bench/sections/*.md "$root"/bench/history/*.md; do
      [ -f "$f" ] || continue
      echo
      cat "$f"
    done
  } >"$results.tmp" && mv -f "$results.tmp" "$results"
}
