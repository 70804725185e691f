#!/usr/bin/env bash
# zeq-tiles when something goes wrong: each fault gives one line beginning
# with "zeq-tiles:", status 1 (or death by the signal that stopped it), and no
# output in place of a finished one: an existing output untouched, no
# temporary file beside it.
#   merge: a tile missing, unreadable, truncated, in another format, or with
#          more faces than its manifest line; a simplified tile without its
#          origins or with origins beyond it; tile lines missing, extra or
#          listed twice;
#   split: the disk full at the spill, at a tile, at the commands and at the
#          manifest (the preloaded library) leaves no manifest and no tile;
#   run:   a tile's zeq killed by SIGKILL is named with its signal; SIGTERM
#          and SIGINT while tiles run stop them and what they started, and
#          remove the work directory.
#
#   faults.sh ZEQ_TILES ZEQ FULL_DISK_LIBRARY MESHES_DIR
set -euo pipefail
tiles=$1 zeq=$2 fullDisk=$3 meshes=$4
here=$(cd "$(dirname "$0")" && pwd)
export ZEQ_TILES_ZEQ=$zeq

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "tiles-faults: $*" >&2; exit 1; }
cd "$tmp"
cp "$meshes/bunny.smf" bunny.smf
python3 "$here/meshes.py" to-ply "$meshes/bunny.smf" bunny.ply
echo keep > kept

# expect_fail WHAT MESSAGE COMMAND...: status 1, MESSAGE exactly (a pattern
# when it ends in *), and nothing new in the directory out/ but "kept".
expect_fail() {
    local what=$1 message=$2 status=0
    shift 2
    rm -rf out && mkdir out && cp kept out/kept
    "$@" > said 2>&1 || status=$?
    [[ $status -eq 1 ]] || fail "$what: status $status: $(cat said)"
    [[ $(wc -l < said) -eq 1 ]] || fail "$what: not one line: $(cat said)"
    # shellcheck disable=SC2053
    [[ $(cat said) == $message ]] || fail "$what: $(cat said)"
    [[ $(ls -A out) == kept && $(cat out/kept) == keep ]] || fail "$what: left $(ls -A out | tr '\n' ' ')"
    echo "$what: $(cat said)"
}

