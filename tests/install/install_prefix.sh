#!/usr/bin/env bash
# Installs a built tree into a fresh temporary prefix and runs the installed
# zeq on the bundled sample.
#
#   install_prefix.sh CMAKE BUILD_DIR SOURCE_DIR
#
# The sample is a closed surface of genus 0 with 5120 faces; simplified to 1000
# faces (an even count, reached exactly since every collapse removes two) it
# keeps 1500 edges and, by Euler's formula V - E + F = 2, 502 vertices.
set -euo pipefail
cmake_bin=$1 build=$2 src=$3

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "install.prefix: $*" >&2; exit 1; }

"$cmake_bin" --install "$build" --prefix "$tmp/prefix" > "$tmp/install.log" ||
    { cat "$tmp/install.log" >&2; fail "cmake --install failed"; }

zeq=$tmp/prefix/bin/zeq
[[ -x $zeq ]] || fail "no executable $zeq"
man=$tmp/prefix/share/man/man1/zeq.1.gz
[[ -f $man ]] || fail "no manual page $man"
gzip -dc "$man" | cmp -s - "$src/docs/zeq.1" || fail "$man is not docs/zeq.1"
installed=$(find "$tmp/prefix" -type f | sed "s|^$tmp/prefix/||" | sort | tr '\n' ' ')
tiles=$tmp/prefix/bin/zeq-tiles
[[ -x $tiles ]] || fail "no executable $tiles"
tiles_man=$tmp/prefix/share/man/man1/zeq-tiles.1.gz
[[ -f $tiles_man ]] || fail "no manual page $tiles_man"
gzip -dc "$tiles_man" | cmp -s - "$src/docs/zeq-tiles.1" || fail "$tiles_man is not docs/zeq-tiles.1"
"$tiles" --help | grep -q '^Usage: zeq-tiles split' || fail "installed zeq-tiles --help prints no usage"
[[ $installed == "bin/zeq bin/zeq-tiles share/man/man1/zeq-tiles.1.gz share/man/man1/zeq.1.gz " ]] || fail "unexpected files installed: $installed"

status=0
(cd "$tmp" && "$zeq" -N 1000 "$src/data/sample.smf" out.smf > stdout) || status=$?
[[ $status -eq 0 ]] || { cat "$tmp/stdout" >&2; fail "installed zeq exited with status $status"; }
[[ $(head -1 "$tmp/out.smf") == "#SMF" ]] || fail "out.smf does not start with #SMF"
faces=$(grep -c '^f ' "$tmp/out.smf")
verts=$(grep -c '^v ' "$tmp/out.smf")
[[ $faces -eq 1000 ]] || fail "out.smf has $faces faces, expected 1000"
[[ $verts -eq 502 ]] || fail "out.smf has $verts vertices, expected 502"
grep -qx ' 1000 <Faces>' "$tmp/stdout" || fail "the run did not report 1000 faces"
if grep -q 'The ZEQ generate' "$tmp/stdout"; then fail "the run reported a missed target"; fi
echo "install.prefix: $installed- 1000 faces, 502 vertices"
