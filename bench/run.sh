#!/usr/bin/env bash
# `make bench`: scan-to-reply latency and capacity of Tarifon, set against the
# least one lookup can cost, all measured in this run on this machine.
#
#   bash bench/run.sh [BUILD_DIR]      full set, writes bench/RESULTS.md
#   BENCH_QUICK=1 bash bench/run.sh    10k catalog only, shorter runs, writes
#                                      bench/RESULTS-quick.md
#
# BENCH_RESULTS=FILE writes the table elsewhere.  Catalogs are cached in
# bench/cache/ and rebuilt only when missing or when the generator's version
# changes.  Every figure comes from processes started and stopped here, on
# loopback; a run that goes wrong is reported in the table, never as a failure.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
case "$build" in /*) ;; *) build=$root/$build ;; esac
bin=$build/bin
cache=$root/bench/cache
quick=${BENCH_QUICK:-0}
[ "$quick" = 0 ] || [ "$quick" = 1 ] || quick=1

if [ "$quick" = 1 ]; then
  sizes=(10000)
  duration=8          # seconds of load per end-to-end run
  floor_runs=100
  idle_seconds=20
  results=${BENCH_RESULTS:-$root/bench/RESULTS-quick.md}
else
  sizes=(10000 100000 1000000)
  duration=20
  floor_runs=200
  idle_seconds=60
  results=${BENCH_RESULTS:-$root/bench/RESULTS.md}
fi
terminal_counts=(1 10 100)
reply_timeout=5       # termsim's wait for one reply, seconds
idle_terminals=1022   # every slot the program lists

for f in tarifon libtermlink.so termsim bench_catalog bench_floor; do
  if [ ! -e "$bin/$f" ]; then
    echo "bench: $bin/$f is missing; build first (make bench builds everything)" >&2
    exit 1
  fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tarifon-bench.XXXXXX")
pid=""
cleanup() {
  stop_program >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

label() {
  case $1 in
    *000000) echo "$(($1 / 1000000))M" ;;
    *000) echo "$(($1 / 1000))k" ;;
    *) echo "$1" ;;
  esac
}

# Value of one key in a one-line JSON object (numbers only).
json() { sed -n "s/.*\"$2\":\([-0-9.eE+]*\).*/\1/p" <<<"$1"; }

free_port() {
  local p
  for _ in $(seq 1 50); do
    p=$((20000 + RANDOM % 40000))
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null; then echo "$p"; return 0; fi
  done
  return 1
}

ticks_per_s=$(getconf CLK_TCK)
# User plus system CPU seconds the process has used so far.
cpu_seconds() {
  # Fields after the command name, which is in parentheses and may hold blanks.
  local rest
  rest=$(sed 's/^.*) //' "/proc/$1/stat" 2>/dev/null) || { echo 0; return; }
  awk -v t="$ticks_per_s" '{ printf "%.2f", ($12 + $13) / t }' <<<"$rest"
}
status_mb() { awk -v k="$2:" '$1 == k { printf "%.1f", $2 / 1024 }' "/proc/$1/status" 2>/dev/null; }

prog=$work/program
bash "$root/scripts/layout-program.sh" "$build" "$prog" || { echo "bench: layout failed" >&2; exit 1; }

# Starts the program on a database; sets pid and port.  Fails when it does not listen.
start_program() {
  port=$(free_port) || return 1
  printf '[CAMINHO]\nbd=%s\n' "$1" >"$prog/de501.ini"
  printf '[server]\naddress=127.0.0.1\nport=%s\n' "$port" >"$prog/termlink.ini"
  (
    ulimit -n 4096 2>/dev/null || ulimit -n "$(ulimit -Hn)"
    LANG=C.UTF-8 LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen exec "$prog/tarifon"
  ) >"$work/tarifon.out" 2>&1 &
  pid=$!
  for _ in $(seq 1 100); do
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then return 0; fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  stop_program
  return 1
}

# Running and not a zombie.
alive() { [ -r "/proc/$1/stat" ] && [ "$(sed 's/^.*) //' "/proc/$1/stat" | cut -d' ' -f1)" != Z ]; }

# SIGTERM, then SIGKILL after 30 s (a lookup on a large catalog may be under way).
# Sets `ended` when the program had already ended by itself or had to be killed.
stop_program() {
  ended=""
  [ -n "$pid" ] || return 0
  if ! alive "$pid"; then
    wait "$pid" 2>/dev/null
    ended="ended during the run with status $? ($(tail -1 "$work/tarifon.out" 2>/dev/null))"
    pid=""
    return 0
  fi
  kill -TERM "$pid" 2>/dev/null
  for _ in $(seq 1 300); do
    alive "$pid" || break
    sleep 0.1
  done
  if alive "$pid"; then
    kill -KILL "$pid" 2>/dev/null
    ended="did not stop within 30 s of SIGTERM and was killed"
  fi
  wait "$pid" 2>/dev/null
  pid=""
}

ms() { awk -v v="$1" 'BEGIN { if (v == "") print "-"; else printf "%.1f", v }'; }

