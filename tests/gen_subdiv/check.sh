#!/usr/bin/env bash
# Checks zeq_gen_subdiv, the generator of the Loop-subdivided bench meshes.
#
#   check.sh ZEQ_GEN_SUBDIV
#
# - octahedron.smf subdivided once must give octahedron-1.smf: every old vertex
#   has valence 4 (beta = 3/32, so it moves to 5/8 of itself, its neighbours
#   summing to zero), every edge vertex is 3/8 of its edge's ends (the two
#   opposite corners are antipodal), numbered as the edges are first met.
# - triangle.off (one triangle, all edges on the boundary) must give
#   triangle-1.off: boundary vertices 3/4 p + 1/8 (q1 + q2), edge midpoints.
# - the octahedron subdivided twice with --shuffle must hold the same
#   triangles, each with the same winding, as without, in another order.
# - fin.smf (an edge with three triangles) must be refused with status 1.
set -euo pipefail

gen=${1:?usage: check.sh ZEQ_GEN_SUBDIV}
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0

same() {  # expected actual
    if ! cmp -s "$1" "$2"; then
        echo "FAIL: $2 differs from $1:" >&2
        diff "$1" "$2" >&2 || true
        fail=1
    fi
}

"$gen" "$here/octahedron.smf" 1 "$tmp/octahedron-1.smf" 2> /dev/null
same "$here/octahedron-1.smf" "$tmp/octahedron-1.smf"
"$gen" "$here/triangle.off" 1 "$tmp/triangle-1.off" 2> /dev/null
same "$here/triangle-1.off" "$tmp/triangle-1.off"

# Each triangle as its three corner positions, turned to start at the least,
# one line each, sorted.
triangles() {
    awk '$1 == "v" { v[++n] = $2 " " $3 " " $4 }
         $1 == "f" { a = v[$2]; b = v[$3]; c = v[$4]
                     if (b < a && b < c) { t = a; a = b; b = c; c = t }
                     else if (c < a && c < b) { t = c; c = b; b = a; a = t }
                     print a " | " b " | " c }' "$1" | LC_ALL=C sort
}
"$gen" "$here/octahedron.smf" 2 "$tmp/plain.smf" 2> /dev/null
"$gen" "$here/octahedron.smf" 2 "$tmp/shuffled.smf" --shuffle --seed 7 2> /dev/null
triangles "$tmp/plain.smf" > "$tmp/plain.tri"
triangles "$tmp/shuffled.smf" > "$tmp/shuffled.tri"
same "$tmp/plain.tri" "$tmp/shuffled.tri"
if [[ $(wc -l < "$tmp/plain.tri") -ne 128 ]]; then
    echo "FAIL: two levels of the octahedron should have 128 triangles" >&2
    fail=1
fi
if cmp -s <(grep '^v' "$tmp/plain.smf") <(grep '^v' "$tmp/shuffled.smf") ||
    cmp -s <(grep '^f' "$tmp/plain.smf") <(grep '^f' "$tmp/shuffled.smf"); then
    echo "FAIL: --shuffle left the vertex or face order as it was" >&2
    fail=1
fi
if ! cmp -s <(grep '^v' "$tmp/plain.smf" | LC_ALL=C sort) <(grep '^v' "$tmp/shuffled.smf" | LC_ALL=C sort); then
    echo "FAIL: --shuffle changed the set of vertices" >&2
    fail=1
fi

set +e
"$gen" "$here/fin.smf" 1 "$tmp/fin-1.smf" 2> "$tmp/fin.err"
status=$?
set -e
if [[ $status -ne 1 || -e $tmp/fin-1.smf ]] || ! grep -q "more than two faces" "$tmp/fin.err"; then
    echo "FAIL: an edge with three faces was not refused (status $status)" >&2
    fail=1
fi

if [[ $fail -ne 0 ]]; then exit 1; fi
echo "zeq_gen_subdiv: all checks passed"
