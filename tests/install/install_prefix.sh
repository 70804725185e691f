#!/usr/bin/env bash
# Installs a built tree into a fresh temporary prefix, checks that exactly the
# expected files are there, and runs the installed zeq on the bundled sample.
#
#   install_prefix.sh CMAKE BUILD_DIR SOURCE_DIR LIBDIR CONFIG [PYTHON_MODULE]
#
# LIBDIR is CMAKE_INSTALL_LIBDIR (lib), CONFIG the build type in lower case
# (it names the CMake package's zeqTargets-CONFIG.cmake), PYTHON_MODULE the
# Python module's path under the prefix when it is built
# (lib/python3.X/dist-packages/zeq.cpython-3X-....so).
#
# The sample is a closed surface of genus 0 with 5120 faces; simplified to 1000
# faces (an even count, reached exactly since every collapse removes two) it
# keeps 1500 edges and, by Euler's formula V - E + F = 2, 502 vertices.
set -euo pipefail
cmake_bin=$1 build=$2 src=$3 libdir=$4 config=$5 python_module=${6:-}

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
expected=(bin/zeq bin/zeq-tiles include/zeq/zeq.h
          "$libdir/cmake/zeq/zeqConfig.cmake" "$libdir/cmake/zeq/zeqConfigVersion.cmake"
          "$libdir/cmake/zeq/zeqTargets-$config.cmake" "$libdir/cmake/zeq/zeqTargets.cmake"
          "$libdir/libzeq.a" "$libdir/pkgconfig/zeq.pc" share/man/man1/zeq-tiles.1.gz share/man/man1/zeq.1.gz)
[[ -z $python_module ]] || expected+=("$python_module")
expected_list=$(printf '%s\n' "${expected[@]}" | sort | tr '\n' ' ')
[[ $installed == "$expected_list" ]] || fail "unexpected files installed: $installed (expected $expected_list)"

# The library: the one public header as it is in the tree, an archive that
# defines the entry points, a pkg-config file that names this prefix.
cmp -s "$tmp/prefix/include/zeq/zeq.h" "$src/zeq/zeq.h" || fail "include/zeq/zeq.h is not zeq/zeq.h"
defined=$(nm -C --defined-only "$tmp/prefix/$libdir/libzeq.a" 2> /dev/null) || fail "nm cannot read $libdir/libzeq.a"
grep -qF ' T zeq::simplify(zeq::MeshView const&' <<< "$defined" || fail "$libdir/libzeq.a defines no zeq::simplify"
grep -qFx "prefix=$tmp/prefix" "$tmp/prefix/$libdir/pkgconfig/zeq.pc" || fail "zeq.pc does not name the prefix $tmp/prefix"

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
