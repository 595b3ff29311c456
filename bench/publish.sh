#!/usr/bin/env bash
# Times the program's own upload (the transfer window driven offscreen by windowbench) against
# lftp's single-connection mirror of the same files to the same local pyftpdlib and vsftpd
# servers, for the demo's largest sample project and a generated project of 300 files; also times
# the window listing a remote folder of 10,000 entries. Each time is the median of RUNS runs.
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
cmake --build "$here/bench/out/build" --target windowbench -j "$(nproc)" >/dev/null
windowbench="$here/bench/out/build/windowbench"

# The projects: the demo's samples, and 300 files of 1 to 300 kB laid out as a project.
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

remote_name() { echo "$1" | tr -d ' ' | tr '[:upper:]' '[:lower:]'; }

# The program's time is the upload alone, as windowbench reports it (sign-in excluded).
time_window() {
  "$windowbench" --port "$1" --account "$user" --password "$password" --projects "$projects" \
    "$2" 2>"$out/last.err" | cut -f4
}
time_lftp() {
  local s e
  s=$(date +%s.%N)
  lftp -u "$user,$password" -p "$1" -e "set ftp:ssl-allow no; set ftp:passive-mode on; \
mirror -R --parallel=1 '$projects/$2/bin' $(remote_name "$2"); quit" 127.0.0.1 >/dev/null
  e=$(date +%s.%N)
  echo "$e - $s" | bc
}

printf '%-10s %-12s %6s %10s %10s %10s\n' server project files program lftp program/lftp
for server in pyftpdlib vsftpd; do
  if [ "$server" = pyftpdlib ]; then port=$py_port; root=$py_root; else port=$vs_port; root=$vs_root; fi
  for project in "$largest" "Many Files"; do
    remote=$(remote_name "$project")
    declare -A times=()
    for tool in window lftp; do
      samples=()
      for _ in $(seq "$runs"); do
        rm -rf "${root:?}/$remote"
        samples+=("$("time_$tool" "$port" "$project")")
        # What arrived must be the project's published files.
        diff -rq "$projects/$project/bin" "$root/$remote" >/dev/null ||
          { echo "$tool: $server/$project differs" >&2; exit 1; }
      done
      times[$tool]=$(median "${samples[@]}")
    done
    files=$(find "$projects/$project/bin" -type f | wc -l)
    printf '%-10s %-12s %6s %9.3fs %9.3fs %10.2f\n' "$server" "$project" "$files" \
      "${times[window]}" "${times[lftp]}" "$(echo "${times[window]} / ${times[lftp]}" | bc -l)"
  done
done

# A remote folder of 10,000 entries listed into the window.
mkdir -p "$py_root/big"
(cd "$py_root/big" && seq -f 'site%05g' 1 10000 | xargs mkdir -p)
echo
echo "Listing 10,000 folders into the window (pyftpdlib): $("$windowbench" --port "$py_port" \
  --account "$user" --password "$password" --list big 2>/dev/null)"
