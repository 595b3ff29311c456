#!/usr/bin/env bash
# Times uploads of ftpbench (the FTP component), lftp's single-connection mirror and curl to the
# same local pyftpdlib and vsftpd servers, for a project of 300 files (1 to 300 kB) and one of a
# single 200 MB file, and measures ftpbench's peak memory. Each time is the median of RUNS runs.
# Usage: bench/upload.sh [RUNS]   (default 3; needs root for vsftpd's account)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out="$here/bench/out"
runs=${1:-3}
user=ferrybench
password=Bench-pw1
mkdir -p "$out"

# ftpbench as users get it: optimised, no sanitizers.
cmake -S "$here" -B "$out/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFERRYMATE_TESTS=OFF \
  >/dev/null
cmake --build "$out/build" --target ftpbench -j "$(nproc)" >/dev/null
ftpbench="$out/build/ftpbench"

# The projects, made once.
many="$out/projects/many"
single="$out/projects/single"
if [ ! -f "$many.done" ]; then
  rm -rf "$many" && mkdir -p "$many/images"
  for i in $(seq 1 300); do
    if [ $((i % 3)) -eq 0 ]; then f="$many/images/pic$i.jpg"; else f="$many/file$i.swf"; fi
    head -c $((i * 1024)) /dev/urandom >"$f"
  done
  touch "$many.done"
fi
if [ ! -f "$single.done" ]; then
  rm -rf "$single" && mkdir -p "$single"
  head -c $((200 * 1024 * 1024)) /dev/urandom >"$single/movie.swf"
  touch "$single.done"
fi

# shellcheck source=bench/servers.sh
source "$here/bench/servers.sh"

seconds() {
  local s e
  s=$(date +%s.%N)
  "$@" >/dev/null 2>"$out/last.err" || { cat "$out/last.err" >&2; return 1; }
  e=$(date +%s.%N)
  awk -v s="$s" -v e="$e" 'BEGIN { printf "%.3f", e - s }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

run_ftpbench() { "$ftpbench" --host 127.0.0.1 --port "$1" --user "$user" --password "$password" --send "$2" --to up; }
run_lftp() {
  lftp -u "$user,$password" -p "$1" -e "set ftp:ssl-allow no; set ftp:passive-mode on; \
mirror -R --parallel=1 $2 up; quit" 127.0.0.1
}
run_curl() {
  local cfg="$out/curl.cfg" f
  : >"$cfg"
  (cd "$2" && find . -type f | sort) | while read -r f; do
    printf 'upload-file = "%s"\nurl = "ftp://127.0.0.1:%s/up/%s"\n' "$2/${f#./}" "$1" "${f#./}" >>"$cfg"
  done
  curl -s -S --ftp-create-dirs --ftp-pasv -u "$user:$password" -K "$cfg"
}

printf '%-10s %-8s %10s %10s %10s %14s %14s\n' server project ftpbench lftp curl ftpbench/lftp ftpbench/curl
for server in pyftpdlib vsftpd; do
  if [ "$server" = pyftpdlib ]; then port=$py_port; root=$py_root; else port=$vs_port; root=$vs_root; fi
  for project in many single; do
    src="$out/projects/$project"
    declare -A times=()
    for tool in ftpbench lftp curl; do
      samples=()
      for _ in $(seq "$runs"); do
        rm -rf "${root:?}/up"
        samples+=("$(seconds "run_$tool" "$port" "$src")")
        # What arrived must be what was sent.
        diff -rq "$src" "$root/up" >/dev/null || { echo "$tool: $server/$project differs" >&2; exit 1; }
      done
      times[$tool]=$(median "${samples[@]}")
    done
    printf '%-10s %-8s %9ss %9ss %9ss %14s %14s\n' "$server" "$project" \
      "${times[ftpbench]}" "${times[lftp]}" "${times[curl]}" \
      "$(ratio "${times[ftpbench]}" "${times[lftp]}")" "$(ratio "${times[ftpbench]}" "${times[curl]}")"
    unset times
  done
done

# Peak memory of ftpbench while it sends the 200 MB file.
rm -rf "${py_root:?}/up"
/usr/bin/time -v "$ftpbench" --host 127.0.0.1 --port "$py_port" --user "$user" \
  --password "$password" --send "$single" --to up >/dev/null 2>"$out/time.txt"
echo "ftpbench peak memory, 200 MB upload: $(awk -F': ' '/Maximum resident/ {printf "%.1f MB", $2/1024}' "$out/time.txt")"
