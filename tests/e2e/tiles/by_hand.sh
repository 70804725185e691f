#!/usr/bin/env bash
# zeq-tiles' commands run by something other than zeq-tiles run give the same
# bytes as run, on bunny as SMF and as binary PLY:
#   array      each line of DIR/commands run on its own, last line first, as
#              a job array would (line number = array index);
#   parallel   DIR/commands run by GNU parallel, two at a time; status 77
#              (skipped) when parallel is not installed.
# Then merge, and zeq -N COUNT on the merged mesh as run does (or the merged
# mesh itself when it already has no more than COUNT faces).
#
#   by_hand.sh ZEQ_TILES ZEQ MESHES_DIR array|parallel
set -euo pipefail
tiles=$1 zeq=$2 meshes=$3 how=$4
here=$(cd "$(dirname "$0")" && pwd)
if [[ $how == parallel ]] && ! command -v parallel > /dev/null; then
    echo "tiles-parallel: skipped, GNU parallel is not installed"
    exit 77
fi
export ZEQ_TILES_ZEQ=$zeq
# The commands name zeq by itself.
PATH=$(dirname "$zeq"):$PATH

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "tiles-$how: $*" >&2; exit 1; }
cd "$tmp"
# GNU parallel's notice is acknowledged in a home of the test's own.
export HOME=$tmp/home
mkdir -p "$HOME/.parallel" && touch "$HOME/.parallel/will-cite"

cp "$meshes/bunny.smf" bunny.smf
python3 "$here/meshes.py" to-ply "$meshes/bunny.smf" bunny.ply

for input in bunny.smf bunny.ply; do
    ext=${input##*.}
    faces=$(awk '$1 == "faces" { print $2 }' <("$tiles" split --faces-per-tile 600 "$input" probe.$ext > /dev/null; cat probe.$ext/manifest))
    for count in $((faces / 4)) $((faces * 9 / 10)); do
        "$tiles" run -N "$count" -j 2 --faces-per-tile 600 "$input" run.$ext > /dev/null || fail "$input: run -N $count failed"
        dir=split.$count.$ext
        "$tiles" split --faces-per-tile 600 -N "$count" "$input" "$dir" > /dev/null
        lines=$(wc -l < "$dir/commands")
        if [[ $how == parallel ]]; then
            parallel --will-cite -j 2 < "$dir/commands" > /dev/null || fail "$input: parallel failed"
        else
            for ((i = lines; i >= 1; --i)); do
                sed -n "${i}p" "$dir/commands" | sh > /dev/null || fail "$input: line $i of $dir/commands failed"
            done
        fi
        merged=$("$tiles" merge "$dir" merged.$ext) || fail "$input: merge failed: $merged"
        mergedFaces=$(awk '{ print $4 }' <<< "$merged")
        if [[ $mergedFaces -le $count ]]; then
            cp merged.$ext out.$ext
        else
            "$zeq" -N "$count" merged.$ext out.$ext > /dev/null || fail "$input: the last zeq failed"
        fi
        cmp -s run.$ext out.$ext || fail "$input -N $count: $lines tiles by hand differ from run"
        echo "$input -N $count: $lines tiles by $how, the same bytes as run"
        rm -rf "$dir" merged.$ext out.$ext run.$ext
    done
    rm -rf probe.$ext
done
echo "tiles-$how: all checks passed"
