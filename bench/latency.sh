#!/usr/bin/env bash
# Publishing time against a server 25 ms away (pyftpd.py --latency: every reply arrives 25 ms
# late, and replies to commands sent together travel together), where round trips, not
# bandwidth, decide: a 100-file project (90 images of 0.5 to 40 kB, 9 small .swf,
# pictavo.html) sent by ftpbench over 1 and 4 connections and by lftp's reverse mirror with 1 and
# 4 parallel transfers, then sent again unchanged with --skip-unchanged (lftp's mirror, which
# leaves unchanged files too, beside it). Then, on loopback without delay (pyftpdlib), a
# 300-file project (1 to 300 kB) over 4 connections against lftp -P 4. Every time is the wall
# time of the whole program, log-in included, the median of RUNS runs; the tools take turns run
# by run, so a slow spell of the machine hits them alike.
# Usage: bench/latency.sh [RUNS]   (default 3)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out="$here/bench/out"
runs=${1:-3}
user=ferrybench
password=Bench-pw1
delay_ms=25
mkdir -p "$out"

# ftpbench as users get it: optimised, no sanitizers.
cmake -S "$here" -B "$out/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFERRYMATE_TESTS=OFF \
  >/dev/null
cmake --build "$out/build" --target ftpbench -j 2 >/dev/null
ftpbench="$out/build/ftpbench"

# The projects, made once; edited an hour before they are published.
site="$out/projects/site100"
if [ ! -f "$site.done" ]; then
  rm -rf "$site" && mkdir -p "$site/images" "$site/bin"
  for i in $(seq 1 90); do
    head -c $((512 + (i - 1) * 40448 / 89)) /dev/urandom >"$site/images/pic$i.jpg"
  done
  for i in $(seq 1 9); do head -c $((i * 1500)) /dev/urandom >"$site/bin/movie$i.swf"; done
  head -c 6000 /dev/urandom >"$site/pictavo.html"
  find "$site" -type f -exec touch -d '-1 hour' {} +
  touch "$site.done"
fi
many="$out/projects/many"
# shellcheck source=bench/projects.sh
source "$here/bench/projects.sh"
make_many "$many"

pids=()
stop_servers() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; }
trap stop_servers EXIT

# NAME ROOT COMMAND...: starts a server that serves until its stdin closes; sets port_NAME.
start_server() {
  local name=$1 root=$2 fd
  shift 2
  rm -rf "$root" && mkdir -p "$root"
  rm -f "$out/$name.in" && mkfifo "$out/$name.in"
  "$@" <"$out/$name.in" >"$out/$name.port" 2>"$out/$name.err" &
  pids+=("$!")
  exec {fd}>"$out/$name.in"
  for _ in $(seq 100); do grep -q '^PORT' "$out/$name.port" && break; sleep 0.1; done
  printf -v "port_$name" '%s' "$(awk '/^PORT/ {print $2}' "$out/$name.port")"
}
slow_root="$out/roots/slow"
fast_root="$out/roots/fast"
start_server slow "$slow_root" /usr/bin/python3 "$here/tests/support/pyftpd.py" "$slow_root" \
  "$user" "$password" 0 --latency "$delay_ms"
start_server fast "$fast_root" /usr/bin/python3 "$here/tests/support/pyftpd.py" "$fast_root" \
  "$user" "$password" 0
slow_port=$port_slow
fast_port=$port_fast

# Runs a tool; prints its wall time in seconds and keeps its output in $out/last.out.
seconds() {
  local s e
  s=$(date +%s.%N)
  "$@" >"$out/last.out" 2>"$out/last.err" || { cat "$out/last.err" >&2; return 1; }
  e=$(date +%s.%N)
  awk -v s="$s" -v e="$e" 'BEGIN { printf "%.3f", e - s }'
}
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
check() { awk -v v="$1" -v t="$2" 'BEGIN { print (v <= t) ? "ok" : "MISSED" }'; }

