#!/usr/bin/env bash
# End-to-end runs of zeq under a memory limit (ulimit -v): wherever memory
# runs out, the run must end with status 1 and its one failure message, never
# with an abort, and must leave no temporary file and the earlier output file
# as it was.
#
# usage: run.sh ZEQ MAKE_TORUS
#
# The input is a torus of 250,000 triangles written by MAKE_TORUS
# (make_torus.py) at test time, simplified to 10 faces. A run is one of:
#   load failure    what a complete run prints up to some point of the load,
#                   then  Reading <IN>:  Out of memory!  and  ZEQ exit!
#   out of memory   what a complete run prints up to the end of the load,
#                   then  Out of memory!  and  ZEQ exit!
#   write failure   what a complete run prints, then
#                   Writing <OUT>: Cannot write the file!  and  ZEQ exit!
#   completed run   what a run without a limit prints and writes
# and anything else fails the test. Every failed run must leave the earlier
# output (content, inode, mode, time) and no other file.
#
# Binary PLY is loaded on one thread, so the memory a run has taken at each
# point does not depend on the timing of two threads: a given limit stops the
# run at the same place every time. Where each stage's memory begins depends
# on the C library and the machine, so the limits are found by bisection:
#   - 12 MiB is too little for the mesh (its records alone take 21 MB): a
#     load failure;
#   - the smallest limit at which the load completes: out of memory, when
#     orienting or simplifying needs more than the load did at its peak;
#   - the smallest limit at which the simplification completes: the 1 MiB
#     write buffer does not fit, a write failure, when the write needs more
#     than the earlier stages did at their peak;
#   - the smallest limit at which the run completes.
# A load failure and a completed run are required; the two others are
# reported when no limit reaches them.
# The same mesh as SMF is parsed on a second thread, whose own memory (its
# stack, the C library's arena for it, or none when it cannot be started)
# makes the outcome at a given limit vary from run to run: those runs are
# made at a spread of limits and each checked for being one of the four.
set -u

