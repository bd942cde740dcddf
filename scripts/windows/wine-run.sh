#!/usr/bin/env bash
# Runs a Windows program of the cross build under Wine: CTest's emulator for
# the test programs, and the way to try vordan.exe by hand.
# The tool chain's DLLs and the MinGW run-time are found through WINEPATH;
# Wine's own prefix is a throw-away one under the build folder unless
# WINEPREFIX is set. Qt plugins come from the tool chain unless
# QT_PLUGIN_PATH is set.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
prefix=${VORDAN_WINDOWS_PREFIX:-$("$here/toolchain.sh" --chemin)}
runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
export WINEPREFIX=${WINEPREFIX:-${VORDAN_WINEPREFIX:-$HOME/.cache/vordan-windows/wine}}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ ! -d "$WINEPREFIX" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    wineboot --init >/dev/null 2>&1 || true
    wineserver -w || true
fi
# A Unix path as Wine sees it on its Z: drive (the whole file system in a
# prefix wineboot made). Written out here rather than asked of winepath,
# which under load has answered nothing.
to_windows() {
    local p
    p=$(readlink -m "$1")
    printf 'Z:%s' "${p//\//\\}"
}
export WINEPATH="$(to_windows "$prefix/bin");$(to_windows "$runtime");$(to_windows /usr/x86_64-w64-mingw32/lib)${WINEPATH:+;$WINEPATH}"
export QT_PLUGIN_PATH=${QT_PLUGIN_PATH:-$(to_windows "$prefix/plugins")}
# Wine keeps Qt's variables (QT_*) from Windows programs unless they are
# given as WINEQT_*, as it does PATH as WINEPATH.
while IFS='=' read -r name _; do
    case $name in QT_*) export "WINE$name=${!name}" ;; esac
done < <(env | grep -E '^QT_[A-Za-z0-9_]*=')
exec wine "$@"
