#!/usr/bin/env bash
# A server certificate issued by one of the system's authorities verifies without a question, also
# when authorities of the user's own are added; one of an unknown authority does not. In a mount
# namespace of this test's own, the system's certificate folder is replaced by one holding only an
# authority the test makes; outside the namespace nothing changes.
# Usage: system_trust.sh FTPBENCH SUPPORT_DIR    (needs root for the namespace; skips otherwise)
set -euo pipefail
ftpbench=$1
support=$2
[ "$(id -u)" -eq 0 ] && command -v unshare >/dev/null || { echo "needs root and unshare"; exit 77; }
work=$(mktemp -d)
server=""
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"
quiet() { "$@" >/dev/null 2>&1; }
quiet openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=Ferrymate-Test-Root \
  -keyout root.key -out root.pem
quiet openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=Ferrymate-Other-Root \
  -keyout other.key -out other.pem
quiet openssl req -newkey rsa:2048 -nodes -subj /CN=localhost -keyout server.key -out server.csr
printf 'subjectAltName=DNS:localhost\n' >san.ext
quiet openssl x509 -req -in server.csr -CA root.pem -CAkey root.key -CAcreateserial -days 2 \
  -extfile san.ext -out server.crt
cat server.crt server.key >server.pem
mkdir store served up
cp root.pem store/ferrymate-test-root.pem
ln -s ferrymate-test-root.pem "store/$(openssl x509 -hash -noout -in root.pem).0"
echo "a page" >up/pictavo.html

mkfifo server.stdin
/usr/bin/python3 "$support/pyftpd.py" served tester Test-pw1 0 --tls server.pem \
  <server.stdin >server.out 2>&1 &
server=$!
exec 3>server.stdin
port=""
for _ in $(seq 1 100); do
  port=$(sed -n 's/^PORT \([0-9]*\)$/\1/p' server.out)
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { cat server.out; exit 1; }

send="$ftpbench --host localhost --port $port --user tester --password Test-pw1 --tls require --timeout 10 --send up --to"
if $send unknown >unknown.out 2>&1; then
  echo "FAIL: a certificate of an unknown authority was accepted"; exit 1
fi
grep -q "not trusted" unknown.out || { echo "FAIL: unexpected refusal:"; cat unknown.out; exit 1; }
unshare --mount --propagation private bash -c "mount --bind '$work/store' /etc/ssl/certs &&
  $send system >system.out 2>&1 && $send both --ca '$work/other.pem' >both.out 2>&1" || {
  echo "FAIL: the system's authority did not verify the certificate:"; cat ./*.out; exit 1; }
[ "$(cat served/system/pictavo.html served/both/pictavo.html)" = "a page
a page" ] || { echo "FAIL: the files did not arrive"; exit 1; }
echo "system authorities verify, with and without extra ones; unknown ones do not"
