# shellcheck shell=bash
# Sourced by the benchmarks: starts pyftpdlib and vsftpd on loopback ports for one account, each
# serving an empty folder, and stops them when the benchmark exits.
# Needs: here (the repository), out (a work folder), user, password. Sets: roots (where served
# folders go), py_port, py_root, vs_port, vs_root; start_vsftpd starts more vsftpd servers.

free_port() { /usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

# The served folders are kept in memory where the machine allows: each run writes its files
# again, and the disk's write-back of earlier runs otherwise stalls whichever tool is running
# (for a second or more, now and then).
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  roots=$(mktemp -d /dev/shm/ferrymate-bench.XXXXXX)
  chmod 755 "$roots"
else
  roots="$out/roots"
fi

pids=()
stop_servers() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; pkill -P "$p" 2>/dev/null || true; done
  [[ $roots == /dev/shm/* ]] && rm -rf "$roots"
  return 0
}
trap stop_servers EXIT

py_root="$roots/pyftpdlib"
rm -rf "$py_root" && mkdir -p "$py_root"
coproc PY { exec /usr/bin/python3 "$here/tests/support/pyftpd.py" "$py_root" "$user" "$password" 0; }
pids+=("$PY_PID")
read -r _ py_port <&"${PY[0]}"

id -u "$user" >/dev/null 2>&1 || useradd -M -s /bin/sh -d / "$user"
echo "$user:$password" | chpasswd
mkdir -p "$out/vsftpd-empty"

# Starts vsftpd for the account on a free port, serving the empty folder $2, with the
# configuration lines $3 added (the configuration is $out/$1.conf). Sets started_port.
start_vsftpd() {
  local root=$2 pasv
  rm -rf "$root" && mkdir -p "$root"
  chown "$user:" "$root"
  started_port=$(free_port)
  pasv=$((40000 + RANDOM % 20000))
  cat >"$out/$1.conf" <<CONF
listen=YES
listen_address=127.0.0.1
listen_port=$started_port
background=NO
anonymous_enable=NO
local_enable=YES
write_enable=YES
local_umask=022
file_open_mode=0666
chroot_local_user=YES
allow_writeable_chroot=YES
local_root=$root
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
${3:-}
CONF
  /usr/sbin/vsftpd "$out/$1.conf" &
  pids+=("$!")
  for _ in $(seq 50); do (exec 3<>"/dev/tcp/127.0.0.1/$started_port") 2>/dev/null && break; sleep 0.1; done
}

vs_root="$roots/vsftpd"
start_vsftpd vsftpd "$vs_root"
vs_port=$started_port

median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
