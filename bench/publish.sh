#!/usr/bin/env bash
# Times the program's own upload (the transfer window driven offscreen by windowbench, with one
# and with four connections) against the FTP component alone (ftpbench) and lftp's mirror (one
# and four connections), on the same files to the same local pyftpdlib and vsftpd servers: the
# demo's largest sample project and a generated project of 300 files (45 MB). Then the 300 files
# once more to a server whose replies arrive 50 ms late (tests/support/pyftpd.py --latency), as
# from one far away, through the window and lftp with four connections each. Last, the window lists a remote
# folder of 10,000 entries.
# Every time is a whole run of the tool, sign-in included, measured the same way for each; the
# tools take turns run by run, so a slow spell of the machine is shared out, and each time is the
# median of RUNS runs.
# Usage: bench/publish.sh [RUNS]   (default 3; needs root for vsftpd's account)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out="$here/bench/out/publish"
runs=${1:-3}
user=benchpub   # eight letters: the account name is the FTP user itself
password=Publish-pw1
mkdir -p "$out"

cmake -S "$here" -B "$here/bench/out/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DFERRYMATE_TESTS=OFF >/dev/null
cmake --build "$here/bench/out/build" --target windowbench ftpbench -j 2 >/dev/null
windowbench="$here/bench/out/build/windowbench"
ftpbench="$here/bench/out/build/ftpbench"

# The projects: the demo's samples, and 300 files of 1 to 299 kB laid out as a project.
projects="$out/projects"
if [ ! -f "$projects/.done" ]; then
  rm -rf "$projects" && mkdir -p "$projects"
  /usr/bin/python3 "$here/scripts/make_samples.py" "$projects"
  bin="$projects/Many Files/bin"
  mkdir -p "$bin/images"
  echo "<html>many files</html>" >"$bin/pictavo.html"
  for i in $(seq 1 299); do
    case $((i % 3)) in
      0) f="$bin/images/pic$i.jpg" ;;
      1) f="$bin/movie$i.swf" ;;
      *) f="$bin/text$i.txt" ;;
    esac
    head -c $((i * 1024)) /dev/urandom >"$f"
  done
  touch "$projects/.done"
fi
largest="My Folio 2"

# shellcheck source=bench/servers.sh
source "$here/bench/servers.sh"
# Every tool reads the projects from, and writes its log beside, the served folders: in memory
# where the machine allows, so no run waits for the disk (pages of the projects the system let go
# of, or the write-back of an earlier run's log).
rm -rf "$roots/projects" && cp -a "$projects" "$roots/projects"
projects="$roots/projects"

remote_name() { echo "$1" | tr -d ' ' | tr '[:upper:]' '[:lower:]'; }

# Each tool uploads project $2 to the server on port $1, signing in as it starts.
run_window() {
  TMPDIR="$roots" "$windowbench" --port "$1" --account "$user" --password "$password" \
    --projects "$projects" --connections "$3" "$2" >/dev/null 2>"$out/last.err"
}
run_window1() { run_window "$1" "$2" 1; }
run_window4() { run_window "$1" "$2" 4; }
# ftpbench runs the component as the window does: unchanged files skipped (the window always
# looks) and every command written to a log file (the window keeps one for each session).
as_window=(--skip-unchanged --log "$roots/ftpbench.log")
run_ftpbench() {
  "$ftpbench" --host 127.0.0.1 --port "$1" --user "$user" --password "$password" --tls off \
    "${as_window[@]}" --send "$projects/$2/bin" --to "$(remote_name "$2")" >/dev/null \
    2>"$out/last.err"
}
run_lftp() {
  lftp -u "$user,$password" -p "$1" -e "set ftp:ssl-allow no; set ftp:passive-mode on; \
mirror -R --parallel=$3 '$projects/$2/bin' $(remote_name "$2"); quit" 127.0.0.1 >/dev/null
}
run_lftp1() { run_lftp "$1" "$2" 1; }
run_lftp4() { run_lftp "$1" "$2" 4; }

# Seconds one run of tool $1 takes to upload project $3 to the server on port $2 whose root is $4;
# what arrived must be the project's published files.
time_run() {
  local remote s e
  remote=$(remote_name "$3")
  rm -rf "${4:?}/$remote"
  s=$(date +%s.%N)
  "run_$1" "$2" "$3"
  e=$(date +%s.%N)
  diff -rq "$projects/$3/bin" "$4/$remote" >/dev/null ||
    { echo "$1: $3 on port $2 differs" >&2; exit 1; }
  echo "$e - $s" | bc
}

# Times tools "$@" on server port $1, root $2, project $3 in turns; sets times[tool] to medians.
declare -A times
compare() {
  local port=$1 root=$2 project=$3 tool
  shift 3
  declare -A samples=()
  for _ in $(seq "$runs"); do
    for tool in "$@"; do
      samples[$tool]+=" $(time_run "$tool" "$port" "$project" "$root")"
    done
  done
  for tool in "$@"; do
    # shellcheck disable=SC2086
    times[$tool]=$(median ${samples[$tool]})
  done
}