# --- merge -----------------------------------------------------------------
fresh() {  # fresh EXT: a split of bunny with -N, every tile copied as done
    rm -rf d && "$tiles" split --faces-per-tile 600 -N 100000 bunny.$1 d > /dev/null
    cp d/tile-*."$1" d/simplified/
}
fresh smf
rm d/simplified/tile-00001.smf
expect_fail "missing tile" 'zeq-tiles: cannot read tile d/simplified/tile-00001.smf!' "$tiles" merge d out/kept
fresh smf
rm d/simplified/tile-00001.smf && mkdir d/simplified/tile-00001.smf
expect_fail "unreadable tile" 'zeq-tiles: cannot read tile d/simplified/tile-00001.smf!' "$tiles" merge d out/kept
fresh ply
head -c 2000 d/tile-00002.ply > d/simplified/tile-00002.ply
expect_fail "truncated binary tile" 'zeq-tiles: cannot read tile d/simplified/tile-00002.ply!' "$tiles" merge d out/kept
fresh smf
awk '/^v / && n++ < 5' d/tile-00002.smf > d/simplified/tile-00002.smf
grep '^f ' d/tile-00002.smf >> d/simplified/tile-00002.smf
expect_fail "tile cut off in its vertices" 'zeq-tiles: cannot read tile d/simplified/tile-00002.smf!' "$tiles" merge d out/kept
fresh ply
cp d/tile-00000.ply d/simplified/tile-00000.ply
sed -i '1,/end_header/s/binary_little_endian/ascii/' d/simplified/tile-00000.ply
expect_fail "tile in another encoding" 'zeq-tiles: *d/simplified/tile-00000.ply*' "$tiles" merge d out/kept
fresh ply
cp bunny.smf d/simplified/tile-00003.ply
expect_fail "SMF named as a PLY tile" 'zeq-tiles: cannot read tile d/simplified/tile-00003.ply!' "$tiles" merge d out/kept
fresh smf
cp d/tile-00001.smf d/simplified/tile-00000.smf
expect_fail "another tile's faces" 'zeq-tiles: tile d/simplified/tile-00000.smf has * faces, the manifest says *!' "$tiles" merge d out/kept
# A simplified tile without the origins zeq --origins writes, or with
# origins that name more tile vertices than it has.
rm -rf d && "$tiles" split --faces-per-tile 600 -N 1000 bunny.smf d > /dev/null && cp d/tile-*.smf d/simplified/
"$zeq" -N 100 d/tile-00001.smf d/simplified/tile-00001.smf > /dev/null
expect_fail "simplified tile without origins" 'zeq-tiles: cannot read origins d/simplified/tile-00001.smf.origins!' "$tiles" merge d out/kept
"$zeq" --origins d/simplified/tile-00001.smf.origins -N 100 d/tile-00001.smf d/simplified/tile-00001.smf > /dev/null
sed -i '1s/.*/999999/' d/simplified/tile-00001.smf.origins
expect_fail "origins beyond the tile" 'zeq-tiles: tile d/simplified/tile-00001.smf does not match its origins d/simplified/tile-00001.smf.origins!' "$tiles" merge d out/kept
fresh smf
# Faces moved from one tile line to another: the sum still holds.
awk '$1 == "tile" && n == 0 { $3 -= 1; n = 1 } $1 == "tile" && $2 == "tile-00001.smf" { $3 += 1 } { print }' d/manifest > m && mv m d/manifest
expect_fail "tile with more faces than its line" 'zeq-tiles: tile d/simplified/tile-00000.smf has * faces, the manifest says *!' "$tiles" merge d out/kept
fresh smf
sed -i '/^tile tile-00001.smf /d' d/manifest
expect_fail "tile line missing" 'zeq-tiles: bad manifest d/manifest: tile lines do not match the tile count!' "$tiles" merge d out/kept
fresh smf
line=$(grep "^tile tile-00001.smf " d/manifest) && echo "${line//00001/00099}" >> d/manifest
expect_fail "tile line extra" 'zeq-tiles: bad manifest d/manifest: tile lines do not match the tile count!' "$tiles" merge d out/kept
fresh smf
# A tile listed twice, the counts made to agree.
line=$(grep '^tile tile-00001.smf ' d/manifest)
sed -i "s|^tile tile-00002.smf .*|$line|" d/manifest
expect_fail "tile listed twice" 'zeq-tiles: bad manifest d/manifest: *' "$tiles" merge d out/kept

# --- split on a full disk --------------------------------------------------
rm -rf d && "$tiles" split --faces-per-tile 600 -N 1000 bunny.ply d > /dev/null  # "d": as long a name as "e" below
faces=$(awk '$1 == "faces" { print $2 }' d/manifest)
tileBytes=$(cat d/tile-*.ply d/tile-*.ply.shared | wc -c)
spill=$((12 * faces))
commands=$(wc -c < d/commands)
manifest=$(wc -c < d/manifest)
for at in 0 $((spill + 100)) $((spill + tileBytes + 10)) $((spill + tileBytes + commands + manifest - 1)); do
    expect_fail "disk full after $at bytes" 'zeq-tiles: cannot write*' \
        env LD_PRELOAD="$fullDisk" ZEQ_FULL_AFTER=$at "$tiles" split --faces-per-tile 600 -N 1000 bunny.ply out/d
    # The directory split created is gone again; one that existed stays empty.
    mkdir out/d
    status=0
    env LD_PRELOAD="$fullDisk" ZEQ_FULL_AFTER=$at "$tiles" split --faces-per-tile 600 -N 1000 bunny.ply out/d > said || status=$?
    [[ $status -eq 1 && -z $(ls -A out/d) ]] || fail "disk full after $at bytes, in an empty directory: left $(ls -A out/d | tr '\n' ' ')"