started_at=$(date -u '+%Y-%m-%d %H:%M UTC')
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
t0=$SECONDS
echo "bench: $( [ "$quick" = 1 ] && echo quick || echo full ) set, results to $results"

# --- Catalogs -------------------------------------------------------------------
mkdir -p "$cache"
version=$("$bin/bench_catalog" --version)
catalog_rows=()
declare -A db codes
for n in "${sizes[@]}"; do
  l=$(label "$n")
  db[$n]=$cache/catalog-$l-v$version.fdb
  codes[$n]=$cache/catalog-$l-v$version.codes
  if [ -f "${db[$n]}" ] && [ -f "${codes[$n]}" ]; then
    made="cached"
  else
    echo "bench: generating the $l catalog"
    rm -f "$cache"/catalog-"$l"-v*.fdb "$cache"/catalog-"$l"-v*.codes
    if out=$("$bin/bench_catalog" --barcodes "$n" --database "${db[$n]}" --codes "${codes[$n]}"); then
      made="$(json "$out" seconds) s"
    else
      made="FAILED"
    fi
  fi
  size_mb=$(du -m "${db[$n]}" 2>/dev/null | cut -f1)
  unknown=$(grep -vc '^789\|^012' "${codes[$n]}" 2>/dev/null)
  total=$(grep -c . "${codes[$n]}" 2>/dev/null)
  catalog_rows+=("| $l | $n | ${size_mb:--} MB | ${total:-0} codes, ${unknown:-0} unknown | $made |")
done

# --- Floor ------------------------------------------------------------------------
declare -A floor
floor_rows=()
for n in "${sizes[@]}"; do
  l=$(label "$n")
  # The program's statement reads the whole barcode table: fewer runs on big catalogs.
  program_runs=$((floor_runs * 10000 / n)); [ "$program_runs" -ge 10 ] || program_runs=10
  echo "bench: floor on the $l catalog"
  if out=$("$bin/bench_floor" --database "${db[$n]}" --codes "${codes[$n]}" --runs "$floor_runs" \
      --program-runs "$program_runs"); then
    floor[$n]=$(json "$out" connect_p50_ms)
    floor_rows+=("| $l | $(ms "${floor[$n]}") | $(ms "$(json "$out" open_p50_ms)") | \
$(ms "$(json "$out" program_open_p50_ms)") | $(json "$out" runs) / $(json "$out" program_runs) |")
  else
    floor[$n]=""
    floor_rows+=("| $l | FAILED | | | |")
  fi
done

# --- End to end -------------------------------------------------------------------
e2e_rows=()
notes=()
for n in "${sizes[@]}"; do
  l=$(label "$n")
  for t in "${terminal_counts[@]}"; do
    # Realistic: one scan per second per terminal.  Saturating: far more scans
    # offered than one-per-10-ms-tick can answer, so the program never idles.
    for kind in realistic saturating; do
      if [ "$kind" = realistic ]; then rate=1; else rate=$((1000 / t)); fi
      echo "bench: $l catalog, $t terminal(s), $rate scan(s)/s each"
      if ! start_program "${db[$n]}"; then
        e2e_rows+=("| $l | $t | $rate | program did not start | | | | | | | | | | |")
        continue
      fi
      cpu0=$(cpu_seconds "$pid")
      out=$("$bin/termsim" --server "127.0.0.1:$port" --terminals "$t" --rate "$rate" \
        --duration "$duration" --codes "${codes[$n]}" --model 1 --timeout "$reply_timeout" \
        --json 2>"$work/termsim.err")
      cpu1=$(cpu_seconds "$pid")
      peak=$(status_mb "$pid" VmHWM)
      stop_program
      [ -z "$ended" ] || notes+=("$l catalog, $t terminal(s) at $rate/s: the program $ended.")
      lost=$(json "$out" disconnected)
      [ "${lost:-0}" = 0 ] || notes+=("$l catalog, $t terminal(s) at $rate/s: $lost terminal(s) lost their connection.")
      if [ -z "$(json "$out" replies)" ]; then
        e2e_rows+=("| $l | $t | $rate | termsim failed: $(head -1 "$work/termsim.err") | | | | | | | | | | |")
        continue
      fi
      p50=$(json "$out" latency_p50_ms)
      ratio=$(awk -v a="$p50" -v b="${floor[$n]}" 'BEGIN { if (b > 0) printf "%.1f", a / b; else print "-" }')
      cpu=$(awk -v a="$cpu0" -v b="$cpu1" 'BEGIN { printf "%.1f", b - a }')
      share=$(awk -v c="$cpu" -v d="$(json "$out" duration_s)" 'BEGIN { if (d > 0) printf "%.0f", 100 * c / d; else print "-" }')
      e2e_rows+=("| $l | $t | $rate | $(json "$out" scans_sent) | $(json "$out" found)/$(json "$out" not_found) \
| $(ms "$(json "$out" throughput_per_s)") | $(json "$out" no_reply) | $(ms "$p50") | $(ms "$(json "$out" latency_p95_ms)") \
| $(ms "$(json "$out" latency_p99_ms)") | $(ms "$(json "$out" latency_max_ms)") | $ratio | $cpu ($share %) | ${peak:--} |")
    done
  done