# PORT SOURCE CONNECTIONS [--skip-unchanged]
ftpbench_send() {
  "$ftpbench" --host 127.0.0.1 --port "$1" --user "$user" --password "$password" --tls off \
    --send "$2" --to up --connections "$3" "${@:4}"
}
# PORT SOURCE PARALLEL
lftp_send() {
  lftp -u "$user,$password" -p "$1" -e "set ftp:ssl-allow no; set ftp:passive-mode on; \
mirror -R --parallel=$3 $2 up; quit" 127.0.0.1
}

# Cases: name, server (slow|fast), source, command. A name ending in "again" sends onto what the
# case before it left; every other case starts from an empty server.
cases=(
  "ftpbench-1|slow|$site|ftpbench_send \$port \$src 1"
  "lftp-1|slow|$site|lftp_send \$port \$src 1"
  "ftpbench-4|slow|$site|ftpbench_send \$port \$src 4"
  "ftpbench-4-again|slow|$site|ftpbench_send \$port \$src 4 --skip-unchanged"
  "lftp-4|slow|$site|lftp_send \$port \$src 4"
  "lftp-4-again|slow|$site|lftp_send \$port \$src 4"
)
# A quarter of a second each, varying by a tenth from run to run: seven times the runs.
loopback=(
  "ftpbench-4-loopback|fast|$many|ftpbench_send \$port \$src 4"
  "lftp-4-loopback|fast|$many|lftp_send \$port \$src 4"
)
declare -A samples=() summary=()
# Runs each case of "$@" once, in turn.
take() {
  local c name server src command port root t
  for c in "$@"; do
    IFS='|' read -r name server src command <<<"$c"
    if [ "$server" = slow ]; then port=$slow_port; root=$slow_root; else port=$fast_port; root=$fast_root; fi
    [[ $name == *again ]] || rm -rf "${root:?}/up"
    t=$(seconds eval "$command")
    diff -rq "$src" "$root/up" >/dev/null || { echo "$name: what arrived differs" >&2; exit 1; }
    samples[$name]+="$t "
    if [[ $name == ftpbench* ]]; then summary[$name]=$(grep '^files' "$out/last.out"); fi
  done
}
for run in $(seq "$runs"); do
  take "${cases[@]}"
  echo "run $run done" >&2
done
for _ in $(seq $((runs * 7))); do take "${loopback[@]}"; done
cases+=("${loopback[@]}")

declare -A med=()
printf '%-22s %9s   %s\n' case seconds "ftpbench summary (last run)"
for c in "${cases[@]}"; do
  name=${c%%|*}
  # shellcheck disable=SC2086
  med[$name]=$(median ${samples[$name]})
  printf '%-22s %8ss   %s\n' "$name" "${med[$name]}" "${summary[$name]:-}"
done
echo
unchanged_files=$(awk '{print $2}' <<<"${summary[ftpbench-4-again]}")
echo "targets, $delay_ms ms per reply:"
echo "  1 connection <= 13 s:                 ${med[ftpbench-1]} s  $(check "${med[ftpbench-1]}" 13)"
echo "  4 connections <= 3.5 s:               ${med[ftpbench-4]} s  $(check "${med[ftpbench-4]}" 3.5)"
r4=$(ratio "${med[ftpbench-4]}" "${med[lftp-4]}")
echo "  4 connections <= 0.8 x lftp -P 4:     ${r4}x  $(check "$r4" 0.8)"
echo "  unchanged again <= 1.5 s, 0 sent:     ${med[ftpbench-4-again]} s, $unchanged_files sent  $(check "${med[ftpbench-4-again]}" 1.5)"
rl=$(ratio "${med[ftpbench-4-loopback]}" "${med[lftp-4-loopback]}")
echo "loopback, 300 files, 4 connections <= lftp -P 4: ${rl}x  $(check "$rl" 1.0)"
