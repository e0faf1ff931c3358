#!/usr/bin/env bash
# Many shops, one price server: four Tarifon instances in the high-volume mode, each
# with its own 100 terminals, look prices up in one Firebird server holding the 1M
# catalog, as the shops of a chain with a central price database would.  The rate per
# terminal rises (2 scans/s, then 4, 6, 8) to find where it stops scaling.  Reported:
# each instance's p50 / p99, the server's CPU, and the scans each instance logged
# ("#" lines on standard error, with --service) against what its termsim counted.
# Writes bench/sections/chain.md and puts it into bench/RESULTS.md.
#
#   bash bench/chain.sh [BUILD_DIR]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
bin=$build/bin
. "$root/bench/lib.sh"
instances=4
terminals=100
rates=(2 4 6 8)
for f in tarifon termsim bench_fbserver bench_catalog; do
  [ -e "$bin/$f" ] || { echo "chain: $bin/$f is missing; build first" >&2; exit 1; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/tarifon-chain.XXXXXX")
pids=()
server_pid=""
stop_instances() {
  local p
  for p in "${pids[@]}"; do kill -TERM "$p" 2>/dev/null; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
  pids=()
}
cleanup() {
  stop_instances
  [ -z "$server_pid" ] || { kill -TERM "$server_pid" 2>/dev/null; wait "$server_pid" 2>/dev/null; }
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

catalog=$(catalog_1m) || exit 1
cp "$catalog.fdb" "$work/server.fdb"
start_fbserver "$work/fbserver.out" || { echo "chain: the Firebird server did not start" >&2; exit 1; }
engine=$(pgrep -P "$server_pid" | head -1)
database="localhost/$server_port:$work/server.fdb"
for i in $(seq 1 "$instances"); do
  bash "$root/scripts/layout-program.sh" "$build" "$work/shop$i" || exit 1
done

started_at=$(date -u '+%Y-%m-%d %H:%M UTC')
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
rows=()
summary=()
scaled=0
stopped=""
most=0
busiest=0
for rate in "${rates[@]}"; do
  seconds=15
  [ "$rate" = 2 ] && seconds=20
  echo "chain: $instances instances x $terminals terminals x $rate scans/s for $seconds s"
  # Each shop's terminals start as soon as it listens: started together, the first
  # shops' workers would have detached (idle_ms) before the last one was up.
  cpu0=$(cpu_seconds "$engine")
  w0=$(date +%s.%N)
  sims=()
  for i in $(seq 1 "$instances"); do
    printf '[CAMINHO]\nbd=%s\n[PERFORMANCE]\nhigh_volume=1\n' "$database" >"$work/shop$i/de501.ini"
    printf '[server]\naddress=127.0.0.1\nport=0\nconnect_rate=0\n[web]\naddress=127.0.0.1\nport=0\n' >"$work/shop$i/termlink.ini"
    launch_program "$work/shop$i" "$work/shop$i.out" --service ||
      { echo "chain: instance $i did not start" >&2; exit 1; }
    pids+=("$launched_pid")
    "$bin/termsim" --server "127.0.0.1:$launched_port" --terminals "$terminals" --rate "$rate" \
      --duration "$seconds" --codes "$catalog.codes" --model 1 --timeout 5 --json \
      --seed $((i * 1000)) >"$work/termsim$i.json" 2>"$work/termsim$i.err" &
    sims+=($!)
  done
  wait "${sims[@]}"
  w1=$(date +%s.%N)
  cpu1=$(cpu_seconds "$engine")
  stop_instances
  server_cpu=$(awk -v a="$cpu0" -v b="$cpu1" -v s="$w0" -v e="$w1" 'BEGIN { printf "%.0f", 100 * (b - a) / (e - s) }')
  total=0
  worst=0
  for i in $(seq 1 "$instances"); do
    j=$(cat "$work/termsim$i.json")
    logged=$(grep -c '^[0-9-]* [0-9:.]* #' "$work/shop$i.out")
    answered=$(json "$j" replies)
    p99=$(json "$j" latency_p99_ms)
    total=$((total + ${answered:-0}))
    worst=$(awk -v a="$worst" -v b="${p99:-0}" 'BEGIN { print (b > a) ? b : a }')
    rows+=("| $instances x $terminals x $rate/s | shop $i | $(json "$j" scans_sent) | $answered | \
$logged | $(json "$j" no_reply) | $(ms2 "$(json "$j" latency_p50_ms)") | $(ms "$p99") | \
$(ms "$(json "$j" latency_max_ms)") | $server_cpu % | $(load1) |")
    echo "${rows[-1]}"
  done
  offered=$((instances * terminals * rate))
  answered_rate=$(awk -v t="$total" -v s="$seconds" 'BEGIN { printf "%.0f", t / s }')
  if awk -v a="$answered_rate" -v o="$offered" -v p="$worst" 'BEGIN { exit !(a >= 0.95 * o && p < 100) }'; then
    [ -n "$stopped" ] || scaled=$offered
  else
    stopped=${stopped:-$offered}
  fi
  [ "$answered_rate" -le "$most" ] || most=$answered_rate
  [ "$server_cpu" -le "$busiest" ] || busiest=$server_cpu
  summary+=("| $offered | $(awk -v t="$total" -v s="$seconds" 'BEGIN { printf "%.0f", t / s }') | $(ms "$worst") | $server_cpu % |")
done

{
  echo "## Many shops, one price server"
  echo
  echo "Written by \`bench/chain.sh\` on $started_at; load average (1, 5, 15 min) when it"
  echo "started: $load_before ($(nproc) cores, shared with other developers' builds). $instances"
  echo "Tarifon instances (high volume, 8 workers each, \`--service\`), each with its own"
  echo "$terminals simulated terminals, and one private Firebird server (SuperServer) with"
  echo "the 1M catalog, all on this machine, over loopback. Each step starts the instances"
  echo "afresh, and its terminals as soon as it listens. \"Logged\" counts the \"#\" lines"
  echo "each instance wrote (the scans it answered; the program had no metrics page yet);"
  echo "termsim counts the answers it got within 5 s. Server CPU is the Firebird server's"
  echo "share of one core during the step. Times in milliseconds."
  echo
  echo "| load | instance | sent | answered | logged | no reply | p50 | p99 | max | server CPU | load |"
  echo "|---|---|---|---|---|---|---|---|---|---|---|"
  printf '%s\n' "${rows[@]}"
  echo
  echo "| offered scans/s | answered scans/s | worst p99 | server CPU |"
  echo "|---|---|---|---|"
  printf '%s\n' "${summary[@]}"
  echo
  echo "It scales to $scaled scans/s offered (every scan answered, the worst p99 under 100"
  echo "ms)${stopped:+ and stops at $stopped}; at most $most scans/s were answered, with the"
  if [ "$busiest" -lt 80 ]; then
    echo "server at $busiest % of a core at most: the limit here is the $(nproc) cores the"
    echo "instances, their terminals and the server share, not the server."
  else
    echo "server at $busiest % of a core at most."
  fi
} >"$root/bench/sections/chain.md"
write_results "$root/bench/RESULTS.md"
echo "chain: written to bench/sections/chain.md and bench/RESULTS.md"
