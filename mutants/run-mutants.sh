#!/usr/bin/env bash
# Mutation run: plants each fault of mutants/mutants.txt in the source,
# one at a time, rebuilds, runs the tests and restores the file. A fault the
# tests notice is "killed"; one they miss "survived".
#
#   run-mutants.sh BUILD_DIR [PATTERN]
#
# PATTERN (an extended regular expression) keeps the entries whose file, text
# or replacement it matches. Equivalent entries are listed, not run.
# The exit status is 0 only when every entry that was run was killed.
set -u

build_dir=${1:?usage: run-mutants.sh BUILD_DIR [PATTERN]}
only=${2:-}
root=$(cd "$(dirname "$0")/.." && pwd)
list="$root/mutants/mutants.txt"
build_dir=$(cd "$root" && cd "$build_dir" && pwd) || exit 2
# Originals of planted files live here until restored, so that a run killed
# even by SIGKILL is repaired by the next one.
pending="$build_dir/mutants-pending"
jobs=${JOBS:-2}

# The tests of the mutated file's own layer run first: most kills come from
# them, and a killed mutant stops at its first failing test.
first_tests_for() {
    case $1 in
    src/store/*) echo 'TextFormsTest|LedgerFileTest|FaultyFileTest' ;;
    src/history/*) echo 'HistoryTest|UndoWindowTest' ;;
    src/interchange/*) echo 'InterchangeTest|LedgerToolTest|TextFormsTest' ;;
    src/editor/*) echo 'EditorTest' ;;
    src/rows/*) echo 'RowsTest' ;;
    src/ledger/*) echo 'LedgerWindowTest' ;;
    src/reconcile/*) echo 'ReconcileWindowTest' ;;
    src/app/*) echo 'StartupTest' ;;
    src/shell/*) echo 'StartupTest|RowsTest' ;;
    *) echo '' ;;
    esac
}

restore_pending() {
    [ -d "$pending" ] || return 0
    local original relative
    while IFS= read -r -d '' original; do
        relative=${original#"$pending"/}
        cp "$original" "$root/$relative"
        # Newer than its object file, so that the next build compiles the
        # original again instead of keeping the mutant's object.
        touch "$root/$relative"
        rm -f "$original"
        echo "restored $relative"
    done < <(find "$pending" -type f -print0)
    rm -rf "$pending"
}

on_signal() {
    restore_pending
    echo "mutation run interrupted; every file is restored" >&2
    exit 130
}
trap restore_pending EXIT
trap on_signal INT TERM HUP

# Reads a file whole, trailing newlines included.
read_whole() {
    local text
    text=$(cat "$1"; printf x)
    printf '%s' "${text%x}"
}

count_occurrences() { # TEXT FIND
    local rest=$1 n=0
    while [[ $rest == *"$2"* ]]; do
        rest=${rest#*"$2"}
        n=$((n + 1))
    done
    echo "$n"
}

replace_occurrence() { # TEXT FIND WITH N
    local rest=$1 before='' head k=1
    while [[ $rest == *"$2"* ]]; do
        head=${rest%%"$2"*}
        if [ "$k" -eq "$4" ]; then
            printf '%s' "$before$head$3${rest#"$head$2"}"
            return 0
        fi
        before+="$head$2"
        rest=${rest#"$head$2"}
        k=$((k + 1))
    done
    return 1
}

# Builds the given tests' executables (a test is named as its executable;
# a test run by a script has none), or everything.
build() { # [TEST...]
    local targets=() known
    if [ $# -gt 0 ]; then
        known=$(cmake --build "$build_dir" --target help)
        for target in "$@"; do
            grep -qx "$target: phony" <<<"$known" && targets+=(--target "$target")
        done
    fi
    cmake --build "$build_dir" -j "$jobs" "${targets[@]}" >"$build_dir/mutants-build.log" 2>&1
}

run_tests() { # ctest arguments
    (cd "$build_dir" \
        && QT_QPA_PLATFORM=offscreen ctest --stop-on-failure -j "$jobs" "$@" >>mutants-test.log 2>&1)
}

# Builds and runs the tests; fails at the first failing test. The tests of
# the mutated file's layer are built and run first: most kills come from
# them, and a killed mutant needs nothing else.
tests_pass() { # FILE
    local first
    first=$(first_tests_for "$1")
    : >"$build_dir/mutants-test.log"
    if [ -n "$first" ]; then
        build ${first//|/ } || return 3
        run_tests -R "^($first)\$" || return 1
        build || return 3
        run_tests -E "^($first)\$"
    else
        build || return 3
        run_tests
    fi
}

restore_pending

# The entries, one per `find:`; `file:` holds until the next `file:`.
files=() finds=() withs=() occurrences=() equivalents=()
file='' n=-1
while IFS= read -r line || [ -n "$line" ]; do
    case $line in
    'file: '*) file=${line#file: } ;;
    'find: '*)
        n=$((n + 1))
        files[n]=$file finds[n]=${line#find: } withs[n]='' occurrences[n]='' equivalents[n]=''
        ;;
    'with:'*) withs[n]=${line#with:} withs[n]=${withs[n]# } ;;
    'occurrence: '*) occurrences[n]=${line#occurrence: } ;;
    'equivalent: '*) equivalents[n]=${line#equivalent: } ;;
    '' | '#'*) ;;
    *) echo "mutants.txt: cannot read: $line" >&2; exit 2 ;;
    esac
done <"$list"

echo "Building and testing the unchanged source first..."
if [ -n "${DRY_RUN:-}" ]; then
    :
elif ! tests_pass ''; then
    echo "The tests fail without any mutant; see $build_dir/mutants-test.log" >&2
    exit 2
fi

killed=0 survived=0 equivalent=0 errors=0
survivors=()
started=$SECONDS
for ((k = 0; k <= n; k++)); do
    file=${files[k]} find=${finds[k]} with=${withs[k]}
    label="#$((k + 1)) $file: $find  ->  $with"
    if [ -n "$only" ] && ! grep -Eq -- "$only" <<<"$label"; then
        continue
    fi
    if [ ! -f "$root/$file" ]; then
        errors=$((errors + 1))
        echo "ERROR      $label (no such file)"
        continue
    fi
    content=$(read_whole "$root/$file")
    count=$(count_occurrences "$content" "$find")
    which=${occurrences[k]:-1}
    if [ "$count" -eq 0 ] || [ "$which" -gt "$count" ] \
        || { [ "$count" -gt 1 ] && [ -z "${occurrences[k]}" ]; }; then
        errors=$((errors + 1))
        echo "ERROR      $label (the text occurs $count times)"
        continue
    fi

    if [ -n "${DRY_RUN:-}" ]; then # only shows the line each entry changes
        line=$(replace_occurrence "$content" "$find" "[[$with]]" "$which" | grep -n -F -m1 "[[$with]]")
        echo "listed     #$((k + 1)) $file:$line"
        continue
    fi
    if [ -n "${equivalents[k]}" ]; then
        equivalent=$((equivalent + 1))
        echo "equivalent $label (${equivalents[k]})"
        continue
    fi
    mkdir -p "$(dirname "$pending/$file")"
    cp "$root/$file" "$pending/$file"
    replace_occurrence "$content" "$find" "$with" "$which" >"$root/$file"
    tests_pass "$file"
    case $? in
    0) verdict=survived survived=$((survived + 1)) survivors+=("$label") ;;
    3) verdict=ERROR errors=$((errors + 1)) label+=" (does not build)" ;;
    *)
        verdict=killed killed=$((killed + 1))
        # The test that failed first (a skipped one is not), so that a kill by a flaky test can be told.
        by=$(grep -m1 -oE 'Test +#[0-9]+: [A-Za-z0-9_]+ [.]*[A-Za-z ]*\*\*\*(Failed|Exception|Timeout)' \
            "$build_dir/mutants-test.log")
        by=${by#*: } label+=" (by ${by%% *})"
        ;;
    esac
    restore_pending >/dev/null
    echo "$verdict $(printf '%*s' $((10 - ${#verdict})) '')$label"
done

if [ -z "${DRY_RUN:-}" ] && ! build; then
    echo "warning: the restored source did not build; see $build_dir/mutants-build.log" >&2
fi
run=$((killed + survived))
echo
echo "Score: $killed of $run mutants killed$( [ "$run" -gt 0 ] && echo " ($((100 * killed / run))%)");" \
     "$survived survived, $equivalent equivalent (not run), $errors errors; $((SECONDS - started)) s"
for label in "${survivors[@]}"; do
    echo "  survived: $label"
done
[ "$survived" -eq 0 ] && [ "$errors" -eq 0 ]
