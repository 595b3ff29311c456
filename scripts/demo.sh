#!/usr/bin/env bash
# Runs Ferrymate on its embedded demo: sample projects on this machine and a local FTP server with
# a demo account. Without a display it runs under Xvfb, signs in, and writes screenshots.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/deps.sh"
cmake -S "$here" -B "$here/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFERRYMATE_TESTS=OFF >/dev/null
cmake --build "$here/build" --target ferrymate -j "$(nproc)"

demo=$(mktemp -d /tmp/ferrymate-demo.XXXXXX)
account=demo
password=pictavo
mkdir -p "$demo/program" "$demo/server/cgi-bin" "$demo/projects"
cp "$here/build/ferrymate" "$demo/program/"
/usr/bin/python3 "$here/scripts/make_samples.py" "$demo/projects"

/usr/bin/python3 "$here/tests/support/pyftpd.py" "$demo/server" "$account" "$password" 0 \
  >"$demo/server.log" 2>&1 &
server=$!
display_pid=""
cleanup() {
  kill "$server" 2>/dev/null || true
  [ -n "$display_pid" ] && kill "$display_pid" 2>/dev/null || true
}
trap cleanup EXIT
port=""
for _ in $(seq 1 100); do
  port=$(sed -n 's/^PORT \([0-9]*\)$/\1/p' "$demo/server.log" | head -n1)
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { echo "The demo FTP server did not start:"; cat "$demo/server.log"; exit 1; }

printf 'projectDir=%s&source=demo\r\n' "$demo/projects" >"$demo/program/initialize.txt"
saved=$(/usr/bin/python3 - "$password" <<'PY'
import sys
key = b"KORVANITE"
text = sys.argv[1].encode("latin-1")
hexed = bytes(c ^ key[i % len(key)] for i, c in enumerate(text)).hex().upper()
print(f"{len(hexed):02d}{hexed}")
PY
)
printf '[ConnectionInfo]\r\nLastServerAddressUsed=%s.localhost\r\nLastUsernameUsed=%s\r\nLastPasswordUsed=%s\r\n[Service]\r\nDomain=localhost\r\nPort=%s\r\n' \
  "$account" "$account" "$saved" "$port" >"$demo/program/Ferrymate.ini"

echo "Demo FTP server: 127.0.0.1:$port, files in $demo/server"
echo "Sign in with account name: $account   password: $password"
echo "Sample projects: $demo/projects"

if [ -n "${DISPLAY:-}" ]; then
  "$demo/program/ferrymate"
  exit 0
fi

# No display: run the program under Xvfb, sign in with the saved account and take screenshots.
export DISPLAY=:77
Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
display_pid=$!
sleep 1
"$demo/program/ferrymate" &
program=$!
shot() { sleep "$1"; import -window root "$2"; echo "Screenshot: $2"; }
shot 2 "$demo/signin.png"
xdotool key Return
shot 3 "$demo/connected.png"
xdotool key Escape
sleep 2
xdotool key Return 2>/dev/null || true
wait "$program" 2>/dev/null || true
echo "Screenshots in $demo"
