#!/usr/bin/env bash
# Runs one end-to-end case of the zeq binary and compares what it did with the
# case's worked-out expectations.
#
# usage: run_case.sh ZEQ_BINARY CASE_DIR
#
# A case directory holds:
#   args     one line, the arguments after the program name (split on white
#            space; an empty file means no arguments)
#   stdout   the exact standard output, every number after "time = " written X
#   status   the exit status
#   in/      (optional) files copied into the working directory
#   mesh     (optional) lines "NAME SOURCE": tests/e2e/meshes/SOURCE is copied
#            into the working directory as NAME
#   setup    (optional) bash snippet run inside the working directory before
#            the run
#   out/     (optional) files the run must leave in the working directory,
#            byte for byte
#   extra    (optional) names (shell patterns, relative to the working
#            directory) that may also exist afterwards without being compared
# The standard error must stay empty, and the run may leave no file besides
# the ones that were there before it and the ones named in out/ and extra.

set -u

if [ $# -ne 2 ]; then
    echo "usage: $0 ZEQ_BINARY CASE_DIR" >&2
    exit 2
fi

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
binary=$1
case_dir=$2
case "$binary" in /*) ;; *) binary=$PWD/$binary ;; esac
case_dir=$(cd "$case_dir" && pwd) || { echo "no case directory: $2" >&2; exit 2; }
case_name=$(basename "$case_dir")
meshes=$here/meshes

if [ ! -x "$binary" ]; then
    echo "[$case_name] binary not found or not executable: $binary" >&2
    exit 2
fi
for f in args stdout status; do
    if [ ! -f "$case_dir/$f" ]; then
        echo "[$case_name] case file missing: $f" >&2
        exit 2
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/zeq-e2e.XXXXXX") || exit 2
results=$(mktemp -d "${TMPDIR:-/tmp}/zeq-e2e-results.XXXXXX") || { rm -rf "$work"; exit 2; }
cleanup() {
    # The setup may have taken write or search permission away from files and
    # directories; give it back so that everything can be removed.
    chmod -R u+rwX "$work" "$results" 2>/dev/null
    rm -rf "$work" "$results"
}
trap cleanup EXIT

failed=0
fail() {
    echo "[$case_name] FAIL: $*"
    failed=1
}

# --- lay out the working directory -----------------------------------------
if [ -d "$case_dir/in" ]; then
    cp -R "$case_dir/in/." "$work/" || { echo "[$case_name] cannot copy in/" >&2; exit 2; }
fi
if [ -f "$case_dir/mesh" ]; then
    while read -r name source rest; do
        [ -z "${name:-}" ] && continue
        case "$name" in \#*) continue ;; esac
        if [ -z "${source:-}" ] || [ -n "${rest:-}" ]; then
            echo "[$case_name] bad line in mesh: $name ${source:-} ${rest:-}" >&2
            exit 2
        fi
        if [ ! -f "$meshes/$source" ]; then
            echo "[$case_name] no such mesh: $meshes/$source" >&2
            exit 2
        fi
        cp "$meshes/$source" "$work/$name" || exit 2
    done < "$case_dir/mesh"
fi
if [ -f "$case_dir/setup" ]; then
    (cd "$work" && bash "$case_dir/setup") || { echo "[$case_name] setup failed" >&2; exit 2; }
fi

# Everything present now belongs to the case, not to the run; keep a copy to
# check afterwards that the run left the inputs as they were.
(cd "$work" && find . -mindepth 1 -print | sed 's|^\./||' | LC_ALL=C sort) > "$results/before"
cp -a "$work" "$results/inputs" 2>/dev/null

# --- run --------------------------------------------------------------------
args=()
read -r -a args < "$case_dir/args" || true
(cd "$work" && "$binary" "${args[@]}" < /dev/null > "$results/stdout.raw" 2> "$results/stderr")
status=$?

sed -E 's/(time = )[0-9.]+/\1X/g' "$results/stdout.raw" > "$results/stdout"

# --- compare ----------------------------------------------------------------
if ! cmp -s "$case_dir/stdout" "$results/stdout"; then
    fail "standard output differs (--- expected, +++ actual, times masked)"
    diff -u --label expected/stdout --label actual/stdout "$case_dir/stdout" "$results/stdout"
fi

expected_status=$(tr -d ' \t\r\n' < "$case_dir/status")
if [ "$status" != "$expected_status" ]; then
    fail "exit status $status, expected $expected_status"
fi

if [ -s "$results/stderr" ]; then
    fail "standard error is not empty:"
    head -c 4000 "$results/stderr"
    echo
fi

expected_outputs=()
if [ -d "$case_dir/out" ]; then
    while IFS= read -r -d '' f; do
        rel=${f#"$case_dir/out/"}
        expected_outputs+=("$rel")
        if [ ! -e "$work/$rel" ]; then
            fail "output file $rel was not written"
        elif [ ! -f "$work/$rel" ]; then
            fail "output $rel is not a regular file"
        elif ! cmp -s "$f" "$work/$rel"; then
            fail "output file $rel differs (--- expected, +++ actual)"
            diff -u --label "expected/$rel" --label "actual/$rel" "$f" "$work/$rel" | head -n 200
        fi
    done < <(find "$case_dir/out" -type f -print0 | LC_ALL=C sort -z)
fi

while IFS= read -r path; do
    [ -f "$results/inputs/$path" ] || continue
    is_output=0
    for o in "${expected_outputs[@]}"; do
        [ "$path" = "$o" ] && is_output=1
    done
    [ $is_output -eq 1 ] && continue
    if [ ! -f "$work/$path" ]; then
        fail "input file $path was removed"
    elif ! cmp -s "$results/inputs/$path" "$work/$path"; then
        fail "input file $path was changed"
    fi
done < "$results/before"

allowed_extra=()
if [ -f "$case_dir/extra" ]; then
    while IFS= read -r pattern; do
        [ -n "$pattern" ] && allowed_extra+=("$pattern")
    done < "$case_dir/extra"
fi

(cd "$work" && find . -mindepth 1 -print | sed 's|^\./||' | LC_ALL=C sort) > "$results/after"
while IFS= read -r path; do
    grep -qxF -- "$path" "$results/before" && continue
    known=0
    for o in "${expected_outputs[@]}"; do
        # An expected output in a subdirectory brings its directories along.
        if [ "$path" = "$o" ] || [[ "$o" == "$path/"* ]]; then
            known=1
            break
        fi
    done
    if [ $known -eq 0 ]; then
        for pattern in "${allowed_extra[@]}"; do
            # shellcheck disable=SC2053
            if [[ "$path" == $pattern ]]; then
                known=1
                break
            fi
        done
    fi
    [ $known -eq 1 ] || fail "unexpected file left in the working directory: $path"
done < "$results/after"

if [ $failed -ne 0 ]; then
    echo "[$case_name] arguments: $(cat "$case_dir/args")"
    exit 1
fi
echo "[$case_name] ok"
exit 0
