#!/bin/sh
# Plants each known fault of tests/planted-faults/ in turn, builds, runs the
# test suite and takes the fault out again; then tells which tests caught
# which fault. A fault no test catches is a hole in the suite.
#
#   scripts/planted-faults.sh [NN ...]     only the faults of those numbers
#
# BUILD_DIR (default build-test) must be a configured build of this tree;
# CTEST_ARGS (default: -j2 -LE 'cups|libreoffice') are passed to ctest.
# QUICK=1 builds and runs only the tests a fault's "# tests:" line names (the
# folders of its layer and of the layers above that use it), for a short run.
# Exits 1 when a fault went uncaught or could not be planted.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" || exit 2
build=${BUILD_DIR:-build-test}
faults_dir=tests/planted-faults
[ -f "$build/build.ninja" ] || [ -f "$build/Makefile" ] || {
    echo "no configured build in $build (cmake -S . -B $build -G Ninja -DCMAKE_BUILD_TYPE=Debug)" >&2
    exit 2
}
if ! git diff --quiet -- src; then
    echo "src/ has uncommitted changes; commit or stash them first" >&2
    exit 2
fi

planted=""
take_out() {
    if [ -n "$planted" ]; then
        git apply -R "$planted" || echo "could not take out $planted: git checkout -- src" >&2
        planted=""
    fi
}
trap 'take_out; exit 130' INT TERM

wanted() {
    [ $# -eq 0 ] && return 0
    n=$(basename "$patch" | cut -c1-2)
    for w in "$@"; do [ "$w" = "$n" ] && return 0; done
    return 1
}

summary=$(mktemp)
status=0
for patch in "$faults_dir"/*.patch; do
    wanted "$@" || continue
    name=$(basename "$patch" .patch)
    if ! git apply "$patch"; then
        echo "$name: NOT PLANTED (the patch no longer applies)" >>"$summary"
        status=1
        continue
    fi
    planted=$patch
    log="$build/planted-$name.log"
    echo "== $name"
    targets=""
    only=""
    if [ "${QUICK:-0}" = 1 ]; then
        only=$(sed -n 's/^# tests: //p' "$patch")
        targets=$(cd "$build" && ctest -N -R "$only" | sed -n 's/^ *Test *#[0-9]*: \([a-z]*\)\.\([a-z_]*\)$/--target test_\1_\2/p' | tr '\n' ' ')
        only="-R '$only'"
    fi
    # shellcheck disable=SC2086
    if ! cmake --build "$build" $targets >"$log" 2>&1; then
        echo "$name: caught by the build (see $log)" >>"$summary"
        take_out
        continue
    fi
    # shellcheck disable=SC2086
    (cd "$build" && eval ctest ${CTEST_ARGS:-"-j2 -LE 'cups|libreoffice'"} "$only") >>"$log" 2>&1
    failed=$(sed -n 's/^[[:space:]]*[0-9]* - \([^ ]*\) (.*/\1/p' "$log" | sort -u | tr '\n' ' ')
    take_out
    if [ -n "$failed" ]; then
        echo "$name: caught by $failed" >>"$summary"
    else
        echo "$name: NOT CAUGHT" >>"$summary"
        status=1
    fi
done
# Leave the build matching the sources again.
cmake --build "$build" >/dev/null 2>&1
echo
cat "$summary"
rm -f "$summary"
exit $status
