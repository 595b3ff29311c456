# shellcheck shell=bash
# Sourced by the benchmarks: projects they publish, made once.

# make_many DIR: 300 files of 1 to 300 kB, every third of them in DIR/images.
make_many() {
  [ -f "$1.done" ] && return
  rm -rf "$1" && mkdir -p "$1/images"
  local i f
  for i in $(seq 1 300); do
    if [ $((i % 3)) -eq 0 ]; then f="$1/images/pic$i.jpg"; else f="$1/file$i.swf"; fi
    head -c $((i * 1024)) /dev/urandom >"$f"
  done
  touch "$1.done"
}