done

# --- Idle -------------------------------------------------------------------------
echo "bench: $idle_terminals idle terminals for $idle_seconds s"
idle_row="| $idle_terminals | $idle_seconds s | program did not start | | | | |"
if start_program "${db[${sizes[0]}]}"; then
  cpu0=$(cpu_seconds "$pid")
  w0=$(date +%s.%N)
  out=$(ulimit -n 4096 2>/dev/null; "$bin/termsim" --server "127.0.0.1:$port" --idle \
    --terminals "$idle_terminals" --duration "$idle_seconds" --model 1 --timeout 30 --json \
    2>"$work/termsim.err")
  w1=$(date +%s.%N)
  cpu1=$(cpu_seconds "$pid")
  rss=$(status_mb "$pid" VmRSS)
  peak=$(status_mb "$pid" VmHWM)
  stop_program
  [ -z "$ended" ] || notes+=("Idle terminals: the program $ended.")
  if [ -n "$(json "$out" still_connected)" ]; then
    share=$(awk -v a="$cpu0" -v b="$cpu1" -v s="$w0" -v e="$w1" 'BEGIN { printf "%.1f", 100 * (b - a) / (e - s) }')
    idle_row="| $idle_terminals | $(ms "$(json "$out" duration_s)") s | $(json "$out" connected) / \
$(json "$out" still_connected) | $(json "$out" keepalives_min) / $(json "$out" keepalives_max) \
(about $((idle_seconds / 3)) expected) | $share % | ${rss:--} | ${peak:--} |"
  else
    idle_row="| $idle_terminals | $idle_seconds s | termsim failed: $(head -1 "$work/termsim.err") | | | | |"
  fi
fi

# --- Report -----------------------------------------------------------------------
cpu_model=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)
mem_total=$(awk '$1 == "MemTotal:" { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt" 2>/dev/null)
{
  echo "# Benchmark results"
  echo
  echo "Written by \`bench/run.sh\` ($( [ "$quick" = 1 ] && echo "quick mode, BENCH_QUICK=1" || echo "full set, \`make bench\`"));"
  echo "do not edit by hand. Times in milliseconds unless stated."
  echo
  echo "- Date: $started_at; the set took $(( (SECONDS - t0) / 60 )) min $(( (SECONDS - t0) % 60 )) s"
  echo "- CPU: ${cpu_model:-unknown}, $(nproc) cores; memory $mem_total"
  echo "- Kernel: $(uname -sr); $(. /etc/os-release 2>/dev/null && echo "$PRETTY_NAME")"
  echo "- Build: ${build_type:-unknown}; Firebird embedded engine (database files opened in-process)"
  echo "- Load average when the set started: $load_before ($(nproc) cores; the machine may be shared)"
  echo
  echo "## Catalogs"
  echo
  echo "| catalog | barcodes | file | scanned codes | generated |"
  echo "|---|---|---|---|---|"
  printf '%s\n' "${catalog_rows[@]}"
  echo
  echo "## Floor: one lookup at the least it can cost (median)"
  echo
  echo "Indexed lookup: the product query with the code as a text parameter. \"Connect\" is attach,"
  echo "prepare, run, fetch and detach; \"open\" the same on an attachment kept open. The last column"
  echo "is the program's own statement (the code appended unquoted) on an open attachment."
  echo
  echo "| catalog | connect + indexed lookup | indexed lookup, open | program's statement, open | runs |"
  echo "|---|---|---|---|---|"
  printf '%s\n' "${floor_rows[@]}"
  echo
  echo "## End to end: terminal simulator to Tarifon over loopback"
  echo
  echo "Each row starts the program afresh and runs \`termsim\` in load mode for $duration s; a reply"
  echo "later than $reply_timeout s counts as none. Latency is from the scan's send to its reply; ratio is"
  echo "the p50 over the floor's connect + indexed lookup. CPU is the program's user + system time"
  echo "during the run (share of one core), peak its VmHWM in MB."
  echo
  echo "| catalog | terminals | scans/s each | sent | found/unknown | answered/s | no reply | p50 | p95 | p99 | max | p50 / floor | CPU s | peak MB |"
  echo "|---|---|---|---|---|---|---|---|---|---|---|---|---|---|"
  printf '%s\n' "${e2e_rows[@]}"
  echo
  echo "## Idle terminals"
  echo
  echo "| terminals | connected for | connected / still connected | keep-alives per terminal min / max | CPU share | RSS MB | peak MB |"
  echo "|---|---|---|---|---|---|---|"
  echo "$idle_row"
  if [ ${#notes[@]} -gt 0 ]; then
    echo
    echo "## Notes on this run"
    echo
    printf -- '- %s\n' "${notes[@]}"
  fi
} >"$work/results.md"

cat "$work/results.md"
{
  cat "$work/results.md"
  for kept in "$root"/bench/history/*.md; do
    [ -f "$kept" ] || continue
    echo
    cat "$kept"
  done
} >"$results.tmp" && mv -f "$results.tmp" "$results"
echo
echo "bench: written to $results"
exit 0
