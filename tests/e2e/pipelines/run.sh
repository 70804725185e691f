#!/usr/bin/env bash
# End-to-end runs of zeq where the input or the output is not a plain file,
# where an existing output's access bits matter, and where the run is
# interrupted while writing.
#
# usage: run.sh ZEQ STOP_BEFORE_LIBRARY GROUP
#
# GROUP is one of: stdin procsub fifo sinks modes interrupt progress.
#
# The expected results are those of two hand-worked end-to-end cases, with the
# file names that the messages print changed to the ones used here:
#   shared-bunny-10-timed     -N 367 -D bunny.smf out.smf  (SMF, timed)
#   shared-elephant-holes-10  -N 446 elephant_with_holes.off out.off  (OFF)
# A valid mesh must give the same messages, status and output bytes whatever
# kind of file holds it.
#
# STOP_BEFORE_LIBRARY is preloaded into zeq by the interruption tests: it
# stops the process at a chosen point of writing (see stop_before.cpp), so the
# signal lands at a known moment and no result depends on timing.
set -u

if [ $# -ne 3 ]; then
    echo "usage: $0 ZEQ STOP_BEFORE_LIBRARY GROUP" >&2
    exit 2
fi
zeq=$1
shim=$2
group=$3
case "$zeq" in /*) ;; *) zeq=$PWD/$zeq ;; esac
case "$shim" in /*) ;; *) shim=$PWD/$shim ;; esac
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cases=$here/../cases
meshes=$here/../meshes
smf_case=$cases/shared-bunny-10-timed
off_case=$cases/shared-elephant-holes-10

work=$(mktemp -d "${TMPDIR:-/tmp}/zeq-pipes.XXXXXX") || exit 2
# Nothing started here may outlive the test.
cleanup() {
    jobs -p | xargs -r kill -9 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
cd "$work" || exit 2
cp "$meshes/bunny.smf" bunny.smf
cp "$meshes/elephant_with_holes.off" holes.off

failures=0
fail() {
    echo "FAIL [$group] $*"
    failures=$((failures + 1))
}
mask() { sed -E 's/(time = )[0-9.]+/\1X/g' "$1"; }

# expected_stdout CASE INPUT_NAME [OUTPUT_NAME]: the case's standard output
# with the names it prints replaced.
expected_stdout() {
    sed -e "s|^Original mesh: <[^>]*> \$|Original mesh: <$2> |" \
        -e "s|^Ficheiro -> .*  criado\$|Ficheiro -> ${3:-}  criado|" "$1/stdout"
}

# check WHAT STATUS STDOUT_FILE EXPECTED_STATUS EXPECTED_STDOUT_FILE
check() {
    local what=$1 status=$2 got=$3 want_status=$4 want=$5
    [ "$status" = "$want_status" ] || fail "$what: exit status $status, expected $want_status"
    if ! mask "$got" | cmp -s - "$want"; then
        fail "$what: standard output differs (--- expected, +++ actual)"
        mask "$got" | diff -u --label expected --label actual "$want" - | head -40
    fi
}

# same_file WHAT EXPECTED ACTUAL
same_file() {
    if [ ! -f "$3" ]; then
        fail "$1: $3 was not written"
    elif ! cmp -s "$2" "$3"; then
        fail "$1: $3 differs from the expected output"
    fi
}

# no_temporaries WHAT: the working directory holds no temporary output file.
no_temporaries() {
    local left
    left=$(find . -name '*.zeq-*.tmp' | head -5)
    [ -z "$left" ] || fail "$1: temporary files left: $left"
}

# still_device WHAT PATH
still_device() {
    [ -c "$2" ] || fail "$1: $2 is no longer a character device"
}

# wait_stopped PID: waits until the process is stopped (state T) or gone.
wait_stopped() {
    local n state
    for ((n = 0; n < 1200; n++)); do
        state=$(awk '{ print $3 }' "/proc/$1/stat" 2>/dev/null) || return 1
        [ "$state" = T ] && return 0
        sleep 0.05
    done
    return 1
}

smf_args=(-N 367 -D)
off_args=(-N 446)

case $group in
stdin)
    # The file on standard input, named /dev/stdin.
    expected_stdout "$smf_case" /dev/stdin > want
    "$zeq" "${smf_args[@]}" /dev/stdin out.smf < bunny.smf > got
    check "file on /dev/stdin" $? got 0 want
    same_file "file on /dev/stdin" "$smf_case/out/out.smf" out.smf
    rm -f out.smf

    # A pipe on standard input.
    cat bunny.smf | "$zeq" "${smf_args[@]}" /dev/stdin out.smf > got
    check "pipe on /dev/stdin" "${PIPESTATUS[1]}" got 0 want
    same_file "pipe on /dev/stdin" "$smf_case/out/out.smf" out.smf
    rm -f out.smf

    # OFF from standard input: the format follows the name, so the pipe is
    # reached through a link whose name ends in off.
    ln -s /dev/stdin stdin.off
    expected_stdout "$off_case" stdin.off out.off > want
    cat holes.off | "$zeq" "${off_args[@]}" stdin.off out.off > got
    check "OFF pipe through a link" "${PIPESTATUS[1]}" got 0 want
    same_file "OFF pipe through a link" "$off_case/out/out.off" out.off
    rm -f out.off

    # An empty stream is an empty file.
    printf 'Reading </dev/stdin>:  File empty!\n\nZEQ exit!\n' > want_empty
    { expected_stdout "$smf_case" /dev/stdin | sed -n '1,5p'; cat want_empty; } > want
    printf '' | "$zeq" "${smf_args[@]}" /dev/stdin out.smf > got
    check "empty pipe" "${PIPESTATUS[1]}" got 1 want
    [ ! -e out.smf ] || fail "empty pipe: an output was written"
    no_temporaries stdin
    ;;

procsub)
    # Process substitution, as a user types it, run through bash -c.
    gzip -c bunny.smf > bunny.smf.gz
    expected_stdout "$smf_case" /dev/fd/63 > want
    bash -c '"$1" -N 367 -D <(zcat bunny.smf.gz) out.smf' _ "$zeq" > got
    status=$?
    # The descriptor number is bash's choice: compare without it.
    sed -i -E 's|^Original mesh: </dev/fd/[0-9]+> $|Original mesh: </dev/fd/63> |' got
    check "compressed input through <(zcat ...)" $status got 0 want
    same_file "compressed input through <(zcat ...)" "$smf_case/out/out.smf" out.smf

    # Compressed output through >(gzip > ...); the script waits for gzip.
    expected_stdout "$smf_case" bunny.smf > want
    bash -c '"$1" -N 367 -D bunny.smf >(gzip > out.smf.gz); status=$?; wait $!; exit $status' _ "$zeq" > got
    check "compressed output through >(gzip ...)" $? got 0 want
    zcat out.smf.gz > out-unzipped.smf 2>/dev/null
    same_file "compressed output through >(gzip ...)" "$smf_case/out/out.smf" out-unzipped.smf
    no_temporaries procsub
    ;;

fifo)
    # Named pipes as inputs, in both formats, each written once by a writer.
    mkfifo in.smf in.off
    cat bunny.smf > in.smf &
    expected_stdout "$smf_case" in.smf > want
    "$zeq" "${smf_args[@]}" in.smf out.smf > got
    check "SMF named pipe input" $? got 0 want
    same_file "SMF named pipe input" "$smf_case/out/out.smf" out.smf
    wait

    cat holes.off > in.off &
    expected_stdout "$off_case" in.off out.off > want
    "$zeq" "${off_args[@]}" in.off out.off > got
    check "OFF named pipe input" $? got 0 want
    same_file "OFF named pipe input" "$off_case/out/out.off" out.off
    wait

    # A named pipe as the output: written directly and still a pipe after.
    mkfifo sink.smf
    cat sink.smf > from-sink.smf &
    reader=$!
    expected_stdout "$smf_case" bunny.smf > want
    "$zeq" "${smf_args[@]}" bunny.smf sink.smf > got
    check "named pipe output" $? got 0 want
    wait $reader
    same_file "named pipe output" "$smf_case/out/out.smf" from-sink.smf
    [ -p sink.smf ] || fail "named pipe output: sink.smf is no longer a named pipe"
    no_temporaries fifo
    ;;

sinks)
    # A dry run into /dev/null.
    expected_stdout "$smf_case" bunny.smf > want
    "$zeq" "${smf_args[@]}" bunny.smf /dev/null > got
    check "/dev/null output" $? got 0 want
    still_device "/dev/null output" /dev/null

    # /dev/stdout into a pipe: the mesh follows the messages on the pipe.
    expected_stdout "$off_case" holes.off /dev/stdout > want
    "$zeq" "${off_args[@]}" holes.off /dev/stdout | cat > got
    # The mesh bytes come before the writer's announcement line.
    { head -n -1 want; cat "$off_case/out/out.off"; tail -n 1 want; } > want_mixed
    if ! mask got | cmp -s - want_mixed; then
        fail "/dev/stdout output: the pipe did not get the messages and the mesh in order"
    fi

    # A full device: the write fails and says so.
    { expected_stdout "$smf_case" bunny.smf | sed -e '/^Writing time/,$d' | sed -e '$d'
      printf 'Writing </dev/full>: Cannot write the file!\n\nZEQ exit!\n'; } > want
    "$zeq" "${smf_args[@]}" bunny.smf /dev/full > got
    check "/dev/full output" $? got 1 want
    still_device "/dev/full output" /dev/full

    # A pipe whose reader has gone: reported as a failed write, not a silent
    # death by SIGPIPE. The substituted process ends before zeq starts.
    { expected_stdout "$smf_case" bunny.smf | sed -e '/^Writing time/,$d' | sed -e '$d'
      printf 'Writing </dev/fd/7>: Cannot write the file!\n\nZEQ exit!\n'; } > want
    bash -c 'exec 7> >(exit 0); wait $!; "$1" -N 367 -D bunny.smf /dev/fd/7' _ "$zeq" > got
    check "closed pipe output" $? got 1 want

    # A directory stays refused.
    mkdir folder
    { expected_stdout "$smf_case" bunny.smf | sed -e '/^Writing time/,$d' | sed -e '$d'
      printf 'Writing <folder>: Cannot write the file!\n\nZEQ exit!\n'; } > want
    "$zeq" "${smf_args[@]}" bunny.smf folder > got
    check "directory output" $? got 1 want
    [ -d folder ] && [ -z "$(ls -A folder)" ] || fail "directory output: the directory changed"
    no_temporaries sinks
    ;;

modes)
    # A replaced file keeps its permission bits; a new one gets the umask's.
    expected_stdout "$smf_case" bunny.smf > want
    for mode in 600 640 755 604; do
        echo old > "out$mode.smf"
        chmod "$mode" "out$mode.smf"
        "$zeq" "${smf_args[@]}" bunny.smf "out$mode.smf" > got
        check "replacing a $mode file" $? got 0 want
        same_file "replacing a $mode file" "$smf_case/out/out.smf" "out$mode.smf"
        got_mode=$(stat -c %a "out$mode.smf")
        [ "$got_mode" = "$mode" ] || fail "replacing a $mode file: the new file has mode $got_mode"
    done
    # Owner and group are kept where the process may set them (as root).
    if [ "$(id -u)" = 0 ]; then
        echo old > owned.smf
        chown 1234:5678 owned.smf
        chmod 640 owned.smf
        "$zeq" "${smf_args[@]}" bunny.smf owned.smf > got
        check "replacing another user's file" $? got 0 want
        [ "$(stat -c '%u:%g %a' owned.smf)" = "1234:5678 640" ] ||
            fail "replacing another user's file: now $(stat -c '%u:%g %a' owned.smf)"
    fi
    (umask 027 && "$zeq" "${smf_args[@]}" bunny.smf new.smf > got)
    check "a new file" $? got 0 want
    [ "$(stat -c %a new.smf)" = 640 ] || fail "a new file under umask 027 has mode $(stat -c %a new.smf)"
    # A replaced file is a new file: a hard link keeps the old content.
    echo old > linked.smf
    ln linked.smf other-name.smf
    "$zeq" "${smf_args[@]}" bunny.smf linked.smf > got
    check "replacing a hard-linked file" $? got 0 want
    same_file "replacing a hard-linked file" "$smf_case/out/out.smf" linked.smf
    [ "$(cat other-name.smf)" = old ] || fail "the other hard link changed"
    no_temporaries modes
    ;;

interrupt)
    # Each signal, delivered while the temporary file is being written (it
    # exists, empty) and when it is complete (right before the rename): the
    # old file stays as it was, no temporary file is left, and the process
    # ends by that signal.
    #
    # Started with the default action for each signal: a background job of
    # this script would otherwise inherit SIGINT as ignored.
    for point in write fsync; do
        for sig in INT TERM HUP; do
            printf 'old content\n' > out.smf
            chmod 640 out.smf
            if [ -f "$shim" ]; then :; else fail "no stop library: $shim"; break 2; fi
            ZEQ_STOP_BEFORE=$point LD_PRELOAD=$shim \
                ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0 \
                env --default-signal=INT,TERM,HUP "$zeq" "${smf_args[@]}" bunny.smf out.smf > got 2> err &
            pid=$!
            if ! wait_stopped $pid; then
                fail "$sig before $point: the process did not stop there"
                kill -9 $pid 2>/dev/null
                wait $pid 2>/dev/null
                continue
            fi
            temps=$(find . -name 'out.smf.zeq-*.tmp' | wc -l)
            [ "$temps" = 1 ] || fail "$sig before $point: expected the temporary file, found $temps"
            kill -s "$sig" $pid
            kill -s CONT $pid
            wait $pid
            status=$?
            want_status=$((128 + $(kill -l "$sig")))
            [ $status = $want_status ] || fail "$sig before $point: exit status $status, expected $want_status"
            [ "$(cat out.smf)" = "old content" ] || fail "$sig before $point: the old file changed"
            [ "$(stat -c %a out.smf)" = 640 ] || fail "$sig before $point: the old file's mode changed"
            no_temporaries "$sig before $point"
            # Nothing at all is left when there was no old file.
            rm -f out.smf
            ZEQ_STOP_BEFORE=$point LD_PRELOAD=$shim \
                ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0 \
                env --default-signal=INT,TERM,HUP "$zeq" "${smf_args[@]}" bunny.smf out.smf > got 2> err &
            pid=$!
            if wait_stopped $pid; then
                kill -s "$sig" $pid
                kill -s CONT $pid
            else
                fail "$sig before $point, new file: the process did not stop there"
                kill -9 $pid 2>/dev/null
            fi
            wait $pid
            [ ! -e out.smf ] || fail "$sig before $point, new file: out.smf exists"
            no_temporaries "$sig before $point, new file"
        done
    done
    # A signal the process was started with ignored (nohup, a background
    # job) stays ignored: the run goes on and completes.
    expected_stdout "$smf_case" bunny.smf > want
    for sig in INT HUP; do
        printf 'old content\n' > out.smf
        ZEQ_STOP_BEFORE=fsync LD_PRELOAD=$shim \
            ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0 \
            env --ignore-signal=$sig "$zeq" "${smf_args[@]}" bunny.smf out.smf > got 2> err &
        pid=$!
        wait_stopped $pid || fail "ignored $sig: the process did not stop before fsync"
        kill -s "$sig" $pid
        kill -s CONT $pid
        wait $pid
        check "ignored $sig" $? got 0 want
        same_file "ignored $sig" "$smf_case/out/out.smf" out.smf
        no_temporaries "ignored $sig"
    done
    ;;

progress)
    # Each console line reaches a pipe as it is printed: with the output a
    # named pipe nobody reads yet, zeq waits to open it, and by then every
    # line before the writing stage must have arrived.
    mkfifo sink.smf
    expected_stdout "$smf_case" bunny.smf | sed -e '/^Writing time/,$d' | sed -e '$d' > want
    "$zeq" "${smf_args[@]}" bunny.smf sink.smf > got &
    pid=$!
    lines=$(wc -l < want)
    for ((n = 0; n < 1200; n++)); do
        [ "$(wc -l < got)" -ge "$lines" ] && break
        sleep 0.05
    done
    mask got | cmp -s - want || fail "the lines before writing did not arrive while zeq waited to write"
    cat sink.smf > from-sink.smf
    wait $pid
    expected_stdout "$smf_case" bunny.smf > want
    check "progress run" $? got 0 want
    same_file "progress run" "$smf_case/out/out.smf" from-sink.smf
    ;;

*)
    echo "unknown group: $group" >&2
    exit 2
    ;;
esac

if [ $failures -ne 0 ]; then
    echo "[$group] $failures failure(s)"
    exit 1
fi
echo "[$group] ok"
