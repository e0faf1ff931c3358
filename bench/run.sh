#!/usr/bin/env bash
# `make bench`: scan-to-reply latency, capacity, idle cost and memory of Tarifon in
# both modes (default and high volume), on the database file (embedded engine) and
# through a Firebird server, set against the least one lookup can cost, all measured
# in this run on this machine.
#
#   bash bench/run.sh [BUILD_DIR]      full set (about 25 minutes), writes bench/RESULTS.md
#                                      and bench/latency.png
#   BENCH_QUICK=1 bash bench/run.sh    10k catalog, short runs (about 5 minutes), writes
#                                      bench/RESULTS-quick.md and bench/latency-quick.png
#   BENCH_WEB=1 bash bench/run.sh      the web terminals only (about 3 minutes): rewrites
#                                      their section of the results file, keeps the rest
#
# BENCH_RESULTS=FILE writes the table elsewhere (the plot goes beside it).  Catalogs
# are cached in bench/cache/ and rebuilt only when missing or when the generator's
# version changes.  Every figure comes from processes started and stopped here, on
# loopback; a run that goes wrong is reported in the table, never as a failure.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
case "$build" in /*) ;; *) build=$root/$build ;; esac
bin=$build/bin
. "$root/bench/lib.sh"
cache=$root/bench/cache
quick=${BENCH_QUICK:-0}
[ "$quick" = 0 ] || [ "$quick" = 1 ] || quick=1
web_only=${BENCH_WEB:-0}
[ "$web_only" = 0 ] || [ "$web_only" = 1 ] || web_only=1

if [ "$quick" = 1 ]; then
  sizes=(10000)
  run_seconds=8       # the 100-terminal runs
  sweep_seconds=5     # each point of the capacity sweep
  crowd_seconds=10    # 1022 terminals scanning
  idle_seconds=15
  web_seconds=8
  memory_seconds=60
  floor_runs=100
  hv_loads=(100 500 1000 2000)
  default_loads=(25 50 100)
  results=${BENCH_RESULTS:-$root/bench/RESULTS-quick.md}
else
  sizes=(10000 100000 1000000)
  run_seconds=20
  sweep_seconds=10
  crowd_seconds=30
  idle_seconds=60
  web_seconds=20
  memory_seconds=600
  floor_runs=200
  hv_loads=(100 250 500 1000 1500 2000)
  default_loads=(20 40 60 80 120)
  results=${BENCH_RESULTS:-$root/bench/RESULTS.md}
fi
[ "$web_only" = 0 ] || sizes=("${sizes[-1]}")
if [ "$quick" = 1 ]; then plot=$(dirname "$results")/latency-quick.png; else plot=$(dirname "$results")/latency.png; fi
reply_timeout=5       # termsim's wait for one reply, seconds
crowd=1022            # every slot the program lists
web_pages=200         # kiosk pages left idle
mem_sample=30         # seconds between memory samples in the long run

for f in tarifon libtermlink.so termsim bench_catalog bench_floor; do
  if [ ! -e "$bin/$f" ]; then
    echo "bench: $bin/$f is missing; build first (make bench builds everything)" >&2
    exit 1
  fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tarifon-bench.XXXXXX")
pid=""
server_pid=""
cleanup() {
  stop_program >/dev/null 2>&1
  [ -z "$server_pid" ] || { kill -TERM "$server_pid" 2>/dev/null; wait "$server_pid" 2>/dev/null; }
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

# met, MISSED or not measured: a figure against its limit.
verdict() { awk -v v="$1" -v lim="$2" -v op="$3" 'BEGIN {
  if (v == "") print "not measured"; else if ((op == "<=" && v + 0 <= lim) || (op == ">=" && v + 0 >= lim) || (op == "<" && v + 0 < lim)) print "met"; else print "MISSED" }'; }

# Progress: which step of how many, and the time so far.
step=0
steps=0
t0=$SECONDS
progress() {
  step=$((step + 1))
  local e=$((SECONDS - t0))
  printf 'bench: [%d/%d, %d:%02d] %s\n' "$step" "$steps" $((e / 60)) $((e % 60)) "$*"
}

prog=$work/program
bash "$root/scripts/layout-program.sh" "$build" "$prog" || { echo "bench: layout failed" >&2; exit 1; }

# Starts the program on a database in a mode (0 default, 1 high volume), with the
# window thread's lateness probe on; sets pid, port and web_port.  Fails when it does not listen.
start_program() {
  printf '[CAMINHO]\nbd=%s\n[PERFORMANCE]\nhigh_volume=%s\n[DEBUG]\nui_probe=1\n' "$1" "$2" \
    >"$prog/de501.ini"
  # Every simulated terminal comes from 127.0.0.1: no limit on how fast one address connects.
  printf '[server]\naddress=127.0.0.1\nport=0\nconnect_rate=0\n[web]\naddress=127.0.0.1\nport=0\n' \
    >"$prog/termlink.ini"
  launch_program "$prog" "$work/tarifon.out" &&
    { pid=$launched_pid; port=$launched_port; web_port=$launched_web_port; return 0; }
  pid=$launched_pid
  stop_program
  return 1
}

# SIGTERM, then SIGKILL after 30 s.  Sets `ended` when the program had already ended
# by itself or had to be killed, and `ui_p99` from the probe's report.
stop_program() {
  ended=""
  ui_p99=""
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
  ui_p99=$(sed -n 's/^ui timer lateness: .* p99 \([0-9.]*\) ms.*/\1/p' "$work/tarifon.out")
}