if [ $# -ne 2 ]; then
    echo "usage: $0 ZEQ MAKE_TORUS" >&2
    exit 2
fi
zeq=$1
make_torus=$2
case "$zeq" in /*) ;; *) zeq=$PWD/$zeq ;; esac
case "$make_torus" in /*) ;; *) make_torus=$PWD/$make_torus ;; esac

work=$(mktemp -d "${TMPDIR:-/tmp}/zeq-memory.XXXXXX") || exit 2
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 2

# 250 points around the tube, 500 around the ring.
for f in torus.ply torus.smf; do
    python3 "$make_torus" 250 500 $f || { echo "cannot write $f" >&2; exit 2; }
done
counts=$' 125000 <Vertices>\n 375000 <Edges>\n 250000 <Faces>\n'

failures=0
fail() {
    echo "FAIL $*"
    failures=$((failures + 1))
}

mask() { sed -E 's/(time = )[0-9.]+/\1X/g' "$1"; printf x; }
refusal=$'\nZEQ exit!\n'
earlier=$'the output of an earlier run\n'
stage_names=("load failure" "out of memory" "write failure" "completed run")

# use_format EXT: the runs that follow read in.EXT and write out.EXT. Makes
# the reference run without a limit.
use_format() {
    ext=$1
    args=(-N 10 in.$ext out.$ext)
    started=$'\nZEQ version 1.22a released Jul 23 2008 \nIt supports *.SMF and *.OFF file formats only.\n\n'
    started+="Original mesh: <in.$ext> "$'\n'
    rm -rf run && mkdir run
    cp torus.$ext run/in.$ext
    local status
    (cd run && "$zeq" "${args[@]}" > ../reference.stdout 2> ../reference.stderr)
    status=$?
    if [ $status -ne 0 ] || [ -s reference.stderr ] || [ ! -f run/out.$ext ]; then
        echo "the run of in.$ext without a limit failed (status $status):" >&2
        cat reference.stdout reference.stderr >&2
        exit 1
    fi
    mv run/out.$ext reference.$ext
    reference=$(mask reference.stdout)
    reference=${reference%x}
    [[ $reference == "$started$counts"* ]] || { echo "unexpected reference output:" >&2; cat reference.stdout >&2; exit 1; }
    seen=(0 0 0 0)
}

# prefix_of_reference TEXT: TEXT is the reference output cut after a line.
prefix_of_reference() {
    [[ $reference == "$1"* ]] && { [ -z "$1" ] || [[ $1 == *$'\n' ]]; }
}

# run_with_limit KIB: runs zeq with at most KIB KiB of address space in a
# fresh directory holding the input and an earlier output, checks the run and
# sets `stage` (-1 for a run that is none of the four, which fails the test).
run_with_limit() {
    local limit=$1 status got head before after listing
    rm -rf run && mkdir run
    cp torus.$ext run/in.$ext
    printf '%s' "$earlier" > run/out.$ext
    chmod 640 run/out.$ext
    touch -d '2001-02-03 04:05:06' run/out.$ext
    before=$(stat -c '%i %s %a %Y' run/out.$ext)
    (cd run && bash -c 'ulimit -v "$1" && exec "$2" "${@:3}"' _ "$limit" "$zeq" "${args[@]}" \
        > ../got.stdout 2> ../got.stderr)
    status=$?
    got=$(mask got.stdout)
    got=${got%x}
    stage=-1
    if [ $status -eq 0 ]; then
        [ "$got" = "$reference" ] && stage=3
    elif [ $status -eq 1 ]; then
        case $got in
            *"Reading <in.$ext>:  Out of memory!"$'\n'"$refusal")
                head=${got%"Reading <in.$ext>:  Out of memory!"$'\n'"$refusal"}
                [[ $head == "$started"* ]] && prefix_of_reference "$head" && stage=0 ;;
            *"Out of memory!"$'\n'"$refusal")
                head=${got%"Out of memory!"$'\n'"$refusal"}
                [[ $head == "$started$counts"* ]] && prefix_of_reference "$head" && stage=1 ;;
            *"Writing <out.$ext>: Cannot write the file!"$'\n'"$refusal")
                head=${got%"Writing <out.$ext>: Cannot write the file!"$'\n'"$refusal"}
                [ "$head" = "$reference" ] && stage=2 ;;
        esac
    fi
    if [ $stage -lt 0 ]; then
        fail "in.$ext, limit $limit KiB: exit status $status, standard output:"
        cat got.stdout
        return
    fi
    seen[stage]=1
    if [ -s got.stderr ]; then
        fail "in.$ext, limit $limit KiB (${stage_names[stage]}): standard error is not empty:"
        head -c 2000 got.stderr
    fi
    listing=$(cd run && ls -A | tr '\n' ' ')
    if [ "$listing" != "in.$ext out.$ext " ]; then
        fail "in.$ext, limit $limit KiB (${stage_names[stage]}): files left in the output directory: $listing"
    fi
    if [ $stage -eq 3 ]; then
        cmp -s reference.$ext run/out.$ext || fail "in.$ext, limit $limit KiB: the output differs from the run without a limit"
    else
        after=$(stat -c '%i %s %a %Y' run/out.$ext 2>/dev/null)
        if [ "$after" != "$before" ] || [ "$(cat run/out.$ext; printf x)" != "${earlier}x" ]; then
            fail "in.$ext, limit $limit KiB (${stage_names[stage]}): the earlier output was touched ($before -> $after)"
        fi
    fi
}

# bisect K LOW HIGH: the smallest limit in (LOW, HIGH] whose run reaches
# stage K or beyond, to a page (4 KiB), given that LOW stops before stage K
# and HIGH does not. Sets `found`.
bisect() {
    local k=$1 low=$2 high=$3 mid
    while [ $((high - low)) -gt 4 ]; do
        mid=$(((low + high) / 2))
        run_with_limit "$mid"
        [ $stage -lt 0 ] && break
        if [ $stage -ge "$k" ]; then high=$mid; else low=$mid; fi
    done
    found=$high
}

low=$((12 * 1024))
high=$((1024 * 1024))

# --- binary PLY: one thread, every stage at a limit of its own -------------
use_format ply
run_with_limit $low
[ $stage -eq 0 ] || fail "in.ply, limit $low KiB: expected a load failure (stage $stage)"
low_stage=$stage
run_with_limit $high
[ $stage -eq 3 ] || fail "in.ply, limit $high KiB: expected a completed run (stage $stage)"
if [ $failures -eq 0 ] && [ $low_stage -eq 0 ]; then
    bisect 3 $low $high
    completes=$found
    bisect 2 $low "$completes"
    writes=$found
    bisect 1 $low "$writes"
    simplifies=$found
    echo "in.ply, limits in KiB: the load completes at $simplifies, the simplification at $writes, the run at $completes"
    # Each boundary and one page below it, once more.
    for limit in "$simplifies" "$writes" "$completes"; do
        run_with_limit "$limit"
        run_with_limit $((limit - 4))
    done
fi
for k in 0 3; do
    [ "${seen[k]}" -eq 1 ] || fail "in.ply: no limit gave a ${stage_names[k]}"
done
# Whether a limit can stop the run after the load depends on where the
# process's address space peaks: when the load's peak (the record arrays
# move to larger mappings as they grow) exceeds what orienting, simplifying
# and the write buffer need later, every limit the load survives lets the
# run complete. The writer's own failures are covered allocation by
# allocation in the unit tests (memory_test.cpp).
if [ "${seen[1]}" -eq 0 ]; then
    echo "note: no limit stopped the run of in.ply while orienting or simplifying"
fi
if [ "${seen[2]}" -eq 0 ]; then
    echo "note: no limit stopped the run of in.ply while writing"
fi

# --- SMF: two threads, limits from 12 MiB to 256 MiB -----------------------
use_format smf
for ((limit = low; limit <= 256 * 1024; limit += 8 * 1024)); do
    run_with_limit $limit
done
run_with_limit $high
[ "${seen[0]}" -eq 1 ] || fail "in.smf: no limit gave a load failure"
[ "${seen[3]}" -eq 1 ] || fail "in.smf: no limit gave a completed run"
met=()
for k in 0 1 2 3; do
    [ "${seen[k]}" -eq 1 ] && met+=("${stage_names[k]}")
done
echo "in.smf, met: $(IFS=,; echo "${met[*]}" | sed 's/,/, /g')"

if [ $failures -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "ok"
exit 0
