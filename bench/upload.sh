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

free_port() { /usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; }
trap cleanup EXIT

# pyftpdlib
py_root="$out/roots/pyftpdlib"
rm -rf "$py_root" && mkdir -p "$py_root"
coproc PY { exec /usr/bin/python3 "$here/tests/support/pyftpd.py" "$py_root" "$user" "$password" 0; }
pids+=("$PY_PID")
read -r _ py_port <&"${PY[0]}"

# vsftpd, with an account of its own
vs_root="$out/roots/vsftpd"
rm -rf "$vs_root" && mkdir -p "$vs_root" "$out/vsftpd-empty"
id -u "$user" >/dev/null 2>&1 || useradd -M -s /bin/sh -d / "$user"
echo "$user:$password" | chpasswd
chown "$user:" "$vs_root"
vs_port=$(free_port)
pasv=$((40000 + RANDOM % 20000))
cat >"$out/vsftpd.conf" <<CONF
listen=YES
listen_address=127.0.0.1
listen_port=$vs_port
background=NO
anonymous_enable=NO
local_enable=YES
write_enable=YES
local_umask=022
file_open_mode=0666
chroot_local_user=YES
allow_writeable_chroot=YES
local_root=$vs_root
seccomp_sandbox=NO
pam_service_name=vsftpd
secure_chroot_dir=$out/vsftpd-empty
pasv_enable=YES
pasv_address=127.0.0.1
pasv_min_port=$pasv
pasv_max_port=$((pasv + 99))
utf8_filesystem=YES
delay_failed_login=0
delay_successful_login=0
CONF
/usr/sbin/vsftpd "$out/vsftpd.conf" &
pids+=("$!")
for _ in $(seq 50); do (exec 3<>"/dev/tcp/127.0.0.1/$vs_port") 2>/dev/null && break; sleep 0.1; done

seconds() {
  local s e
  s=$(date +%s.%N)
  "$@" >/dev/null 2>"$out/last.err" || { cat "$out/last.err" >&2; return 1; }
  e=$(date +%s.%N)
  awk -v s="$s" -v e="$e" 'BEGIN { printf "%.3f", e - s }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

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
