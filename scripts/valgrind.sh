#!/usr/bin/env bash
# Starts VORDAN under valgrind (memcheck) on a fresh demo database, offscreen,
# lets it run its start-up, then ends it (VORDAN_QUIT_AFTER_MS) and checks
# that valgrind counted no error. Noise from system libraries (fontconfig,
# the dynamic loader, Qt's own start-up) is silenced by scripts/valgrind.supp.
#   scripts/valgrind.sh     build in build-valgrind (or $VORDAN_BUILD_DIR) and check
# The full valgrind log is left in build-valgrind/valgrind.log.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh valgrind
dir=${VORDAN_BUILD_DIR:-build-valgrind}
[ -f "$dir/CMakeCache.txt" ] || cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVORDAN_BUILD_TESTS=OFF >/dev/null
cmake --build "$dir" --parallel --target vordan
if [ -e "$dir/CHEMIN.QZ" ]; then
  echo "$dir/CHEMIN.QZ exists: it would be read instead of the demo's" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$dir/vordan" --creer-base "$work/données démo" --demo >/dev/null
mkdir -p "$work/config/vordan"
printf '%s/\n' "$work/données démo" > "$work/config/vordan/CHEMIN.QZ"

status=0
XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=offscreen VORDAN_QUIT_AFTER_MS=${VORDAN_QUIT_AFTER_MS:-3000} \
  valgrind --tool=memcheck --error-exitcode=99 --track-origins=yes \
  --leak-check=full --show-leak-kinds=definite --errors-for-leak-kinds=definite \
  --suppressions=scripts/valgrind.supp --gen-suppressions=all \
  --log-file="$dir/valgrind.log" "$dir/vordan" || status=$?
grep -E 'ERROR SUMMARY|definitely lost|suppressed:' "$dir/valgrind.log" || true
if [ "$status" -ne 0 ]; then
  echo "valgrind found errors (exit status $status); see $dir/valgrind.log" >&2
  exit 1
fi
echo "valgrind: no error on start-up and shutdown"
