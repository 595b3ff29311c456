#!/usr/bin/env bash
# Times uploads of ftpbench (the FTP component), lftp's single-connection mirror and curl to the
# same local pyftpdlib and vsftpd servers, for a project of 300 files (1 to 300 kB) and one of a
# single 200 MB file, in clear and over TLS (a vsftpd that requires it for log-ins and data; both
# tools on TLS 1.2, the version lftp can use here, and ftpbench once more on TLS 1.3), and
# measures ftpbench's peak memory. Every time is a whole run of the tool, log-in included; the
# tools take turns run by run, and each time is the median of RUNS runs.
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
# shellcheck source=bench/projects.sh
source "$here/bench/projects.sh"
make_many "$many"
if [ ! -f "$single.done" ]; then
  rm -rf "$single" && mkdir -p "$single"
  head -c $((200 * 1024 * 1024)) /dev/urandom >"$single/movie.swf"
  touch "$single.done"
fi

# shellcheck source=bench/servers.sh
source "$here/bench/servers.sh"

# The same vsftpd over TLS only, with a certificate made for the benchmark that the tools trust.
cert="$out/tls/cert.pem"
mkdir -p "$out/tls"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost \
  -addext subjectAltName=IP:127.0.0.1,DNS:localhost -keyout "$out/tls/key.pem" -out "$cert" \
  2>"$out/tls/openssl.log" || { cat "$out/tls/openssl.log" >&2; exit 1; }
# OpenSSL 3 refuses vsftpd's default cipher (DES-CBC3-SHA).
vt_root="$roots/vsftpd-tls"
start_vsftpd vsftpd-tls "$vt_root" "ssl_enable=YES
rsa_cert_file=$cert
rsa_private_key_file=$out/tls/key.pem
force_local_logins_ssl=YES
force_local_data_ssl=YES
require_ssl_reuse=YES
ssl_ciphers=HIGH"
vt_port=$started_port

seconds() {
  local s e
  s=$(date +%s.%N)
  "$@" >/dev/null 2>"$out/last.err" || { cat "$out/last.err" >&2; return 1; }
  e=$(date +%s.%N)
  awk -v s="$s" -v e="$e" 'BEGIN { printf "%.3f", e - s }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b == "-") print "-"; else printf "%.2f", a / b }'; }

# The tools' TLS options for the server in $tls: none for a server in clear.
tls=no
# Compared with lftp on the version lftp can speak (below); TLS 1.3 is timed on its own after.
tls_version=1.2
run_ftpbench() {
  local secure=()
  if [ "$tls" = yes ]; then secure=(--tls require --ca "$cert" --tls-version "$tls_version"); fi
  "$ftpbench" --host 127.0.0.1 --port "$1" --user "$user" --password "$password" "${secure[@]}" \
    --send "$2" --to up
}
# lftp fails rather than retrying for minutes. Over TLS it speaks TLS 1.2: with GnuTLS and TLS 1.3
# it closes uploads before the server's session ticket is read, and vsftpd loses their ends.
run_lftp() {
  local settings="set ftp:ssl-allow no;"
  if [ "$tls" = yes ]; then
    settings="set ftp:ssl-force true; set ftp:ssl-protect-data true; set ssl:ca-file '$cert'; \
set ssl:priority NORMAL:-VERS-TLS1.3;"
  fi
  lftp -u "$user,$password" -p "$1" -e "$settings set net:max-retries 1; \
set ftp:passive-mode on; mirror -R --parallel=1 $2 up; quit" 127.0.0.1
}
# curl (7.88) fails uploads to vsftpd over TLS whatever the version: it takes no TLS turns.
run_curl() {
  local cfg="$out/curl.cfg" f
  : >"$cfg"
  (cd "$2" && find . -type f | sort) | while read -r f; do
    printf 'upload-file = "%s"\nurl = "ftp://127.0.0.1:%s/up/%s"\n' "$2/${f#./}" "$1" "${f#./}" >>"$cfg"
  done
  curl -s -S --ftp-create-dirs --ftp-pasv -u "$user:$password" -K "$cfg"
}

printf '%-10s %-8s %10s %10s %10s %14s %14s\n' server project ftpbench lftp curl ftpbench/lftp ftpbench/curl
for server in pyftpdlib vsftpd vsftpd-tls; do
  case $server in
    pyftpdlib) port=$py_port root=$py_root tls=no tools=(ftpbench lftp curl) ;;
    vsftpd) port=$vs_port root=$vs_root tls=no tools=(ftpbench lftp curl) ;;
    vsftpd-tls) port=$vt_port root=$vt_root tls=yes tools=(ftpbench lftp) ;;
  esac
  for project in many single; do
    src="$out/projects/$project"
    declare -A samples=() times=([curl]=-)
    for _ in $(seq "$runs"); do
      for tool in "${tools[@]}"; do
        rm -rf "${root:?}/up"
        samples[$tool]+=" $(seconds "run_$tool" "$port" "$src")"
        # What arrived must be what was sent.
        diff -rq "$src" "$root/up" >/dev/null || { echo "$tool: $server/$project differs" >&2; exit 1; }
      done
    done
    for tool in "${tools[@]}"; do
      # shellcheck disable=SC2086 # the samples are words
      times[$tool]=$(median ${samples[$tool]})
    done
    curl_time=${times[curl]}
    if [ "$curl_time" != - ]; then curl_time+=s; fi
    printf '%-10s %-8s %9ss %9ss %10s %14s %14s\n' "$server" "$project" \
      "${times[ftpbench]}" "${times[lftp]}" "$curl_time" \
      "$(ratio "${times[ftpbench]}" "${times[lftp]}")" "$(ratio "${times[ftpbench]}" "${times[curl]}")"
    unset samples times
  done
done

# ftpbench over TLS 1.3, which costs a key exchange and a new ticket for each data connection.
port=$vt_port root=$vt_root tls=yes tls_version=1.3
samples=()
for _ in $(seq "$runs"); do
  rm -rf "${root:?}/up"
  samples+=("$(seconds run_ftpbench "$port" "$many")")
done
echo "ftpbench over TLS 1.3, $(basename "$many"): $(median "${samples[@]}")s"

# Peak memory of ftpbench while it sends the 200 MB file.
peak_memory() {
  rm -rf "${root:?}/up"
  /usr/bin/time -v "$ftpbench" --host 127.0.0.1 --port "$port" --user "$user" \
    --password "$password" "$@" --send "$single" --to up >/dev/null 2>"$out/time.txt"
  awk -F': ' '/Maximum resident/ {printf "%.1f MB", $2/1024}' "$out/time.txt"
}
port=$py_port root=$py_root
echo "ftpbench peak memory, 200 MB upload: $(peak_memory)"
port=$vt_port root=$vt_root
echo "ftpbench peak memory, 200 MB upload over TLS: $(peak_memory --tls require --ca "$cert")"
