#!/usr/bin/env bash
# Runs each libFuzzer target of a fuzz build (make fuzz): first every input that
# once failed (regressions/<target>), then SECONDS of fuzzing from the seed
# corpus. New inputs go to a working corpus in the build folder, so the run
# leaves the repository clean unless it finds something: then the input is
# kept under regressions/<target> (commit it) and the run fails.
set -uo pipefail
build=$1 seconds=$2
here=$(cd "$(dirname "$0")" && pwd)
failed=0
# Leaks inside libofx itself are named in lsan-libofx.supp; our own code stays watched.
export LSAN_OPTIONS=suppressions=$here/lsan-libofx.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}
for target in ImportFuzzer TextFormsFuzzer OfxImportFuzzer; do
    fuzzer=$build/tests/fuzz/$target
    regressions=$here/regressions/$target
    work=$build/fuzz-corpus/$target
    artifacts=$build/fuzz-findings/$target
    mkdir -p "$work" "$artifacts"
    if compgen -G "$regressions/*" > /dev/null && ! "$fuzzer" "$regressions"/*; then
        echo "$target: an input under $regressions fails again" >&2
        failed=1
        continue
    fi
    dict=$here/$target.dict
    "$fuzzer" -max_total_time="$seconds" -timeout=60 -print_final_stats=1 -artifact_prefix="$artifacts/" \
        $([ -f "$dict" ] && echo "-dict=$dict") "$work" "$here/corpus/$target" || {
        mkdir -p "$regressions"
        for finding in "$artifacts"/*; do
            [ -f "$finding" ] && mv "$finding" "$regressions/" && echo "$target: kept $regressions/${finding##*/}" >&2
        done
        failed=1
    }
done
exit $failed
