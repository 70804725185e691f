#!/usr/bin/env bash
# Installs a built tree into a fresh temporary prefix and builds the library's
# example (example/: an octahedron simplified to 4 faces) against the
# installed library alone, then runs it.
#
#   example.sh cmake      CMAKE BUILD_DIR EXAMPLE_DIR CXX FLAGS LIBDIR VERSION
#   example.sh pkg-config CMAKE BUILD_DIR EXAMPLE_DIR CXX FLAGS LIBDIR VERSION
#
# cmake: configures example/ with CMAKE_PREFIX_PATH=<prefix> (find_package(zeq)
# and zeq::zeq) and builds it. pkg-config: compiles example/main.cpp with
# `pkg-config --cflags --libs zeq` and PKG_CONFIG_PATH=<prefix>/LIBDIR/pkgconfig;
# exits 77 (skipped) when pkg-config is not installed (Debian: pkg-config).
# FLAGS (may be empty) are added to the compile and link, as a sanitized
# build's library needs.
set -euo pipefail
way=$1 cmake_bin=$2 build=$3 example=$4 cxx=$5 flags=$6 libdir=$7 version=$8
name=install.example-$way
fail() { echo "$name: $*" >&2; exit 1; }
if [[ $way == pkg-config ]] && ! command -v pkg-config > /dev/null; then
    echo "$name: pkg-config not found, skipped"
    exit 77
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/prefix
"$cmake_bin" --install "$build" --prefix "$prefix" > "$tmp/install.log" 2>&1 ||
    { cat "$tmp/install.log" >&2; fail "cmake --install failed"; }
# The example is built from a copy, away from the source tree and its headers.
cp -R "$example" "$tmp/example"

case $way in
cmake)
    "$cmake_bin" -S "$tmp/example" -B "$tmp/build" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_COMPILER="$cxx" \
        -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" > "$tmp/configure.log" 2>&1 ||
        { cat "$tmp/configure.log" >&2; fail "configuring the example failed"; }
    found=$(sed -n 's/^zeq_DIR:PATH=//p' "$tmp/build/CMakeCache.txt")
    [[ $found == "$prefix/$libdir/cmake/zeq" ]] || fail "find_package(zeq) found $found, not $prefix/$libdir/cmake/zeq"
    "$cmake_bin" --build "$tmp/build" > "$tmp/build.log" 2>&1 ||
        { cat "$tmp/build.log" >&2; fail "building the example failed"; }
    grep -Eq -- '-std=(c|gnu)\+\+20' "$tmp/build/CMakeFiles/octahedron.dir/flags.make" ||
        fail "zeq::zeq did not ask for C++20"
    program=$tmp/build/octahedron
    ;;
pkg-config)
    export PKG_CONFIG_PATH=$prefix/$libdir/pkgconfig
    [[ $(pkg-config --modversion zeq) == "$version" ]] || fail "pkg-config --modversion zeq is not $version"
    [[ $(pkg-config --variable=prefix zeq) == "$prefix" ]] || fail "pkg-config found another zeq.pc"
    pc_flags=$(pkg-config --cflags --libs zeq)
    echo "$name: pkg-config --cflags --libs zeq: $pc_flags"
    # shellcheck disable=SC2086 # the flags are words
    "$cxx" -std=c++20 $flags "$tmp/example/main.cpp" -o "$tmp/octahedron" $pc_flags > "$tmp/build.log" 2>&1 ||
        { cat "$tmp/build.log" >&2; fail "compiling the example with pkg-config's flags failed"; }
    program=$tmp/octahedron
    ;;
*) fail "unknown way $way" ;;
esac

status=0
"$program" > "$tmp/stdout" 2> "$tmp/stderr" || status=$?
[[ $status -eq 0 ]] || { cat "$tmp/stdout" "$tmp/stderr" >&2; fail "the example exited with status $status"; }
[[ $(cat "$tmp/stdout") == "4 faces" ]] || { cat "$tmp/stdout" >&2; fail "the example did not print '4 faces'"; }
[[ ! -s $tmp/stderr ]] || { cat "$tmp/stderr" >&2; fail "the example wrote to standard error"; }
echo "$name: the example built against $prefix prints: $(cat "$tmp/stdout")"
