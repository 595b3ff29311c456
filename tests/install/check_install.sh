#!/usr/bin/env bash
# Installs the build into an empty prefix, checks the files a desktop needs and validates them,
# runs --version and --help without a display, and builds the Debian package and reads it.
# Usage: check_install.sh BUILD_DIR FERRYMATE
set -euo pipefail
build=$1
program=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$work/prefix" >/dev/null
id=com.pictavo.Ferrymate
expected=(
  bin/ferrymate
  share/applications/$id.desktop
  share/metainfo/$id.metainfo.xml
  share/icons/hicolor/scalable/apps/$id.svg
)
for size in 16 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/$id.png")
done
for file in "${expected[@]}"; do
  [ -f "$work/prefix/$file" ] || fail "not installed: $file"
done
[ -x "$work/prefix/bin/ferrymate" ] || fail "bin/ferrymate is not executable"
desktop-file-validate "$work/prefix/share/applications/$id.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$work/prefix/share/metainfo/$id.metainfo.xml" >/dev/null ||
  fail "metainfo"

# No display at all: --version and --help answer and end.
version=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= "$program" --version)
[[ "$version" =~ ^ferrymate\ [0-9]+\.[0-9]+ ]] || fail "--version said: $version"
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= "$program" --help | grep -q -- "--version" ||
  fail "--help"

(cd "$build" && cpack -G DEB -B "$work/deb" >/dev/null) || fail "cpack"
deb=$(ls "$work"/deb/ferrymate_*.deb)
contents=$(dpkg-deb -c "$deb")
for file in "${expected[@]}"; do
  grep -q "/usr/$file\$" <<<"$contents" || fail "not in the package: $file"
done
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 libqt6network6 qt6-qpa-plugins; do
  grep -q "$package" <<<"$depends" || fail "the package does not depend on $package: $depends"
done
echo "1 passed, 0 failed"
