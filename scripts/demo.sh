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

# The server speaks FTP over TLS only, with a certificate of its own that no authority signed.
openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj /CN=demo.localhost \
  -addext subjectAltName=DNS:demo.localhost -keyout "$demo/server-key.pem" \
  -out "$demo/server-cert.pem" 2>"$demo/openssl.log" || { cat "$demo/openssl.log"; exit 1; }
cat "$demo/server-cert.pem" "$demo/server-key.pem" >"$demo/server.pem"
fingerprint=$(openssl x509 -in "$demo/server-cert.pem" -noout -fingerprint -sha256 | cut -d= -f2)

# The server runs while its stdin is open: this script holds the writing end of a pipe.
mkfifo "$demo/server.stdin"
/usr/bin/python3 "$here/tests/support/pyftpd.py" "$demo/server" "$account" "$password" 0 \
  --tls "$demo/server.pem" <"$demo/server.stdin" >"$demo/server.log" 2>&1 &
server=$!
exec 4>"$demo/server.stdin"
display_pid=""
cleanup() {
  kill "$server" 2>/dev/null || true
  if [ -n "$display_pid" ]; then kill "$display_pid" 2>/dev/null || true; fi
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

echo "Demo FTP server: 127.0.0.1:$port (FTP over TLS), files in $demo/server"
echo "It uses a self-signed certificate: Ferrymate asks once whether to trust it."
echo "Its SHA-256 fingerprint: $fingerprint"
echo "Sign in with account name: $account   password: $password"
echo "Sample projects: $demo/projects"

if [ -n "${DISPLAY:-}" ]; then
  "$demo/program/ferrymate"
  exit 0
fi

# No display: run the program under Xvfb and use it as a person would: sign in with the saved
# account, upload a sample project, view it, delete it again and close, with a screenshot each.
export DISPLAY=:77
Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
display_pid=$!
sleep 1
# The browser of the demo only notes the address it was asked to open.
# shellcheck disable=SC2016 # $1 is the browser script's own argument
printf '#!/bin/sh\necho "$1" >>"%s/opened.txt"\n' "$demo" >"$demo/browser.sh"
chmod +x "$demo/browser.sh"
BROWSER="$demo/browser.sh" "$demo/program/ferrymate" &
program=$!
shot() { sleep "$1"; import -window root "$demo/$2"; echo "Screenshot: $demo/$2"; }
# There is no window manager: give the named window the focus, then type the keys.
press() {
  local window
  window=$(xdotool search --sync --onlyvisible --name "$1" | tail -n 1)
  xdotool windowfocus --sync "$window" key "${@:2}"
}
click() { xdotool mousemove "$1" "$2" click 1; }
shot 2 signin.png
press "Pictavo Ferrymate - Login" Return
shot 2 trust-question.png
# Cancel has the focus; Tab moves it to the other button.
press "Pictavo Ferrymate \[Security\]" Tab space   # Trust this certificate
shot 3 connected.png
click 80 257                                   # the row MY FOLIO 2
press "Pictavo Ferrymate - Menu" alt+u         # Upload Selected Pictavo
shot 4 uploaded.png
click 520 200                                  # the published row myfolio2
press "Pictavo Ferrymate - Menu" alt+v         # View Selected Pictavo
sleep 1
echo "Opened in the browser: $(cat "$demo/opened.txt" 2>/dev/null)"
press "Pictavo Ferrymate - Menu" alt+d         # Delete Selected Pictavo
shot 1 delete-question.png
press "Pictavo Ferrymate \[Confirm\]" Return
shot 3 deleted.png
press "Pictavo Ferrymate - Menu" Escape
sleep 1
press "Pictavo Ferrymate \[Notice\]" Return
wait "$program" 2>/dev/null || true
echo "Screenshots in $demo"
