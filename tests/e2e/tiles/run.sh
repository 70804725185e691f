#!/usr/bin/env bash
# zeq-tiles end to end, on shared meshes as SMF and as binary PLY:
#   split then merge with nothing in between gives the input's faces back;
#   every face lies in exactly one tile;
#   after zeq simplifies every tile, the merged mesh has exactly the input's
#   boundary edges (the seams weld without a crack);
#   run gives the same bytes with -j 1 and -j 3;
#   a missing tile or a broken manifest fails merge with a message, status 1
#   and no output.
#
#   run.sh ZEQ_TILES ZEQ MESHES_DIR
set -euo pipefail
tiles=$1 zeq=$2 meshes=$3
here=$(cd "$(dirname "$0")" && pwd)
check() { python3 "$here/meshes.py" "$@"; }
export ZEQ_TILES_ZEQ=$zeq

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "tiles: $*" >&2; exit 1; }
cd "$tmp"

cp "$meshes/bunny.smf" bunny.smf
cp "$meshes/fandisk.smf" fandisk.smf
check to-ply "$meshes/bunny.smf" bunny.ply
check to-ply "$meshes/elephant_with_holes.off" elephant.ply

for input in bunny.smf fandisk.smf bunny.ply elephant.ply; do
    ext=${input##*.}
    faces=$(awk '$1 == "faces" { print $2 }' <("$tiles" split --faces-per-tile 600 "$input" plain.$input > /dev/null; cat plain.$input/manifest))
    # (a), (b): no simplification between split and merge.
    for t in plain.$input/tile-*."$ext"; do cp "$t" plain.$input/simplified/; done
    check tiles-cover "$input" plain.$input || fail "$input: faces not in exactly one tile"
    sum=$(awk '$1 == "tile" { s += $3 } END { print s }' plain.$input/manifest)
    [[ $sum -eq $faces ]] || fail "$input: tiles hold $sum faces, the input $faces"
    "$tiles" merge plain.$input back."$ext" > merge.out || { cat merge.out; fail "$input: merge failed"; }
    check same-faces "$input" back."$ext" || fail "$input: split and merge changed the faces"

    # (c): every tile simplified by zeq, then merged: no new boundary.
    target=$((faces / 4))
    "$tiles" split --faces-per-tile 600 -N "$target" "$input" simp.$input > /dev/null
    while read -r line; do
        set -- $line
        if [[ $1 == zeq ]]; then "$zeq" "${@:2}" > /dev/null || fail "$input: $line failed"; else "$@"; fi
    done < simp.$input/commands
    "$tiles" merge simp.$input merged."$ext" > /dev/null || fail "$input: merge of simplified tiles failed"
    check same-boundary "$input" merged."$ext" || fail "$input: the simplified tiles do not weld to the input's boundary"

    # (d): the same bytes whatever the number of jobs.
    "$tiles" run -N "$target" -j 1 --faces-per-tile 600 "$input" j1."$ext" > j1.out || { cat j1.out; fail "$input: run -j 1 failed"; }
    "$tiles" run -N "$target" -j 3 --faces-per-tile 600 "$input" j3."$ext" > j3.out || fail "$input: run -j 3 failed"
    cmp -s j1."$ext" j3."$ext" || fail "$input: run -j 1 and -j 3 differ"
    grep -q "^split: " j1.out && grep -q "^simplify: " j1.out && grep -q "^merge: " j1.out || fail "$input: progress lines missing"
    echo "$input: $faces faces, $(grep -c '^tile ' plain.$input/manifest) tiles, runs agree"
done
ls -A | grep -q '^\.zeq-tiles-' && fail "run left a work directory behind"

# (e): a missing tile, a broken manifest, a missing manifest.
status=0
rm plain.bunny.smf/simplified/tile-00001.smf
"$tiles" merge plain.bunny.smf missing.smf > missing.out || status=$?
[[ $status -eq 1 ]] || fail "merge with a missing tile: status $status"
grep -qx 'zeq-tiles: cannot read tile plain.bunny.smf/simplified/tile-00001.smf!' missing.out || fail "merge with a missing tile: $(cat missing.out)"
[[ ! -e missing.smf ]] || fail "merge with a missing tile wrote its output"

status=0
sed -i 's/^faces .*/faces 12/' plain.bunny.ply/manifest
"$tiles" merge plain.bunny.ply broken.ply > broken.out || status=$?
[[ $status -eq 1 ]] || fail "merge with a broken manifest: status $status"
grep -q '^zeq-tiles: bad manifest plain.bunny.ply/manifest: ' broken.out || fail "merge with a broken manifest: $(cat broken.out)"
[[ ! -e broken.ply ]] || fail "merge with a broken manifest wrote its output"

status=0
echo 'garbage' > plain.fandisk.smf/manifest
"$tiles" merge plain.fandisk.smf garbage.smf > garbage.out || status=$?
[[ $status -eq 1 && ! -e garbage.smf ]] || fail "merge with a garbage manifest: status $status"

# A split into a directory that holds something is refused.
status=0
"$tiles" split --faces-per-tile 600 bunny.smf plain.bunny.smf > refused.out || status=$?
[[ $status -eq 1 ]] && grep -q 'is not empty' refused.out || fail "split into a used directory was not refused"

# A tile whose zeq fails: status 1, the tile named, an existing output untouched.
echo keep > kept.smf
status=0
ZEQ_TILES_ZEQ=/bin/false "$tiles" run -N 100 -j 2 --faces-per-tile 600 bunny.smf kept.smf > failed.out || status=$?
[[ $status -eq 1 ]] || fail "run with a failing zeq: status $status"
grep -q '^zeq-tiles: zeq exited with status 1 on tile tile-0000' failed.out || fail "run with a failing zeq: $(cat failed.out)"
[[ $(cat kept.smf) == keep ]] || fail "run with a failing zeq touched the output"
echo "tiles: all checks passed"
