#!/usr/bin/env bash
# Builds the libFuzzer drivers, replays tests/fuzz/regressions/ on each of them,
# then fuzzes each one for SECONDS (default 60; 0 = build and replay only),
# one at a time, from a scratch copy of the seed corpus.
# Exits non-zero when a regression input or a fuzzing run fails.
#   tests/fuzz/run.sh [SECONDS]
# Environment: ZEQ_FUZZ_BUILD (build dir, default build/fuzz),
#              ZEQ_FUZZ_KEEP=1 keeps the scratch dir (grown corpus, logs).
set -euo pipefail

seconds="${1:-60}"
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="${ZEQ_FUZZ_BUILD:-$root/build/fuzz}"
fuzzers=(smf_reader_fuzzer off_reader_fuzzer ply_reader_fuzzer stl_reader_fuzzer obj_reader_fuzzer
         run_sequence_fuzzer)
common=(-rss_limit_mb=2048 -timeout=10 -max_len=65536)

cmake -S "$here" -B "$build" -DCMAKE_CXX_COMPILER="${CXX:-clang++}" >/dev/null
cmake --build "$build" -j"${ZEQ_FUZZ_BUILD_JOBS:-2}" >/dev/null

# Replay: every saved reproducer through every driver.
shopt -s nullglob
regressions=("$here"/regressions/*.smf "$here"/regressions/*.off "$here"/regressions/*.ply
             "$here"/regressions/*.stl "$here"/regressions/*.obj)
status=0
for f in "${fuzzers[@]}"; do
    [ ${#regressions[@]} -eq 0 ] && break
    if "$build/$f" "${common[@]}" "${regressions[@]}" >"$build/$f.replay.log" 2>&1; then
        echo "replay $f: ${#regressions[@]} inputs pass"
    else
        echo "replay $f: FAILED (log: $build/$f.replay.log)"
        grep -E '^(==[0-9]+==ERROR|SUMMARY|Running:|fuzz check failed)' "$build/$f.replay.log" | tail -20 || true
        status=1
    fi
done
[ "$seconds" -gt 0 ] || exit "$status"

scratch="$(mktemp -d "${TMPDIR:-/tmp}/zeq-fuzz-run.XXXXXX")"
mkdir -p "$scratch/run" "$scratch/artifacts"
for c in smf off ply stl obj; do
    mkdir -p "$scratch/$c"
    cp "$here"/corpus/$c/* "$scratch/$c/"
done
# run_sequence inputs start with a selector byte: bits 0 and 1 pick SMF,
# OFF, PLY or OBJ, the rest the target percentage. Seed each file at 40 %
# and at 0 %.
seed_run() {  # format number, corpus
    for s in "$here"/corpus/$2/*; do
        { printf "\\$(printf '%03o' $((160 + $1)))"; cat "$s"; } >"$scratch/run/p40-$(basename "$s")"
        { printf "\\$(printf '%03o' "$1")"; cat "$s"; } >"$scratch/run/p0-$(basename "$s")"
    done
}
seed_run 0 smf
seed_run 1 off
seed_run 2 ply
seed_run 3 obj

corpus_of() {
    case "$1" in smf_*) echo smf ;; off_*) echo off ;; ply_*) echo ply ;; stl_*) echo stl ;;
                 obj_*) echo obj ;; *) echo run ;; esac
}
# The PLY, STL and OBJ drivers get their own format's tokens; the SMF and OFF
# ones, and the whole run, those of the two text forms.
dict_of() { case "$1" in ply_* | stl_* | obj_*) echo "$here/${1%%_*}.dict" ;; *) echo "$here/mesh.dict" ;; esac; }
for f in "${fuzzers[@]}"; do
    c="$(corpus_of "$f")"
    echo "fuzzing $f for ${seconds}s ..."
    if (cd "$scratch" && "$build/$f" "${common[@]}" -jobs=1 -workers=1 \
            -max_total_time="$seconds" -dict="$(dict_of "$f")" \
            -artifact_prefix="$scratch/artifacts/$f-" "$scratch/$c" >/dev/null 2>&1); then
        grep -E '^#[0-9]+.*(DONE|pulse|NEW|REDUCE)' "$scratch/fuzz-0.log" | tail -1 || true
    else
        echo "$f: FAILED; artifacts in $scratch/artifacts/, log $scratch/$f.log"
        grep -E '^(==[0-9]+==ERROR|SUMMARY|fuzz check failed|==[0-9]+== ERROR)' \
            "$scratch/fuzz-0.log" | head -5 || true
        status=1
        ZEQ_FUZZ_KEEP=1
    fi
    mv "$scratch/fuzz-0.log" "$scratch/$f.log" 2>/dev/null || true
done

if [ "${ZEQ_FUZZ_KEEP:-0}" = 1 ]; then echo "scratch dir kept: $scratch"; else rm -rf "$scratch"; fi
exit "$status"
