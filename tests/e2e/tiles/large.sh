#!/usr/bin/env bash
# zeq-tiles on a generated mesh far larger than the shared ones: a wavy open
# grid of 180,000 faces (binary PLY) cut into tiles of about 40,000 faces.
#   split then merge with nothing in between gives the grid's faces back, and
#   every face lies in exactly one tile;
#   after zeq simplifies every tile to a tenth, the merged mesh has exactly
#   the grid's boundary edges: the seams weld without a crack;
#   run gives the same bytes with -j 1 and -j 2.
#
#   large.sh ZEQ_TILES ZEQ
set -euo pipefail
tiles=$1 zeq=$2
here=$(cd "$(dirname "$0")" && pwd)
check() { python3 "$here/meshes.py" "$@"; }
export ZEQ_TILES_ZEQ=$zeq

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "tiles-large: $*" >&2; exit 1; }
cd "$tmp"

check grid 300 grid.ply
faces=180000
size=40000

"$tiles" split --faces-per-tile $size grid.ply plain > /dev/null
count=$(grep -c '^tile ' plain/manifest)
[[ $count -ge 4 ]] || fail "only $count tiles"
for t in plain/tile-*.ply; do cp "$t" plain/simplified/; done
check tiles-cover grid.ply plain || fail "faces not in exactly one tile"
"$tiles" merge plain back.ply > /dev/null || fail "merge failed"
check same-faces grid.ply back.ply || fail "split and merge changed the faces"

target=$((faces / 10))
"$tiles" split --faces-per-tile $size -N $target grid.ply simp > /dev/null
while read -r line; do
    set -- $line
    if [[ $1 == zeq ]]; then "$zeq" "${@:2}" > /dev/null || fail "$line failed"; else "$@"; fi
done < simp/commands
"$tiles" merge simp merged.ply > /dev/null || fail "merge of the simplified tiles failed"
check same-boundary grid.ply merged.ply || fail "the simplified tiles do not weld to the grid's boundary"

"$tiles" run -N $target -j 1 --faces-per-tile $size grid.ply j1.ply > /dev/null || fail "run -j 1 failed"
"$tiles" run -N $target -j 2 --faces-per-tile $size grid.ply j2.ply > /dev/null || fail "run -j 2 failed"
cmp -s j1.ply j2.ply || fail "run -j 1 and -j 2 differ"
echo "grid: $faces faces, $count tiles, boundary kept, runs agree"