started_at=$(date -u '+%Y-%m-%d %H:%M UTC')
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
e2e=${sizes[-1]}      # the catalog of the end-to-end runs: the largest
el=$(label "$e2e")
have_server=0
[ -x "$bin/bench_fbserver" ] && [ "$web_only" = 0 ] && have_server=1
kinds=(embedded)
[ "$have_server" = 1 ] && kinds+=(server)
modes=(0 1)
mode_name() { [ "$1" = 1 ] && echo "high volume" || echo "default"; }
# Catalogs, floors, the 100-terminal runs, the sweep, the crowd, idle, memory; the web.
web_steps=4
if [ "$web_only" = 1 ]; then
  steps=$(( ${#sizes[@]} + web_steps ))
else
  steps=$(( 2 * ${#sizes[@]} + ${#kinds[@]} - 1 + 2 * ${#kinds[@]} \
    + ${#kinds[@]} * (${#hv_loads[@]} + ${#default_loads[@]}) + 2 * ${#kinds[@]} + 2 + 1 + web_steps ))
fi
declare -A capacity idle_share idle_rss
set_name=full
[ "$quick" = 1 ] && set_name=quick
[ "$web_only" = 1 ] && set_name="web ($set_name)"
echo "bench: $set_name set of $steps steps, results to $results"

# --- Catalogs -------------------------------------------------------------------
mkdir -p "$cache"
version=$("$bin/bench_catalog" --version)
catalog_rows=()
declare -A db codes
for n in "${sizes[@]}"; do
  l=$(label "$n")
  progress "catalog $l"
  db[$n]=$cache/catalog-$l-v$version.fdb
  codes[$n]=$cache/catalog-$l-v$version.codes
  if [ -f "${db[$n]}" ] && [ -f "${codes[$n]}" ]; then
    made="cached"
  else
    echo "bench:   generating the $l catalog"
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
scan_codes=${codes[$e2e]}

# --- The private Firebird server ----------------------------------------------------
# It holds its database file exclusively, so it gets a copy of the end-to-end catalog.
notes=()
declare -A database
database[embedded]=${db[$e2e]}
if [ "$have_server" = 1 ]; then
  cp "${db[$e2e]}" "$work/server-catalog.fdb"
  if start_fbserver "$work/fbserver.out"; then
    database[server]="localhost/$server_port:$work/server-catalog.fdb"
  else
    notes+=("The private Firebird server did not start: $(tail -1 "$work/fbserver.out"); no server runs.")
    kinds=(embedded)
  fi
else
  notes+=("bench_fbserver was not built (tests off): no server runs.")
fi

# --- Floor ------------------------------------------------------------------------
declare -A floor_connect floor_open
floor_rows=()
floor() {  # label database codes barcodes
  local out program_runs n=$4
  # The program's statement reads the whole barcode table: fewer runs on big catalogs.
  program_runs=$((floor_runs * 10000 / n)); [ "$program_runs" -ge 10 ] || program_runs=10
  if out=$("$bin/bench_floor" --database "$2" --codes "$3" --runs "$floor_runs" \
      --program-runs "$program_runs"); then
    floor_connect[$1]=$(json "$out" connect_p50_ms)
    floor_open[$1]=$(json "$out" open_p50_ms)
    floor_rows+=("| $1 | $(ms "${floor_connect[$1]}") | $(ms2 "${floor_open[$1]}") | \
$(ms "$(json "$out" program_open_p50_ms)") | $(json "$out" runs) / $(json "$out" program_runs) |")
  else
    floor_rows+=("| $1 | FAILED | | | |")
  fi
}
[ "$web_only" = 1 ] || for n in "${sizes[@]}"; do
  l=$(label "$n")
  progress "floor: $l catalog, embedded"
  floor "$l, embedded" "${db[$n]}" "${codes[$n]}" "$n"
done
for kind in "${kinds[@]}"; do
  [ "$kind" = server ] || continue
  progress "floor: $el catalog, server"
  floor "$el, server" "${database[server]}" "$scan_codes" "$e2e"
done
floor_of() {  # kind mode: the floor each mode's latency is set against
  if [ "$2" = 1 ]; then echo "${floor_open[$el, $1]:-}"; else echo "${floor_connect[$el, $1]:-}"; fi
}

# --- End to end ---------------------------------------------------------------------
# One run: a fresh program, termsim in load mode; appends a line to $work/runs.tsv:
# set kind mode terminals rate sent found unknown answered/s noreply p50 p95 p99 max
# cpu% peakMB ui_p99 load transport failed.
: >"$work/runs.tsv"
# How termsim reaches the program: our wire protocol, or the web side as price checkers
# (HTTP keep-alive) or kiosk pages (WebSocket) do.
termsim_server() {  # transport
  if [ "$1" = wire ]; then echo "127.0.0.1:$port"; else echo "127.0.0.1:$web_port"; fi
}
e2e_run() {  # set kind mode terminals rate seconds [transport]
  local set=$1 kind=$2 mode=$3 t=$4 rate=$5 seconds=$6 transport=${7:-wire} out cpu0 cpu1 peak lost
  if ! start_program "${database[$kind]}" "$mode"; then
    notes+=("$set, $kind, $(mode_name "$mode"), $t x $rate/s: the program did not start.")
    return 1
  fi
  cpu0=$(cpu_seconds "$pid")
  out=$(ulimit -n 4096 2>/dev/null; "$bin/termsim" --server "$(termsim_server "$transport")" \
    --transport "$transport" --terminals "$t" --rate "$rate" --duration "$seconds" \
    --codes "$scan_codes" --model 1 --timeout "$reply_timeout" --json 2>"$work/termsim.err")
  cpu1=$(cpu_seconds "$pid")
  peak=$(status_mb "$pid" VmHWM)
  stop_program
  [ -z "$ended" ] || notes+=("$set, $kind, $(mode_name "$mode"), $t x $rate/s: the program $ended.")
  lost=$(json "$out" disconnected)
  [ "${lost:-0}" = 0 ] || notes+=("$set, $kind, $(mode_name "$mode"), $t x $rate/s: $lost terminal(s) lost their connection.")
  if [ -z "$(json "$out" replies)" ]; then
    notes+=("$set, $kind, $(mode_name "$mode"), $t x $rate/s: termsim failed: $(head -1 "$work/termsim.err")")
    return 1
  fi
  local share
  share=$(awk -v a="$cpu0" -v b="$cpu1" -v d="$(json "$out" duration_s)" \
    'BEGIN { if (d > 0) printf "%.0f", 100 * (b - a) / d; else print "-" }')
  printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' \
    "$set" "$kind" "$mode" "$t" "$rate" "$(json "$out" scans_sent)" "$(json "$out" found)" \
    "$(json "$out" not_found)" "$(json "$out" throughput_per_s)" "$(json "$out" no_reply)" \
    "$(json "$out" latency_p50_ms)" "$(json "$out" latency_p95_ms)" "$(json "$out" latency_p99_ms)" \
    "$(json "$out" latency_max_ms)" "$share" "${peak:--}" "${ui_p99:--}" "$(load1)" \
    "$transport" "$(json "$out" failed)" >>"$work/runs.tsv"
  printf 'bench:   %s answered/s, p50 %s ms, p99 %s ms, no reply %s\n' \
    "$(ms "$(json "$out" throughput_per_s)")" "$(ms2 "$(json "$out" latency_p50_ms)")" \
    "$(ms "$(json "$out" latency_p99_ms)")" "$(json "$out" no_reply)"
}

if [ "$web_only" = 0 ]; then
# 100 terminals at 5 scans/s each: the hypermarket.
for kind in "${kinds[@]}"; do
  for mode in 1 0; do
    progress "$el catalog, $kind, $(mode_name $mode): 100 terminals x 5 scans/s for $run_seconds s"
    e2e_run store "$kind" "$mode" 100 5 "$run_seconds"
  done
done

# Capacity: 100 terminals, offered load rising; each mode over its own range.
for kind in "${kinds[@]}"; do
  for mode in 1 0; do
    if [ "$mode" = 1 ]; then loads=("${hv_loads[@]}"); else loads=("${default_loads[@]}"); fi
    for offered in "${loads[@]}"; do
      rate=$(awk -v o="$offered" 'BEGIN { printf "%g", o / 100 }')
      progress "$el catalog, $kind, $(mode_name $mode): $offered scans/s offered for $sweep_seconds s"
      e2e_run sweep "$kind" "$mode" 100 "$rate" "$sweep_seconds"
    done
  done
done

# Every terminal slot in use, each scanning every 2 s.
for kind in "${kinds[@]}"; do
  for mode in 1 0; do
    progress "$el catalog, $kind, $(mode_name $mode): $crowd terminals x 1 scan / 2 s for $crowd_seconds s"
    e2e_run crowd "$kind" "$mode" "$crowd" 0.5 "$crowd_seconds"
  done
done

fi

# --- Idle -------------------------------------------------------------------------
# One idle run: a fresh program, termsim connecting and scanning nothing; sets row, share
# and rss. `first` is the row's first column, `expected` what the keep-alive column expects.
idle_run() {  # mode database terminals transport first expected
  local out cpu0 cpu1 w0 w1 peak
  share=""
  rss=""
  row="| $5 | $idle_seconds s | program did not start | | | | |"
  start_program "$2" "$1" || return 0
  cpu0=$(cpu_seconds "$pid")
  w0=$(date +%s.%N)
  out=$(ulimit -n 4096 2>/dev/null; "$bin/termsim" --server "$(termsim_server "$4")" --idle \
    --transport "$4" --terminals "$3" --duration "$idle_seconds" --model 1 --timeout 30 --json \
    2>"$work/termsim.err")
  w1=$(date +%s.%N)
  cpu1=$(cpu_seconds "$pid")
  rss=$(status_mb "$pid" VmRSS)
  peak=$(status_mb "$pid" VmHWM)
  stop_program
  [ -z "$ended" ] || notes+=("Idle, $5: the program $ended.")
  if [ -n "$(json "$out" still_connected)" ]; then
    share=$(awk -v a="$cpu0" -v b="$cpu1" -v s="$w0" -v e="$w1" 'BEGIN { printf "%.1f", 100 * (b - a) / (e - s) }')
    row="| $5 | $(ms "$(json "$out" duration_s)") s | $(json "$out" connected) / \
$(json "$out" still_connected) | $(json "$out" keepalives_min) / $(json "$out" keepalives_max) \
($6) | $share % | ${rss:--} | ${peak:--} |"
    echo "bench:   CPU $share % of a core, RSS $rss MB"
  else
    row="| $5 | $idle_seconds s | termsim failed: $(head -1 "$work/termsim.err") | | | | |"
  fi
}
idle_rows=()
[ "$web_only" = 1 ] || for mode in 0 1; do
  progress "$crowd idle terminals for $idle_seconds s, $(mode_name $mode)"
  idle_run "$mode" "${db[${sizes[0]}]}" "$crowd" wire "$(mode_name $mode)" \
    "about $((idle_seconds / 3)) expected"
  idle_share[$mode]=$share
  idle_rss[$mode]=$rss
  idle_rows+=("$row")
done

# --- Memory over a long run -----------------------------------------------------------
memory_row="| program did not start | | | | |"
memory_samples=""
[ "$web_only" = 1 ] || progress "memory: $el catalog, embedded, high volume, 100 terminals x 5 scans/s for $memory_seconds s"
if [ "$web_only" = 0 ] && start_program "${database[embedded]}" 1; then
  rm -f "$work/memory.txt"
  (
    for ((s = mem_sample; s <= memory_seconds; s += mem_sample)); do
      sleep "$mem_sample"
      printf '%s %s\n' "$s" "$(status_mb "$pid" VmRSS)" >>"$work/memory.txt"
      if [ $((s % 60)) = 0 ]; then
        echo "bench:   memory run $((s / 60)) of $((memory_seconds / 60)) min, RSS $(status_mb "$pid" VmRSS) MB"
      fi
    done
  ) &
  sampler=$!
  out=$(ulimit -n 4096 2>/dev/null; "$bin/termsim" --server "127.0.0.1:$port" --terminals 100 \
    --rate 5 --duration "$memory_seconds" --codes "$scan_codes" --model 1 \
    --timeout "$reply_timeout" --json 2>"$work/termsim.err")
  wait "$sampler" 2>/dev/null
  peak=$(status_mb "$pid" VmHWM)
  stop_program
  memory_samples=$(awk '{ printf "%s%s", (NR > 1 ? ", " : ""), $2 }' "$work/memory.txt" 2>/dev/null)
  first=$(awk 'NR == 1 { print $2 }' "$work/memory.txt" 2>/dev/null)
  last=$(awk 'END { print $2 }' "$work/memory.txt" 2>/dev/null)
  memory_row="| $(json "$out" replies) / $(json "$out" scans_sent) | $(json "$out" no_reply) | \
$(ms2 "$(json "$out" latency_p50_ms)") / $(ms "$(json "$out" latency_p99_ms)") | ${first:--} → ${last:--} | ${peak:--} |"
fi

# --- Web terminals -------------------------------------------------------------------
# The same scans through the web side beside our wire protocol, in the mode and on the
# database that shops with many terminals use; then kiosk pages left idle.
transport_name() {
  case $1 in
    wire) echo "wire protocol (terminals)" ;;
    http) echo "HTTP keep-alive (/api/price)" ;;
    ws) echo "WebSocket (kiosk pages)" ;;
  esac
}
web_started_at=$(date -u '+%Y-%m-%d %H:%M UTC')
web_t0=$SECONDS
for transport in wire http ws; do
  progress "$el catalog, embedded, high volume: 100 x 5 scans/s, $(transport_name $transport), $web_seconds s"
  e2e_run web embedded 1 100 5 "$web_seconds" "$transport"
done
progress "$web_pages idle kiosk pages for $idle_seconds s, high volume"
idle_run 1 "${database[embedded]}" "$web_pages" ws "$web_pages kiosk pages" "pages send alive"
web_idle_row=$row
web_idle_share=$share
web_load_after=$(cut -d' ' -f1-3 /proc/loadavg)

# --- Report -----------------------------------------------------------------------
web_field() {  # transport field: of the web set's run over that transport
  awk -F'\t' -v t="$1" -v f="$2" '$1 == "web" && $19 == t { print $f; exit }' "$work/runs.tsv"
}
# The web section, complete in itself: BENCH_WEB=1 puts it alone into an older results file.
{
  echo "## Web terminals"
  echo
  echo "$web_started_at, $(( (SECONDS - web_t0) / 60 )) min $(( (SECONDS - web_t0) % 60 )) s; load average"
  echo "$(cut -d' ' -f1-3 /proc/loadavg) at the end ($(nproc) shared cores; termsim on the same cores)."
  echo "High volume, embedded, $el catalog, a fresh program per row. 100 terminals at 5 scans/s"
  echo "each for $web_seconds s over our wire protocol, then as price checkers asking \`/api/price\` on"
  echo "HTTP keep-alive connections, then as kiosk pages on WebSocket (\`termsim --transport\`);"
  echo "then $web_pages kiosk pages connected and idle for $idle_seconds s. Failed: answers that the price"
  echo "cannot be looked up now (the web side tells them; the wire protocol has no such answer)."
  echo
  echo "| target | measured | |"
  echo "|---|---|---|"
  for transport in http ws; do
    p50=$(web_field "$transport" 11); p99=$(web_field "$transport" 13); nr=$(web_field "$transport" 10)
    echo "| 500 scans/s over $(transport_name $transport): every scan answered | ${nr:--} without reply | $(verdict "$nr" 0 '<=') |"
    echo "| … p50 ≤ 2 ms | $(ms2 "$p50") ms | $(verdict "$p50" 2 '<=') |"
    echo "| … p99 ≤ 30 ms | $(ms "$p99") ms | $(verdict "$p99" 30 '<=') |"
  done
  echo "| $web_pages kiosk pages connected and idle: CPU < 2 % of a core | ${web_idle_share:--} % | $(verdict "$web_idle_share" 2 '<') |"
  echo
  echo "| transport | terminals x scans/s | sent | found/unknown | failed | answered/s | no reply | p50 | p95 | p99 | max | CPU | peak MB | UI p99 | load |"
  echo "|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|"
  awk -F'\t' '$1 == "web" {
      name = ($19 == "wire") ? "wire protocol" : ($19 == "http") ? "HTTP keep-alive" : "WebSocket"
      printf "| %s | %s x %s/s | %s | %s/%s | %s | %.1f | %s | %.2f | %.1f | %.1f | %.1f | %s %% | %s | %s | %s |\n",
        name, $4, $5, $6, $7, $8, ($20 == "" ? 0 : $20), $9, $10, $11, $12, $13, $14, $15, $16, $17, $18
    }' "$work/runs.tsv"
  echo
  echo "| pages | connected for | connected / still connected | keep-alives per page min / max | CPU share | RSS MB | peak MB |"
  echo "|---|---|---|---|---|---|---|"
  echo "$web_idle_row"
} >"$work/web.md"

if [ "$web_only" = 1 ]; then
  cat "$work/web.md"
  [ ${#notes[@]} -eq 0 ] || printf 'bench: note: %s\n' "${notes[@]}"
  # In place of the web section of the results file (or before its memory run).
  if [ -f "$results" ]; then
    awk -v section="$work/web.md" '
      function put() { while ((getline line < section) > 0) print line; print ""; done = 1 }
      /^## / && skipping { skipping = 0 }
      /^## Web terminals$/ && !done { put(); skipping = 1; next }
      /^## Memory over/ && !done { put() }
      !skipping { print }
      END { if (!done) { print ""; put() } }' "$results" >"$results.tmp" && mv -f "$results.tmp" "$results"
  else
    cp "$work/web.md" "$results"
  fi
  echo "bench: the web section written to $results"
  exit 0
fi

[ -z "$server_pid" ] || { kill -TERM "$server_pid" 2>/dev/null; wait "$server_pid" 2>/dev/null; server_pid=""; }

# Rows of runs.tsv for one set, as a table body.
rows_of() {
  awk -F'\t' -v set="$1" -v fe="$(floor_of embedded 0)" -v fo="$(floor_of embedded 1)" \
    -v se="$(floor_of server 0)" -v so="$(floor_of server 1)" '
    $1 == set {
      mode = ($3 == 1) ? "high volume" : "default"
      f = ($2 == "server") ? (($3 == 1) ? so : se) : (($3 == 1) ? fo : fe)
      ratio = (f > 0) ? sprintf("%.0f", $11 / f) : "-"
      printf "| %s | %s | %s x %s/s | %s | %s/%s | %.1f | %s | %.2f | %.1f | %.1f | %.1f | %s | %s %% | %s | %s | %s |\n",
        $2, mode, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14, ratio, $15, $16, $17, $18
    }' "$work/runs.tsv"
}
table_head='| database | mode | terminals x scans/s | sent | found/unknown | answered/s | no reply | p50 | p95 | p99 | max | p50 / floor | CPU | peak MB | UI p99 | load |
|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|'

# Capacity: the highest offered load whose p99 stayed under 100 ms with at least 95 %
# of it answered.
capacity_rows=()
for kind in "${kinds[@]}"; do
  for mode in 1 0; do
    cap=$(awk -F'\t' -v k="$kind" -v m="$mode" '
      $1 == "sweep" && $2 == k && $3 == m {
        offered = $4 * $5
        if ($13 < 100 && $9 >= 0.95 * offered && offered > best) best = offered
      } END { print best + 0 }' "$work/runs.tsv")
    capacity[$kind,$mode]=$cap
    capacity_rows+=("| $kind | $(mode_name $mode) | $cap scans/s |")
  done
done

# The plot: p50 and p99 against offered load, one pair of lines per mode and database.
plotted="no (gnuplot is not installed: apt-get install gnuplot-nox)"
if command -v gnuplot >/dev/null; then
  plot_lines=()
  color=0
  for kind in "${kinds[@]}"; do
    for mode in 1 0; do
      f=$work/sweep-$kind-$mode.dat
      awk -F'\t' -v k="$kind" -v m="$mode" '$1 == "sweep" && $2 == k && $3 == m {
        print $4 * $5, $11, $13 }' "$work/runs.tsv" >"$f"
      t="$(mode_name $mode), $kind"
      color=$((color + 1))
      plot_lines+=("'$f' using 1:2 with linespoints linecolor $color pointtype 7 title '$t, p50'")
      plot_lines+=("'$f' using 1:3 with linespoints linecolor $color dashtype 2 pointtype 6 title '$t, p99'")
    done
  done
  if gnuplot <<EOF 2>"$work/gnuplot.err"; then
set terminal pngcairo size 900,640 noenhanced
set output '$plot.tmp'
set title 'Scan-to-reply latency against offered load ($el catalog, 100 terminals)'
set xlabel 'offered scans per second (log scale)'
set ylabel 'latency, ms (log scale)'
set logscale xy
set grid
set key outside below
set arrow from graph 0, first 100 to graph 1, first 100 nohead dashtype 3
plot $(IFS=,; echo "${plot_lines[*]}")
EOF
    mv -f "$plot.tmp" "$plot"
    plotted="yes"
  else
    plotted="no (gnuplot failed: $(head -1 "$work/gnuplot.err"))"
  fi
fi

# The targets, each against its figure from this run.
tsv_field() {  # set kind mode field
  awk -F'\t' -v s="$1" -v k="$2" -v m="$3" -v f="$4" '$1 == s && $2 == k && $3 == m { print $f; exit }' \
    "$work/runs.tsv"
}
target_rows=()
for kind in "${kinds[@]}"; do
  nr=$(tsv_field store "$kind" 1 10); p50=$(tsv_field store "$kind" 1 11); p99=$(tsv_field store "$kind" 1 13)
  target_rows+=("| 100 terminals x 5/s, $el, high volume, $kind: every scan answered | ${nr:--} without reply | $(verdict "$nr" 0 '<=') |")
  target_rows+=("| … p50 ≤ 3 ms | $(ms2 "$p50") ms | $(verdict "$p50" 3 '<=') |")
  target_rows+=("| … p99 ≤ 30 ms | $(ms "$p99") ms | $(verdict "$p99" 30 '<=') |")
  target_rows+=("| capacity, high volume, $kind (aim ≥ 1000 scans/s) | ${capacity[$kind,1]} scans/s | $(verdict "${capacity[$kind,1]}" 1000 '>=') |")
  nr=$(tsv_field crowd "$kind" 1 10); p99=$(tsv_field crowd "$kind" 1 13); ui=$(tsv_field crowd "$kind" 1 17)
  target_rows+=("| $crowd terminals x 1 / 2 s, high volume, $kind: every scan answered | ${nr:--} without reply | $(verdict "$nr" 0 '<=') |")
  target_rows+=("| … p99 ≤ 50 ms | $(ms "$p99") ms | $(verdict "$p99" 50 '<=') |")
  target_rows+=("| … window timer lateness p99 ≤ 20 ms | $(ms "$ui") ms | $(verdict "$ui" 20 '<=') |")
done
for mode in 0 1; do
  target_rows+=("| $crowd idle terminals, $(mode_name $mode): CPU < 2 % of a core | ${idle_share[$mode]:--} % | $(verdict "${idle_share[$mode]:-}" 2 '<') |")
  target_rows+=("| … RSS < 80 MB | ${idle_rss[$mode]:--} MB | $(verdict "${idle_rss[$mode]:-}" 80 '<') |")
done
target_rows+=("| resident memory flat over $((memory_seconds / 60)) min at 500 scans/s | ${first:--} → ${last:--} MB | see below |")

cpu_model=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)
mem_total=$(awk '$1 == "MemTotal:" { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt" 2>/dev/null)
load_after=$(cut -d' ' -f1-3 /proc/loadavg)
{
  echo "# Benchmark results"
  echo
  echo "Written by \`bench/run.sh\` ($( [ "$quick" = 1 ] && echo "quick mode, BENCH_QUICK=1" || echo "full set, \`make bench\`"));"
  echo "do not edit by hand. Times in milliseconds unless stated."
  echo
  echo "- Date: $started_at; the set took $(( (SECONDS - t0) / 60 )) min $(( (SECONDS - t0) % 60 )) s"
  echo "- CPU: ${cpu_model:-unknown}, $(nproc) cores; memory $mem_total"
  echo "- Kernel: $(uname -sr); $(. /etc/os-release 2>/dev/null && echo "$PRETTY_NAME")"
  echo "- Build: ${build_type:-unknown}; Firebird embedded engine for database files, a private Firebird"
  echo "  server (SuperServer, loopback) for \`localhost/PORT:path\`"
  echo "- Load average (1, 5, 15 min) when the set started: $load_before; when it ended: $load_after"
  echo "  ($(nproc) cores, shared with other work; each run's 1-minute load is in its row). termsim,"
  echo "  the terminals' side, runs on the same cores."
  echo
  echo "## Targets"
  echo
  echo "| target | measured | |"
  echo "|---|---|---|"
  printf '%s\n' "${target_rows[@]}"
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
  echo "prepare, run, fetch and detach: the floor of the default mode. \"Open\" runs the query,"
  echo "prepared once, on an attachment kept open: the floor of the high-volume mode, which keeps"
  echo "both. The last column is the default mode's numeric statement (the code appended"
  echo "unquoted) on an open attachment."
  echo
  echo "| catalog, database | connect + indexed lookup | indexed lookup, open | numeric statement, open | runs |"
  echo "|---|---|---|---|---|"
  printf '%s\n' "${floor_rows[@]}"
  echo
  echo "## The modes side by side: 100 terminals at 5 scans/s each"
  echo
  echo "Each row starts the program afresh ($el catalog) and runs \`termsim\` in load mode for $run_seconds s;"
  echo "a reply later than $reply_timeout s counts as none. A terminal has one scan outstanding at a time,"
  echo "so a slow server sees fewer scans than offered. Latency is from the scan's send to its reply;"
  echo "p50 / floor sets it against the floor of the row's mode and database. CPU is the program's"
  echo "share of one core, peak its VmHWM; UI p99 is the 99th percentile of how late a 20 ms timer of"
  echo "the window's thread fired."
  echo
  echo "$table_head"
  rows_of store
  echo
  echo "## $crowd terminals, each scanning every 2 s"
  echo
  echo "$table_head"
  rows_of crowd
  echo
  echo "## Capacity"
  echo
  echo "100 terminals; the offered load rises, $sweep_seconds s per point. Capacity is the highest offered"
  echo "load whose p99 stayed under 100 ms with at least 95 % of it answered."
  echo
  echo "| database | mode | capacity |"
  echo "|---|---|---|"
  printf '%s\n' "${capacity_rows[@]}"
  echo
  if [ "$plotted" = yes ]; then
    echo "![p50 and p99 against offered load]($(basename "$plot"))"
  else
    echo "Plot: $plotted."
  fi
  echo
  echo "$table_head"
  rows_of sweep
  echo
  echo "## Idle terminals"
  echo
  echo "$crowd terminals connected, scanning nothing: the program's CPU share and memory."
  echo
  echo "| mode | connected for | connected / still connected | keep-alives per terminal min / max | CPU share | RSS MB | peak MB |"
  echo "|---|---|---|---|---|---|---|"
  printf '%s\n' "${idle_rows[@]}"
  echo
  cat "$work/web.md"
  echo
  echo "## Memory over $((memory_seconds / 60)) minutes"
  echo
  echo "High volume, embedded, $el catalog, 100 terminals at 5 scans/s. RSS in MB every $mem_sample s:"
  echo "${memory_samples:--}."
  echo
  echo "| answered / sent | no reply | p50 / p99 | RSS after $mem_sample s → at the end | peak MB |"
  echo "|---|---|---|---|---|"
  echo "$memory_row"
  if [ ${#notes[@]} -gt 0 ]; then
    echo
    echo "## Notes on this run"
    echo
    printf -- '- %s\n' "${notes[@]}"
  fi
} >"$work/results.md"

cat "$work/results.md"
write_results "$results" "$work/results.md"
echo
echo "bench: written to $results$( [ "$plotted" = yes ] && echo " and $plot")"
exit 0
