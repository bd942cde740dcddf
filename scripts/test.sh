#!/usr/bin/env bash
# Builds VORDAN and every test, then runs the tests with CTest.
# VORDAN_SANITIZE=1 (the default under CI) builds with AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

# Beyond the build: real LibreOffice Calc for the export test, a CUPS
# scheduler with the PDF printer driver for the print queue test,
# poppler's PDF tools to read their output.
scripts/install-deps.sh libreoffice-calc cups printer-driver-cups-pdf poppler-utils unzip
sanitize=${VORDAN_SANITIZE:-}
if [ -z "$sanitize" ]; then
  if [ -n "${CI:-}" ]; then sanitize=1; else sanitize=0; fi
fi
if [ "$sanitize" = 1 ]; then dir=build-asan; opt=ON; else dir=build-test; opt=OFF; fi

cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVORDAN_SANITIZE=$opt >/dev/null
cmake --build "$dir" --parallel
cd "$dir"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel 2 "$@"