done
env LD_PRELOAD="$fullDisk" ZEQ_FULL_AFTER=$((spill + tileBytes + commands + manifest)) \
    "$tiles" split --faces-per-tile 600 -N 1000 bunny.ply e > /dev/null || fail "split failed with just enough room"

# --- run: a tile's zeq killed ----------------------------------------------
cat > killed-zeq <<EOF2
#!/bin/sh
# zeq, but killed on tile 2.
for a; do case "\$a" in */tile-00002.smf) kill -KILL \$\$ ;; esac; done
exec "$zeq" "\$@"
EOF2
chmod +x killed-zeq
status=0
ZEQ_TILES_ZEQ=$PWD/killed-zeq "$tiles" run -N 500 -j 2 --faces-per-tile 600 bunny.smf kept > said || status=$?
[[ $status -eq 1 ]] || fail "killed zeq: status $status"
grep -q '^zeq-tiles: zeq was killed by signal 9 on tile tile-00002.smf, see ' said || fail "killed zeq: $(cat said)"
[[ $(cat kept) == keep ]] || fail "killed zeq: the output was touched"
kept=$(sed -n 's/^zeq-tiles: the work directory \(.*\) is kept for the log$/\1/p' said)
[[ -d $kept ]] || fail "killed zeq: no work directory named: $(cat said)"
rm -rf "$kept"
ls -A | grep -q -e '^\.zeq-tiles-' -e '\.tmp$' && fail "killed zeq: left $(ls -A)"
echo "killed zeq: $(grep -m1 killed said)"

# --- run: stopped by a signal while tiles run -------------------------------
cat > slow-zeq <<'EOF2'
#!/bin/bash
# A zeq that takes its time: a child of its own sleeps, its pid noted.
sleep 60 &
echo $! > "$SLOW_MARKS/sleep.$$"
wait
EOF2
chmod +x slow-zeq
export SLOW_MARKS=$tmp/marks
for signal in TERM INT; do
    for keep in "" "--keep kept-dir"; do
        rm -rf "$SLOW_MARKS" kept-dir && mkdir "$SLOW_MARKS"
        [[ $signal == INT ]] && set -m  # else a background job ignores SIGINT
        ZEQ_TILES_ZEQ=$PWD/slow-zeq "$tiles" run -N 500 -j 2 --faces-per-tile 600 $keep bunny.smf kept > said &
        pid=$!
        set +m
        for ((i = 0; i < 100 && $(ls "$SLOW_MARKS" | wc -l) < 2; ++i)); do sleep 0.1; done
        [[ $(ls "$SLOW_MARKS" | wc -l) -eq 2 ]] || fail "SIG$signal: the tiles did not start"
        kill -$signal $pid
        status=0
        wait $pid || status=$?
        [[ $status -gt 128 ]] || fail "SIG$signal: status $status"
        [[ $(cat said) == *"zeq-tiles: stopped by signal "* ]] || fail "SIG$signal: $(cat said)"
        [[ $(cat kept) == keep ]] || fail "SIG$signal: the output was touched"
        ls -A | grep -q -e '^\.zeq-tiles-' -e '\.tmp$' && fail "SIG$signal: left $(ls -A | tr '\n' ' ')"
        if [[ -n $keep ]]; then [[ -f kept-dir/manifest ]] || fail "SIG$signal: --keep directory gone"; fi
        for mark in "$SLOW_MARKS"/sleep.*; do
            sleeper=$(cat "$mark")
            for ((i = 0; i < 20 && $(kill -0 "$sleeper" 2> /dev/null && echo 1 || echo 0) == 1; ++i)); do sleep 0.1; done
            kill -0 "$sleeper" 2> /dev/null && fail "SIG$signal: a tile's child $sleeper still runs"
        done
        echo "SIG$signal ${keep:+(with $keep) }: status $status, $(cat said)"
    done
done
echo "tiles-faults: all checks passed"