ratio() { printf '%.2f' "$(echo "$1 / $2" | bc -l)"; }

tools=(window1 window4 ftpbench lftp1 lftp4)
printf '%-10s %-11s %5s' server project files
printf ' %9s' "${tools[@]}" "win1/ftpb" "win4/lftp4"
echo
for server in pyftpdlib vsftpd; do
  if [ "$server" = pyftpdlib ]; then port=$py_port; root=$py_root; else port=$vs_port; root=$vs_root; fi
  for project in "$largest" "Many Files"; do
    compare "$port" "$root" "$project" "${tools[@]}"
    printf '%-10s %-11s %5s' "$server" "$project" "$(find "$projects/$project/bin" -type f | wc -l)"
    for tool in "${tools[@]}"; do printf ' %8.3fs' "${times[$tool]}"; done
    printf ' %9s %10s\n' "$(ratio "${times[window1]}" "${times[ftpbench]}")" \
      "$(ratio "${times[window4]}" "${times[lftp4]}")"
  done
done

# The upload alone, sign-in excluded on both sides: the seconds windowbench prints for its upload
# (the project's sends and the listing after them) against ftpbench's run less its log-in.
upload_window() {
  TMPDIR="$roots" "$windowbench" --port "$1" --account "$user" --password "$password" \
    --projects "$projects" --connections 1 "$2" 2>"$out/last.err" | awk -F '\t' 'NF == 4 {print $4}'
}
upload_ftpbench() {
  "$ftpbench" --host 127.0.0.1 --port "$1" --user "$user" --password "$password" --tls off \
    "${as_window[@]}" --send "$projects/$2/bin" --to "$(remote_name "$2")" 2>"$out/last.err" |
    awk '$1 == "files" {for (i = 1; i < NF; i++) v[$i] = $(i + 1)} END {print v["seconds"] - v["login"]}'
}
echo
printf '%-10s %-11s %9s %9s %9s\n' server project window1 ftpbench win1/ftpb
for server in pyftpdlib vsftpd; do
  if [ "$server" = pyftpdlib ]; then port=$py_port; root=$py_root; else port=$vs_port; root=$vs_root; fi
  declare -a w=() f=()
  # Single uploads vary by a third from run to run here: six times the runs, and the tools take
  # the first turn by turns.
  for i in $(seq $((runs * 6))); do
    order=(window ftpbench)
    ((i % 2)) || order=(ftpbench window)
    for tool in "${order[@]}"; do
      rm -rf "${root:?}/manyfiles"
      if [ "$tool" = window ]; then
        w+=("$(upload_window "$port" "Many Files")")
      else
        f+=("$(upload_ftpbench "$port" "Many Files")")
      fi
    done
  done
  printf '%-10s %-11s %8.3fs %8.3fs %9s\n' "$server" "Many Files" "$(median "${w[@]}")" \
    "$(median "${f[@]}")" "$(ratio "$(median "${w[@]}")" "$(median "${f[@]}")")"
done
echo "(upload alone, sign-in excluded on both sides; target: window within 1.1 x ftpbench)"

# The 300 files to a server 50 ms away.
slow_root="$roots/slow"
rm -rf "$slow_root" && mkdir -p "$slow_root"
# It runs until its stdin closes: a pipe this script holds open until it ends.
rm -f "$out/slow.in" "$out/slow.port" && mkfifo "$out/slow.in"
/usr/bin/python3 "$here/tests/support/pyftpd.py" "$slow_root" "$user" "$password" 0 --latency 50 \
  <"$out/slow.in" >"$out/slow.port" &
pids+=("$!")
exec 7>"$out/slow.in"
for _ in $(seq 100); do [ -s "$out/slow.port" ] && break; sleep 0.1; done
read -r _ slow_port <"$out/slow.port"
compare "$slow_port" "$slow_root" "Many Files" window4 lftp4
bytes=$(du -sb "$projects/Many Files/bin" | cut -f1)
echo
echo "300 files ($((bytes / 1000000)) MB), 50 ms a reply: window (4 connections)" \
  "${times[window4]}s, lftp mirror -P 4 ${times[lftp4]}s," \
  "window/lftp $(ratio "${times[window4]}" "${times[lftp4]}") (target 0.60 or less)"

# A remote folder of 10,000 entries listed into the window.
mkdir -p "$py_root/big"
(cd "$py_root/big" && seq -f 'site%05g' 1 10000 | xargs mkdir -p)
echo
echo "Listing 10,000 folders into the window (pyftpdlib): $("$windowbench" --port "$py_port" \
  --account "$user" --password "$password" --list big 2>/dev/null)"
