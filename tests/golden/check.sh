#!/usr/bin/env bash
# Output hashes of zeq on fixed generated meshes.
#
#   check.sh ZEQ GEN_MESH            compare against hashes.txt (fails on any difference)
#   check.sh --record ZEQ GEN_MESH   rewrite hashes.txt from the given zeq
#   check.sh --only NAME[,NAME...] ZEQ GEN_MESH
#                                    compare the runs of the named meshes alone
#                                    (blob6s.smf, torus100k.off, ...)
#
# The meshes are generated into a temporary directory by zeq_gen_mesh (whose
# output is byte-identical everywhere), so no large mesh is kept in the tree.
# Each is simplified at several targets without -D. For every run we record
# the exit status, the sha256 of standard output with the one
# "Simplification time = N seconds" number masked as X, and the sha256 of the
# output file ("-" when none was written). The sha256 of every generated input
# is recorded too, so that a change of the generator is told apart from a
# change of zeq.
set -u

record=0
only=
if [[ ${1-} == --record ]]; then
    record=1
    shift
elif [[ ${1-} == --only && $# -ge 2 ]]; then
    only=",$2,"
    shift 2
fi
if [[ $# -ne 2 ]]; then
    echo "usage: $0 [--record | --only NAME[,NAME...]] ZEQ GEN_MESH" >&2
    exit 2
fi
zeq=$(realpath "$1")
gen=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
hashes="$here/hashes.txt"

# name|generator arguments|faces
meshes=(
    "blob6s.smf|blob 6 --shuffle|81920"
    "blob6s.off|blob 6 --shuffle|81920"
    "torus100k.smf|torus 100000|100000"
    "torus100k.off|torus 100000|100000"
    "cylinder2000.smf|cylinder 2000|8000"
    "cylinder2000s.off|cylinder 2000 --shuffle|8000"
    "uvsphere3000x4.smf|uvsphere 3000 4|18000"
)

if [[ -n $only ]]; then
    IFS=, read -r -a names <<< "${only:1:-1}"
    chosen=()
    for name in "${names[@]}"; do
        for entry in "${meshes[@]}"; do
            [[ ${entry%%|*} == "$name" ]] && chosen+=("$entry")
        done
        if [[ ${#chosen[@]} -eq 0 || ${chosen[-1]%%|*} != "$name" ]]; then
            echo "FAIL: --only: $name is not one of the meshes" >&2
            exit 2
        fi
    done
    meshes=("${chosen[@]}")
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/zeq-golden.XXXXXX")
keep=0
cleanup() { if [[ $keep -eq 0 ]]; then rm -rf "$work"; fi; }
trap cleanup EXIT
cd "$work" || exit 2

sha() { sha256sum "$1" | cut -d' ' -f1; }

actual="$work/actual.txt"
: > "$actual"
for entry in "${meshes[@]}"; do
    IFS='|' read -r name genargs faces <<< "$entry"
    # The kind and its counts come before the file name, the options after it.
    read -r -a words <<< "$genargs"
    counts=()
    opts=()
    for w in "${words[@]}"; do
        if [[ $w == --* || ${#opts[@]} -gt 0 ]]; then opts+=("$w"); else counts+=("$w"); fi
    done
    if ! "$gen" "${counts[@]}" "$name" "${opts[@]}" > /dev/null; then
        echo "FAIL: zeq_gen_mesh $genargs ($name) failed" >&2
        exit 1
    fi
    echo "mesh $name $(sha "$name")" >> "$actual"
    ext=${name##*.}
    # 50 %, 10 %, 1 % (an odd count for the blob), 0, and the face count itself (refused).
    for target in $((faces / 2)) $((faces / 10)) $((faces / 100)) 0 "$faces"; do
        out="out.$ext"
        rm -f "$out"
        "$zeq" -N "$target" "$name" "$out" > stdout.raw 2> stderr.txt
        status=$?
        sed -E 's/^(Simplification time = )[0-9]+\.[0-9]+( seconds)/\1X\2/' stdout.raw > stdout.txt
        outsha=-
        [[ -f $out ]] && outsha=$(sha "$out")
        echo "run $name $target $status $(sha stdout.txt) $outsha" >> "$actual"
        cp stdout.txt "stdout.$name.$target.txt"
        if [[ -s stderr.txt ]]; then
            echo "note: zeq -N $target $name wrote to standard error:" >&2
            head -20 stderr.txt >&2
        fi
    done
done

if [[ $record -eq 1 ]]; then
    {
        echo "# Output hashes of zeq on meshes made by zeq_gen_mesh; written by check.sh --record."
        echo "# mesh NAME INPUT-SHA256"
        echo "# run NAME TARGET EXIT-STATUS STDOUT-SHA256 (time masked) OUTPUT-SHA256 (- if none)"
        cat "$actual"
    } > "$hashes"
    echo "recorded $(grep -c '^run ' "$actual") runs into $hashes"
    exit 0
fi

if [[ ! -f $hashes ]]; then
    echo "FAIL: $hashes is missing (run check.sh --record)" >&2
    exit 1
fi

# The recorded lines of the meshes run here (all of them without --only).
expected="$work/expected.txt"
grep -v '^#' "$hashes" | awk -v only="$only" 'only == "" || index(only, "," $2 ",")' > "$expected"

if diff -u "$expected" "$actual" > diff.txt; then
    echo "golden: $(grep -c '^run ' "$actual") runs match $hashes"
    exit 0
fi

keep=1
echo "FAIL: output differs from $hashes" >&2
echo "(- recorded, + now)" >&2
grep -E '^[-+](mesh|run) ' diff.txt >&2
while read -r kind name target _; do
    [[ $kind == run ]] || continue
    if ! grep -qxF "$(grep -E "^run $name $target " "$actual")" "$hashes"; then
        echo "--- standard output now of zeq -N $target $name:" >&2
        cat "stdout.$name.$target.txt" >&2
    fi
done < "$actual"
echo "files kept in $work" >&2
exit 1
