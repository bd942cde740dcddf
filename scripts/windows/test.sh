#!/usr/bin/env bash
# The Windows build's tests: the program, its installer and every test
# program cross-built (scripts/windows/build.sh --tests), the tests run by
# CTest under Wine (offscreen), the Windows program against a TLS server,
# then the installer installed silently in a throw-away Wine prefix.
# Extra arguments go to ctest.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cd "$here/../.."
"$here/build.sh" --tests
export VORDAN_WINDOWS_PREFIX=$("$here/toolchain.sh" --chemin)
# One throw-away Wine prefix for the run, made before the tests start.
export VORDAN_WINEPREFIX=$PWD/build-windows/wine
"$here/wine-run.sh" cmd /c exit >/dev/null 2>&1 || true
(cd build-windows && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel 2 "$@")
"$here/test-installer.sh" "vordan-$(sed -n 's/^project(vordan VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)-setup.exe"
